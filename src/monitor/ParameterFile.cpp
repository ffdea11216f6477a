#include "ParameterFile.h"

#include "MessageTable.h"
#include "SaveReplacing.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

bool SaveParameterFile(const QString &path, const ParameterImage &image)
{
    return SaveReplacing(path, QByteArray(reinterpret_cast<const char *>(image.Bytes.data()), ParameterImageSize));
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
