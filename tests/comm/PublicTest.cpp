#include "MessageTable.h"
#include "Public.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace {

TEST(DecodeComSetting, Words)
{
    struct Case { int Word; int Port, Baud, Data, Parity, Stop; bool Rtu; } cases[] = {
        {0x124, 1, 9600, 7, 1, 1, false},
        {0x3C7, 3, 38400, 8, 1, 2, true},
        {0x324, 3, 9600, 7, 1, 1, false},
        {0xC00, 12, 2400, 7, 0, 1, false},
        {0x11C, 1, 4800, 7, 3, 1, false},
    };
    for (const Case &c : cases) {
        TLinkSettings s;
        DecodeComSetting(c.Word, s);
        EXPECT_EQ(s.PortNumber, c.Port) << c.Word;
        EXPECT_EQ(s.BaudRate, c.Baud) << c.Word;
        EXPECT_EQ(s.DataBits, c.Data) << c.Word;
        EXPECT_EQ(s.ParityIndex, c.Parity) << c.Word;
        EXPECT_EQ(s.StopBits, c.Stop) << c.Word;
        EXPECT_EQ(s.RtuMode, c.Rtu) << c.Word;
    }
}

TEST(DecodeComSetting, BaudIndexWithoutRateKeepsPreviousRate)
{
    TLinkSettings s;
    s.BaudRate = 19200;
    DecodeComSetting(0x16C, s);  // baud index 6
    EXPECT_EQ(s.BaudRate, 19200);
    EXPECT_EQ(s.PortNumber, 1);
    EXPECT_EQ(s.ParityIndex, 3);
    // Never a rate of 0, even when no rate was ever decoded.
    TLinkSettings fresh;
    DecodeComSetting(0x170, fresh);
    EXPECT_GT(fresh.BaudRate, 0);
}

TEST(DefaultComSettingWord, LowestPresentPort)
{
    struct Case { std::initializer_list<int> Present; int Word; } cases[] = {
        {{3, 4}, 0x324}, {{12}, 0xC24}, {{}, 0xD24}, {{1, 2}, 0x124},
    };
    for (const Case &c : cases) {
        bool present[ComPortCount] = {};
        for (int p : c.Present)
            present[p] = true;
        EXPECT_EQ(DefaultComSettingWord(present), c.Word);
    }
}

TEST(ComposeComSetting, FromChoices)
{
    EXPECT_EQ(ComposeComSetting({3, 2, 1, 0, 0, 0}), 0x324);
    EXPECT_EQ(ComposeComSetting({3, 4, 1, 1, 1, 1}), 0x3C7);
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Path = Dir.filePath(QStringLiteral("SETQM.$$$"));
        ComSettingWord = 0;
        SettingsFileFound = false;
        std::fill(std::begin(ComPortPresent), std::end(ComPortPresent), false);
    }
    void Write(const QByteArray &content)
    {
        QFile f(Path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QByteArray Content()
    {
        QFile f(Path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir Dir;
    QString Path;
};

TEST_F(SettingsFile, WrittenAsPlainDecimalWithoutLineEnd)
{
    ASSERT_TRUE(WriteSettingsFile(Path, 292));
    EXPECT_EQ(Content(), "292");
    ASSERT_TRUE(WriteSettingsFile(Path, -5));
    EXPECT_EQ(Content(), "-5");
}

TEST_F(SettingsFile, ReadContents)
{
    struct Case { QByteArray Content; int Before; int After; } cases[] = {
        {"292", 0, 292}, {"  804\n", 0, 804}, {"-1", 0, -1}, {"12abc", 0, 12},
        {"garbage", 77, 77}, {"", 77, 77},
        {"99999999999999999999", 77, 77},  // too large for the word: left alone
        {"2147483648", 77, 77},
    };
    for (const Case &c : cases) {
        Write(c.Content);
        int word = c.Before;
        EXPECT_TRUE(ReadSettingsFile(Path, word));
        EXPECT_EQ(word, c.After) << c.Content.constData();
    }
}

TEST_F(SettingsFile, MissingFileChoosesDefault)
{
    ComPortPresent[3] = ComPortPresent[4] = true;
    LoadComSettingWord(Path);
    EXPECT_FALSE(SettingsFileFound);
    EXPECT_EQ(ComSettingWord, 0x324);
}

TEST_F(SettingsFile, OkWritesOnlyWhenChangedOrNoFileWasRead)
{
    // After a start without a file, OK writes even an unchanged word.
    ComPortPresent[3] = true;
    LoadComSettingWord(Path);
    ASSERT_TRUE(StoreComSettingWord(0x324, Path));
    EXPECT_EQ(Content(), "804");

    // After a start that read the file, an unchanged word leaves it alone.
    Write("804 ");
    LoadComSettingWord(Path);
    ASSERT_TRUE(SettingsFileFound);
    ASSERT_TRUE(StoreComSettingWord(0x324, Path));
    EXPECT_EQ(Content(), "804 ");
    ASSERT_TRUE(StoreComSettingWord(0x3C7, Path));
    EXPECT_EQ(Content(), "967");
    EXPECT_EQ(ComSettingWord, 0x3C7);
}

TEST_F(SettingsFile, GarbageWordNeverOpensAtRateZero)
{
    Write("999999999999");
    LoadComSettingWord(Path);
    TLinkSettings s;
    DecodeComSetting(ComSettingWord, s);
    EXPECT_GT(s.BaudRate, 0);
    Write("112");  // baud index 7
    LoadComSettingWord(Path);
    DecodeComSetting(ComSettingWord, s);
    EXPECT_GT(s.BaudRate, 0);
}

TEST_F(SettingsFile, UnwritableFileKeepsWordInMemory)
{
    const QString folder = Dir.filePath(QStringLiteral("missing-folder/SETQM.$$$"));
    EXPECT_FALSE(StoreComSettingWord(0x124, folder));
    EXPECT_EQ(ComSettingWord, 0x124);
}

TEST(MessageTable, ExceptionAndResultTexts)
{
    using namespace MessageTable;
    EXPECT_EQ(ExceptionText(2), "illegal address  !!!");
    EXPECT_EQ(ExceptionText(5), "Unknow Error     !!!");
    EXPECT_EQ(ExceptionText(14), "illegal ASCII    !!!");
    EXPECT_EQ(ResultText(ResultTimeout), "Received data time out error");
    EXPECT_EQ(ResultText(ResultBadFrame), " Received data does not match");
    EXPECT_EQ(ResultText(ResultChecksum), "Received checksum error !!!");
    EXPECT_EQ(ResultText(ResultInputFault), " Input unstable or Device fail");
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(ModbusFaultTexts[i].size(), 20) << i;
    // The recorder's fault line: "DEVICE " + " " + number + text, no separator.
    EXPECT_EQ(DeviceText + " " + QString::number(3) + ExceptionText(2), "DEVICE  3illegal address  !!!");
    EXPECT_EQ(DeviceText + " " + QString::number(3) + ResultText(ResultBadFrame), "DEVICE  3 Received data does not match");
}

// How actions end, in the status lines: counts in the singular too, and
// the broadcast as what it reaches.
TEST(MessageTable, StatusTexts)
{
    using namespace MessageTable;
    const std::pair<QString, const char *> cases[] = {
        {ParametersWritten(25, 3), "25 parameters written to address 3"},
        {ParametersWritten(1, 247), "1 parameter written to address 247"},
        {ParametersWritten(99, 0), "99 parameters written to every controller on the line"},
        {RampProgramRead(2), "Ramp soak program read from address 2"},
        {RampProgramWritten(2), "Ramp soak program written to address 2"},
        {RampProgramWritten(0), "Ramp soak program written"},
        {RowsWritten(61, "rec1.csv"), "61 rows written to rec1.csv"},
        {RowsWritten(1, "a.csv"), "1 row written to a.csv"},
        {RecordsSaved(0, "x.rec"), "0 records saved in x.rec"},
        {FileSaved("prog.r$s"), "Saved to prog.r$s"},
        {FileLoaded("prog.r$s"), "Loaded from prog.r$s"},
        {PasswordAccepted(3), "The controller at address 3 accepted the password."},
        {PasswordRefused(3, "Read All, SV,AT"),
         "The controller at address 3 did not accept the password; its security level is \"Read All, SV,AT\"."},
        {AllLockDone(3), "The controller at address 3 is locked."},
        {AllLockRefused(3, "Unlock All"), "The controller at address 3 did not lock; its security level is \"Unlock All\"."},
        {AllLockQuestion(3), "Lock every parameter of the controller at address 3? Unlocking needs its password."},
        {LineHolderText(ModuleMonitor), "The monitor holds the line: close it, or press Cancel on its slots."},
        {LineHolderText(ModuleRecorder), "The recorder holds the line: press Stop, or close it."},
        {LineHolderText(ModuleSetup), "The link settings dialog holds the line: close it."},
        {LineHolderText(ModuleNone), ""},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(text, QString::fromUtf8(expected));
}

} // namespace
