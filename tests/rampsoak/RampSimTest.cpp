// The editor's transfers against a simulated model B controller, request by
// request through the controller's own handling: what the 153 writes put
// in reads back through the block streams, and the controller runs it.
#include "ErrorReport.h"
#include "MessageBoxes.h"
#include "Ramp.h"
#include "RampFile.h"
#include "RampTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class RampSimTest : public ::testing::Test {
protected:
    RampSimTest() : Controller(Clock, {.Address = 2, .Kind = Model::B, .Firmware = 0x0112}), Engine(&Controller)
    {
        Controller.SetNoise(false);
    }
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        SetMessageSink([this](const QString &text, const QString &) { Messages << text; });
        SetErrorReporter([this](const QString &text) { Messages << text; });
        Window.SetTransferHost(&Engine);
        Window.show();
    }
    void TearDown() override
    {
        EXPECT_TRUE(Messages.isEmpty()) << Messages.join(QLatin1Char('\n')).toStdString();
        SetMessageSink({});
        SetErrorReporter({});
    }
    void ReadSetting()
    {
        Window.ReadSBtClick();
        Engine.Read();
        ASSERT_EQ(Engine.Running, TestRampEngine::Job::None);
    }
    void Write()
    {
        Window.WrBtClick();
        Engine.Write();
        ASSERT_EQ(Engine.Running, TestRampEngine::Job::None);
        ASSERT_EQ(Engine.Refused, 0);
    }
    // The program set as the controller's block streams give it.
    RampSoakProgram Readback()
    {
        Clock.Advance(SimController::StreamRestartMs + 1);
        std::array<std::uint8_t, 256> parameters{};
        RampImage steps{};
        for (int i = 0; i < 256; ++i) {
            const int pair = ReadOne(Controller, 0x474C);
            parameters[static_cast<size_t>(pair >> 8)] = static_cast<std::uint8_t>(pair & 0xFF);
        }
        for (int i = 0; i < 256; ++i) {
            const int pair = ReadOne(Controller, 0x474D);
            steps[static_cast<size_t>(pair >> 8)] = static_cast<std::uint8_t>(pair & 0xFF);
        }
        RampSoakProgram program;
        ApplyParameterBytes(parameters, program);
        DecodeSteps(steps, program);
        return program;
    }
    void LoadFile(const QString &path)
    {
        Window.SetFileDialogs({[path](const FileChoice &) { return path; }, {}, {}});
        Window.ReadFBtClick();
    }
    void SaveFile(const QString &path)
    {
        Window.SetFileDialogs({{}, [path](const FileChoice &) { return path; }, [](const QString &) { return true; }});
        Window.SaveFBtClick();
    }

    ProgramSetGuard Guard;
    VirtualClock Clock;
    SimController Controller;
    TestRampEngine Engine;
    TRampSoak Window;
    QTemporaryDir Folder;
    QStringList Messages;
};

TEST_F(RampSimTest, TheSampleProgramOfTheDemoController)
{
    ReadSetting();
    // Pattern 0: up to 80.0 in 2 minutes, 3 minutes there, down to 40.0 in
    // 2 minutes, 1 minute there, then the end.
    EXPECT_EQ(RampProgram.StepMax[0], 3);
    EXPECT_EQ(RampProgram.LinkPattern[0], 8);
    EXPECT_EQ(RampProgramImage[256], 'B');
    EXPECT_EQ(RampProgramImage[257], 0x01);
    EXPECT_EQ(RampProgramImage[258], 0x12);
    const QStringList column{Window.CellText(1, 1), Window.CellText(1, 2), Window.CellText(1, 3),
                             Window.CellText(1, 8), Window.CellText(1, 9), Window.CellText(1, 19)};
    EXPECT_EQ(column, (QStringList{QStringLiteral("3"), QStringLiteral("80.0"), QStringLiteral("00:02"),
                                   QStringLiteral("40.0"), QStringLiteral("00:01"), QStringLiteral("Prog End")}));
    EXPECT_TRUE(Window.Curve().Shown);
    EXPECT_EQ(Window.Curve().Duration, 8);
}

TEST_F(RampSimTest, WrittenProgramSetsReadBackTheSame)
{
    Controller.SetProgramMinuteMs(1000);
    LoadFile([&] {
        const QString path = Folder.filePath(QStringLiteral("busy.r$s"));
        EXPECT_TRUE(SaveRampFile(path, BusyProgram()));
        return path;
    }());
    ASSERT_EQ(RampProgram, BusyProgram());
    Write();
    EXPECT_EQ(Readback(), BusyProgram());
    ReadSetting();
    EXPECT_EQ(RampProgram, BusyProgram());
}

TEST_F(RampSimTest, ReadEditWriteAndReadAgain)
{
    ReadSetting();
    auto *table = Window.findChild<QTableWidget *>(QStringLiteral("ProgTable"));
    auto *edit = Window.findChild<QLineEdit *>(QStringLiteral("SPEdit"));
    ASSERT_TRUE(table && edit);
    Window.findChild<QPushButton *>(QStringLiteral("EditPBt"))->click();
    table->setCurrentCell(4 - 1, 0);  // Set Value 1 of pattern 0
    edit->setText(QStringLiteral("-12.5"));
    QTest::keyClick(edit, Qt::Key_Return);
    table->setCurrentCell(18 - 1, 0);  // Loop Count of pattern 0
    edit->setText(QStringLiteral("4"));
    Window.POKBtClick();
    ASSERT_EQ(RampProgram.SetValue[1], -125);
    ASSERT_EQ(RampProgram.LoopCount[0], 4);
    const RampSoakProgram edited = RampProgram;
    Write();
    EXPECT_EQ(Readback(), edited);
    RampProgram = RampSoakProgram{};
    ReadSetting();
    EXPECT_EQ(RampProgram, edited);
    EXPECT_EQ(Window.CellText(1, 4), QStringLiteral("-12.5"));
    EXPECT_EQ(Window.CellText(1, 18), QStringLiteral("4"));
}

TEST_F(RampSimTest, FileToControllerToFileIsByteIdentical)
{
    RampSoakProgram program = BusyProgram();
    program.SetValue[0] = -100;
    const QString first = Folder.filePath(QStringLiteral("first.r$s"));
    const QString second = Folder.filePath(QStringLiteral("second.r$s"));
    ASSERT_TRUE(SaveRampFile(first, program));
    LoadFile(first);
    Write();
    RampProgram = RampSoakProgram{};
    ReadSetting();
    SaveFile(second);
    QFile a(first);
    QFile b(second);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
}

// The controller refuses what it cannot run; the engine would retry and,
// after repeated exception replies, give up.
TEST_F(RampSimTest, TheControllerRefusesValuesOutsideItsRanges)
{
    RampSoakProgram program = ExampleProgram();
    program.StepMax[3] = 9;
    const QString path = Folder.filePath(QStringLiteral("hostile.r$s"));
    ASSERT_TRUE(SaveRampFile(path, program));
    LoadFile(path);
    Window.WrBtClick();
    Engine.Write(10);
    EXPECT_EQ(Engine.Written, 4);
    EXPECT_GT(Engine.Refused, 0);
    Engine.Fail();
    QCoreApplication::processEvents();
    EXPECT_EQ(Messages.size(), 1);
    Messages.clear();
}

TEST_F(RampSimTest, TheControllerRunsTheWrittenProgram)
{
    Controller.SetProgramMinuteMs(1000);
    // Pattern 3: up to 50.0 in 4 minutes, then 2 minutes at 50.0, run
    // twice, then pattern 6: one 3-minute step down to 30.0, then the end.
    RampSoakProgram program;
    program.StartPattern = 3;
    program.LinkPattern.fill(ProgEnd);
    program.StepMax[3] = 1;
    program.LoopCount[3] = 1;
    program.LinkPattern[3] = 6;
    program.SetValue[24] = 500;
    program.ExecuteTime[24] = 4;
    program.SetValue[25] = 500;
    program.ExecuteTime[25] = 2;
    program.SetValue[48] = 300;
    program.ExecuteTime[48] = 3;
    const QString path = Folder.filePath(QStringLiteral("run.r$s"));
    ASSERT_TRUE(SaveRampFile(path, program));
    LoadFile(path);
    Write();
    ASSERT_EQ(WriteOne(Controller, 0x4719, 3), 0);  // control by the program
    const std::vector<std::tuple<int, int, int>> expected{
        // seconds, pattern, step
        {1, 3, 0}, {5, 3, 1}, {7, 3, 0}, {11, 3, 1}, {13, 6, 0}};
    int at = 0;
    for (const auto &[second, pattern, step] : expected) {
        Clock.Advance((second - at) * 1000);
        at = second;
        EXPECT_EQ(ReadOne(Controller, 0x4766), pattern) << second;
        EXPECT_EQ(ReadOne(Controller, 0x4765), step) << second;
    }
    EXPECT_EQ(ReadOne(Controller, 0x472C), 300);
    EXPECT_EQ(ReadOne(Controller, 0x4701), 433);  // a third of the way down
    Clock.Advance(3000);
    EXPECT_EQ(ReadOne(Controller, 0x4723), 4);  // the program has ended
}

} // namespace
