// Where the settings file and the COM port links live.
#include "PortDirectory.h"
#include "Public.h"
#include "WorkFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

TEST(WorkFolder, TheStartFolderOnlyWhenItHoldsASetUpAndCanKeepIt)
{
    struct Case { const char *Name; QString File; QString Folder; bool ReadOnly; bool Start; } cases[] = {
        {"nothing there", {}, {}, false, false},
        {"a settings file", "SETQM.$$$", {}, false, true},
        {"a link folder", {}, "ports", false, true},
        {"a file named like the link folder", "ports", {}, false, false},
        {"a settings file in a folder that cannot keep it", "SETQM.$$$", {}, true, false},
    };
    for (const Case &c : cases) {
        if (c.ReadOnly && ::geteuid() == 0)
            continue;  // root writes anywhere
        QTemporaryDir start, home;
        ASSERT_TRUE(start.isValid() && home.isValid());
        if (!c.File.isEmpty())
            QFile(start.filePath(c.File)).open(QIODevice::WriteOnly);
        if (!c.Folder.isEmpty())
            QDir(start.path()).mkdir(c.Folder);
        if (c.ReadOnly)
            QFile::setPermissions(start.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QString config = home.filePath(QStringLiteral(".config/qmvcomm"));
        const QString chosen = WorkFolder::Choose(start.path(), config);
        EXPECT_EQ(chosen, c.Start ? start.path() : config) << c.Name;
        EXPECT_EQ(QDir(config).exists(), !c.Start) << c.Name;
        QFile::setPermissions(start.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

TEST(WorkFolder, TheSettingsFileAndTheLinksLiveThere)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_NE(QDir::currentPath(), folder.path());
    QDir(folder.path()).mkdir(QStringLiteral("ports"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), folder.filePath(QStringLiteral("ports/COM5"))));
    WorkFolder::Set(folder.path());

    ComSettingWord = 0;
    ASSERT_TRUE(StoreComSettingWord(0x324));
    LoadComSettingWord();
    EXPECT_TRUE(SettingsFileFound);
    EXPECT_EQ(ComSettingWord, 0x324);
    QFile file(folder.filePath(QStringLiteral("SETQM.$$$")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "804");
    EXPECT_EQ(PortDirectory::DeviceFor(5), folder.filePath(QStringLiteral("ports/COM5")));

    WorkFolder::Set(QString());
    EXPECT_EQ(PortDirectory::LinkFolder(), QStringLiteral("ports"));
}

} // namespace
