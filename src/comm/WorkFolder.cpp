#include "WorkFolder.h"

#include "Public.h"

#include <QDir>
#include <QFileInfo>

namespace WorkFolder {

namespace {

QString &Folder()
{
    static QString folder;
    return folder;
}

} // namespace

QString Choose(const QString &startFolder, const QString &configFolder)
{
    const QDir start(startFolder);
    const bool holdsSetUp = QFileInfo::exists(start.filePath(QString::fromLatin1(SettingsFileName))) ||
                            QFileInfo(start.filePath(QString::fromLatin1(LinkFolderName))).isDir();
    if (holdsSetUp && QFileInfo(startFolder).isWritable())
        return startFolder;
    // When it cannot be made, saving the settings says so.
    QDir().mkpath(configFolder);
    return configFolder;
}

void Set(const QString &folder)
{
    Folder() = folder;
}

QString Path(const QString &name)
{
    return Folder().isEmpty() ? name : QDir(Folder()).filePath(name);
}

} // namespace WorkFolder
