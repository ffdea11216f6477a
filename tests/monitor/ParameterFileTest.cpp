// The backup file: exactly 260 bytes with a matching check byte, and a save
// that never destroys the file it replaces.
#include "ParameterFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

using Outcome = ParameterFileLoad::Outcome;

QByteArray FileBytes(int length, int model = 0x42, int high = 0x01, int low = 0x05, int check = 0x48)
{
    QByteArray bytes(length, '\0');
    for (int i = 0; i < std::min(length, 256); ++i)
        bytes[i] = static_cast<char>(i * 3);
    const int trailer[4] = {model, high, low, check};
    for (int i = 0; i < 4 && 256 + i < length; ++i)
        bytes[256 + i] = static_cast<char>(trailer[i]);
    return bytes;
}

class ParameterFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Folder.isValid()); }

    QString Path(const QString &name) const { return Folder.filePath(name); }
    QString Put(const QString &name, const QByteArray &bytes) const
    {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        return Path(name);
    }
    static QByteArray Read(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }

    QTemporaryDir Folder;
};

struct LengthCase {
    int Length;
    Outcome Expected;
};

class ParameterFileLength : public ParameterFileTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(ParameterFileLength, OnlyExactly260BytesAreTaken)
{
    const QString path = Put(QStringLiteral("x.par"), FileBytes(GetParam().Length));
    EXPECT_EQ(LoadParameterFile(path).Result, GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ParameterFileLength,
                         ::testing::Values(LengthCase{0, Outcome::Refused}, LengthCase{259, Outcome::Refused},
                                           LengthCase{260, Outcome::Loaded}, LengthCase{261, Outcome::Refused},
                                           LengthCase{4096, Outcome::Refused}));

TEST_F(ParameterFileTest, CheckByte0x48LoadsTheBytesAsTheyAre)
{
    const QByteArray bytes = FileBytes(260, 0x42, 0x01, 0x05, 0x48);
    const ParameterFileLoad load = LoadParameterFile(Put(QStringLiteral("good.par"), bytes));
    ASSERT_EQ(load.Result, Outcome::Loaded);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(load.Image.Bytes.data()), 260), bytes);
    EXPECT_EQ(HeaderText(load.Image), QStringLiteral("QMB V1.05"));
}

TEST_F(ParameterFileTest, CheckByte0x47IsRefused)
{
    const ParameterFileLoad load = LoadParameterFile(Put(QStringLiteral("bad.par"), FileBytes(260, 0x42, 0x01, 0x05, 0x47)));
    EXPECT_EQ(load.Result, Outcome::BadCheckByte);
    EXPECT_FALSE(load.Image.CheckByteValid());
}

TEST_F(ParameterFileTest, FoldersAndMissingFilesAreRefused)
{
    ASSERT_TRUE(QDir(Folder.path()).mkdir(QStringLiteral("folder.par")));
    EXPECT_EQ(LoadParameterFile(Path(QStringLiteral("folder.par"))).Result, Outcome::Refused);
    EXPECT_EQ(LoadParameterFile(Path(QStringLiteral("missing.par"))).Result, Outcome::Refused);
    EXPECT_EQ(LoadParameterFile(QString()).Result, Outcome::Refused);
}

TEST_F(ParameterFileTest, SaveAndLoadRoundTrip)
{
    ParameterImage image;
    for (int i = 0; i < 256; ++i)
        image.Bytes[static_cast<size_t>(i)] = static_cast<std::uint8_t>(255 - i);
    image.SetOrigin('C', 0x0215);
    const QString path = Path(QStringLiteral("copy.par"));
    ASSERT_TRUE(SaveParameterFile(path, image));
    EXPECT_EQ(QFileInfo(path).size(), 260);
    const ParameterFileLoad load = LoadParameterFile(path);
    ASSERT_EQ(load.Result, Outcome::Loaded);
    EXPECT_EQ(load.Image.Bytes, image.Bytes);
}

TEST_F(ParameterFileTest, SavingReplacesAnOldFileAndLeavesNothingElse)
{
    const QString path = Put(QStringLiteral("old.par"), QByteArray(1000, 'x'));
    ParameterImage image;
    image.SetOrigin('A', 0x0110);
    ASSERT_TRUE(SaveParameterFile(path, image));
    EXPECT_EQ(Read(path).size(), 260);
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.par")});
}

// Permissions and file size limits as Unix has them.
#ifdef Q_OS_UNIX
TEST_F(ParameterFileTest, AnUnreadableFileIsRefused)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads files whatever their permissions";
    const QString path = Put(QStringLiteral("locked.par"), FileBytes(260));
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    EXPECT_EQ(LoadParameterFile(path).Result, Outcome::Refused);
}

TEST_F(ParameterFileTest, AFailedSaveLeavesTheOldFileAsItWas)
{
    // The disk fills up half-way: the file size limit makes every write
    // past 100 bytes fail, for root as for anyone.
    const QByteArray old = FileBytes(260, 0x41, 0x01, 0x10, 0x52);
    const QString path = Put(QStringLiteral("keep.par"), old);
    ParameterImage image;
    image.SetOrigin('B', 0x0105);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = SaveParameterFile(path, image);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(Read(path), old);
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.par")});
}

TEST_F(ParameterFileTest, AReadOnlyFolderLeavesTheOldFileAsItWas)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    const QByteArray old = FileBytes(260);
    const QString path = Put(QStringLiteral("keep.par"), old);
    ASSERT_TRUE(QFile::setPermissions(Folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    ParameterImage image;
    image.SetOrigin('C', 0x0200);
    const bool saved = SaveParameterFile(path, image);
    QFile::setPermissions(Folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_FALSE(saved);
    EXPECT_EQ(Read(path), old);
}

#endif

TEST_F(ParameterFileTest, SavingOntoAFolderOrNowhereFails)
{
    ASSERT_TRUE(QDir(Folder.path()).mkdir(QStringLiteral("folder.par")));
    ParameterImage image;
    EXPECT_FALSE(SaveParameterFile(Path(QStringLiteral("folder.par")), image));
    EXPECT_FALSE(SaveParameterFile(Path(QStringLiteral("no/such/folder/x.par")), image));
    EXPECT_FALSE(SaveParameterFile(QString(), image));
}

TEST(ParameterFileText, OverwriteQuestionNamesTheFileWithoutItsFolder)
{
    EXPECT_EQ(OverwriteQuestion(QStringLiteral("/home/op/backups/oven 3.par")),
              QStringLiteral("Over write file : oven 3.par"));
}

} // namespace
