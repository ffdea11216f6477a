// Files that replace an older one are written beside it and put in its
// place only when they are whole: a save that fails (disk full, no
// permission) leaves the old file as it was.
#pragma once

#include <QByteArray>
#include <QString>

class QSaveFile;

// Puts a file written through QSaveFile in place. Its commit takes a failed
// write-out of its buffer (a full disk) for success, so that is checked
// first; on any failure the file is discarded and false returned.
bool CommitWhole(QSaveFile &file);

// The whole of `bytes` into `path`; false (and the old file unchanged)
// when it could not be written.
bool SaveReplacing(const QString &path, const QByteArray &bytes);
