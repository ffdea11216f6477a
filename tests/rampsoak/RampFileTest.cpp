// The 285-byte ramp/soak file.
#include "RampFile.h"
#include "RampTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

QByteArray Hex(const char *hex)
{
    return QByteArray::fromHex(hex);
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const bool ok = file.write(bytes) == bytes.size();
    file.close();
    return ok;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    file.close();
    return bytes;
}

TEST(RampFile, TheExampleProgramSet)
{
    const QByteArray bytes = RampFileBytes(ExampleProgram());
    ASSERT_EQ(bytes.size(), 285);
    EXPECT_EQ(bytes.mid(0, 8), Hex("0100000000000000"));
    EXPECT_EQ(bytes.mid(8, 8), Hex("0200000000000000"));
    EXPECT_EQ(bytes.mid(16, 8), Hex("0800000000000000"));
    EXPECT_EQ(bytes.mid(24, 8), Hex("00FA001E03E8005A"));
    EXPECT_EQ(bytes.mid(32, 248), QByteArray(248, '\0'));
    EXPECT_EQ(bytes.mid(280), Hex("0055AA1234"));
}

TEST(RampFile, NegativeSetValuesAreTwosComplement)
{
    RampSoakProgram program;
    program.SetValue[1] = -100;
    program.StartPattern = 5;
    const QByteArray bytes = RampFileBytes(program);
    EXPECT_EQ(bytes.mid(28, 2), Hex("FF9C"));
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[280]), 5);
    RampSoakProgram loaded;
    RampImage image{};
    ASSERT_TRUE(ReadRampFileBytes(bytes, loaded, image));
    EXPECT_EQ(loaded.SetValue[1], -100);
    EXPECT_EQ(loaded, program);
    EXPECT_EQ(image[4], 0xFF);  // record 1
}

TEST(RampFile, LoadingKeepsTheImagesTrailer)
{
    RampImage image{};
    image[256] = 'C';
    image[259] = 0x77;
    image[0] = 0x55;
    RampSoakProgram program;
    ASSERT_TRUE(ReadRampFileBytes(RampFileBytes(BusyProgram()), program, image));
    EXPECT_EQ(program, BusyProgram());
    EXPECT_EQ(image[256], 'C');
    EXPECT_EQ(image[259], 0x77);
    RampImage expected = image;
    EncodeSteps(BusyProgram(), expected);
    EXPECT_EQ(image, expected);
}

TEST(RampFile, WrongLengthsAndSignaturesAreRefusedWithoutTouchingAnything)
{
    const QByteArray good = RampFileBytes(ExampleProgram());
    QByteArray badSignature = good;
    badSignature[284] = 0x35;
    QByteArray badFirst = good;
    badFirst[281] = 0x54;
    const std::vector<QByteArray> refused{good.left(284), good + '\0', QByteArray(), badSignature, badFirst,
                                          QByteArray(285, '\0')};
    for (const QByteArray &bytes : refused) {
        RampSoakProgram program = BusyProgram();
        RampImage image{};
        image[3] = 9;
        EXPECT_FALSE(ReadRampFileBytes(bytes, program, image)) << bytes.size();
        EXPECT_EQ(program, BusyProgram());
        EXPECT_EQ(image[3], 9);
    }
}

// Whatever a file holds comes in as it is, and goes out again the same.
TEST(RampFile, HostileValuesTravelUnchanged)
{
    QByteArray bytes = RampFileBytes(BusyProgram());
    for (int i = 0; i < 24; ++i)
        bytes[i] = static_cast<char>(0xF0 + i % 16);
    bytes[280] = static_cast<char>(0xFE);
    bytes[26] = static_cast<char>(0x7F);  // time of step 0: 32767 minutes
    bytes[27] = static_cast<char>(0xFF);
    RampSoakProgram program;
    RampImage image{};
    ASSERT_TRUE(ReadRampFileBytes(bytes, program, image));
    EXPECT_EQ(program.StartPattern, 0xFE);
    EXPECT_EQ(program.StepMax[0], 0xF0);
    EXPECT_EQ(program.LinkPattern[7], 0xF7);
    EXPECT_EQ(program.ExecuteTime[0], 32767);
    EXPECT_EQ(RampFileBytes(program), bytes);
}

class RampFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Folder.isValid()); }
    QString Path(const QString &name) const { return Folder.filePath(name); }
    QTemporaryDir Folder;
};

TEST_F(RampFileOnDisk, SaveThenLoad)
{
    const QString path = Path(QStringLiteral("busy.r$s"));
    ASSERT_TRUE(SaveRampFile(path, BusyProgram()));
    EXPECT_EQ(ReadFile(path), RampFileBytes(BusyProgram()));
    RampSoakProgram program;
    RampImage image{};
    ASSERT_TRUE(LoadRampFile(path, program, image));
    EXPECT_EQ(program, BusyProgram());
    // Saving over it replaces it whole and leaves nothing beside it.
    ASSERT_TRUE(SaveRampFile(path, ExampleProgram()));
    EXPECT_EQ(ReadFile(path), RampFileBytes(ExampleProgram()));
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("busy.r$s")});
}

TEST_F(RampFileOnDisk, FilesOfOtherLengthsAreRefused)
{
    const QByteArray good = RampFileBytes(ExampleProgram());
    for (const QByteArray &bytes : {good.left(284), good + 'x', good + good, QByteArray()}) {
        const QString path = Path(QStringLiteral("bad.r$s"));
        ASSERT_TRUE(WriteFile(path, bytes));
        RampSoakProgram program = BusyProgram();
        RampImage image{};
        EXPECT_FALSE(LoadRampFile(path, program, image)) << bytes.size();
        EXPECT_EQ(program, BusyProgram());
    }
}

TEST_F(RampFileOnDisk, MissingFilesAndFoldersAreRefused)
{
    RampSoakProgram program = BusyProgram();
    RampImage image{};
    EXPECT_FALSE(LoadRampFile(Path(QStringLiteral("none.r$s")), program, image));
    ASSERT_TRUE(QDir(Folder.path()).mkdir(QStringLiteral("folder.r$s")));
    EXPECT_FALSE(LoadRampFile(Path(QStringLiteral("folder.r$s")), program, image));
    EXPECT_EQ(program, BusyProgram());
}

TEST_F(RampFileOnDisk, SavingWhereNoFileCanBeMadeFails)
{
    EXPECT_FALSE(SaveRampFile(Path(QStringLiteral("missing/ramp.r$s")), ExampleProgram()));
    ASSERT_TRUE(QDir(Folder.path()).mkdir(QStringLiteral("taken.r$s")));
    EXPECT_FALSE(SaveRampFile(Path(QStringLiteral("taken.r$s")), ExampleProgram()));
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("taken.r$s"))).isDir());
}

#ifdef Q_OS_UNIX
// A write that fails half-way (here: the file size limit) must leave the
// old file as it was.
TEST_F(RampFileOnDisk, AFailedSaveLeavesTheOldFile)
{
    const QString path = Path(QStringLiteral("old.r$s"));
    ASSERT_TRUE(SaveRampFile(path, BusyProgram()));
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = before;
    limited.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool saved = SaveRampFile(path, ExampleProgram());
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile(path), RampFileBytes(BusyProgram()));
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.r$s")});
}
#endif

} // namespace
