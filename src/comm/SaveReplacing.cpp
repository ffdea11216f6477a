#include "SaveReplacing.h"

#include <QFileInfo>
#include <QSaveFile>

bool CommitWhole(QSaveFile &file)
{
    if (!file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool SaveReplacing(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty() || QFileInfo(path).isDir())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return CommitWhole(file);
}
