#include "ParameterFile.h"

#include "MessageTable.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

bool SaveParameterFile(const QString &path, const ParameterImage &image)
{
    if (path.isEmpty() || QFileInfo(path).isDir())
        return false;
    // QSaveFile writes beside the target and renames on commit; it never
    // falls back to writing the target in place. Unbuffered, so that a
    // short write (disk full) shows here: a buffered one is only flushed by
    // the commit, which takes a short flush for success.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const auto *data = reinterpret_cast<const char *>(image.Bytes.data());
    if (file.write(data, ParameterImageSize) != ParameterImageSize) {
        file.cancelWriting();  // the temporary file goes with `file`
        return false;
    }
    return file.commit();
}

ParameterFileLoad LoadParameterFile(const QString &path)
{
    ParameterFileLoad load;
    const QFileInfo info(path);
    if (path.isEmpty() || info.isDir())
        return load;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return load;
    if (file.size() != ParameterImageSize)
        return load;
    // One byte more than wanted: a file that grew since its size was taken
    // is as wrong as one that was long from the start.
    const QByteArray bytes = file.read(ParameterImageSize + 1);
    file.close();
    if (bytes.size() != ParameterImageSize)
        return load;
    std::copy(bytes.begin(), bytes.end(), load.Image.Bytes.begin());
    load.Result = load.Image.CheckByteValid() ? ParameterFileLoad::Outcome::Loaded
                                              : ParameterFileLoad::Outcome::BadCheckByte;
    return load;
}

QString OverwriteQuestion(const QString &path)
{
    return MessageTable::OverWriteFile + QFileInfo(path).fileName();
}
