// The editor's side of its transfers: the write map, progress, the pattern
// bytes, and the window against an engine that the test drives.
#include "ErrorReport.h"
#include "MessageBoxes.h"
#include "MessageTable.h"
#include "Ramp.h"
#include "RampTestSupport.h"

#include "RampFile.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

TEST(RampTransferRules, WriteMap)
{
    RampSoakProgram program = BusyProgram();
    program.SetValue[9] = -100;
    program.ExecuteTime[63] = 900;
    struct Case {
        int Index;
        int Register;
        int Value;
    };
    const std::vector<Case> cases{
        {0, 0x4767, 2},                         // start pattern
        {1, 0x4768, program.StepMax[0]},        {8, 0x476F, program.StepMax[7]},
        {9, 0x4770, program.LoopCount[0]},      {16, 0x4777, program.LoopCount[7]},
        {17, 0x4778, program.LinkPattern[0]},   {24, 0x477F, 8},
        {25, 0x4780, program.SetValue[0]},      {26, 0x4781, program.ExecuteTime[0]},
        {43, 0x4792, 0xFF9C},                   // SetValue[9], pattern 1 step 1
        {151, 0x47FE, program.SetValue[63] & 0xFFFF},
        {152, 0x47FF, 900},                     // ExecuteTime[63]
    };
    for (const Case &c : cases) {
        EXPECT_EQ(RampWriteRegister(c.Index), c.Register) << c.Index;
        EXPECT_EQ(RampWriteWord(program, c.Index), c.Value) << c.Index;
    }
    EXPECT_EQ(RampWriteWord(program, -1), 0);
    EXPECT_EQ(RampWriteWord(program, 153), 0);
}

TEST(RampTransferRules, ReadProgressIsHalfParametersHalfSteps)
{
    const std::vector<std::tuple<int, int, int>> cases{
        {0, 0, 0}, {128, 0, 250}, {255, 0, 498}, {256, 0, 500}, {256, 128, 750}, {256, 255, 998}, {256, 256, 1000},
        {-5, 0, 0}, {900, 0, 500}, {256, 900, 1000}};
    for (const auto &[parameters, steps, perMille] : cases)
        EXPECT_EQ(ReadProgressPerMille(parameters, steps), perMille) << parameters << " " << steps;
}

TEST(RampTransferRules, WriteProgress)
{
    EXPECT_EQ(WriteProgressPerMille(0), 0);
    EXPECT_EQ(WriteProgressPerMille(51), 333);
    EXPECT_EQ(WriteProgressPerMille(152), 993);
    EXPECT_EQ(WriteProgressPerMille(153), 1000);
    EXPECT_EQ(WriteProgressPerMille(400), 1000);
}

TEST(RampTransferRules, PatternBytesOfTheParameterBlock)
{
    std::array<std::uint8_t, 256> block{};
    block[230] = 99;  // not a pattern byte
    block[231] = 2;
    block[232] = 5;
    block[240] = 3;
    block[248] = 8;
    block[239] = 7;
    block[247] = 200;
    block[255] = 4;
    RampSoakProgram program = BusyProgram();
    const RampSoakProgram before = program;
    ApplyParameterBytes(block, program);
    EXPECT_EQ(program.StartPattern, 2);
    EXPECT_EQ(program.StepMax[0], 5);
    EXPECT_EQ(program.LoopCount[0], 3);
    EXPECT_EQ(program.LinkPattern[0], 8);
    EXPECT_EQ(program.StepMax[7], 7);
    EXPECT_EQ(program.LoopCount[7], 200);
    EXPECT_EQ(program.LinkPattern[7], 4);
    EXPECT_EQ(program.SetValue, before.SetValue);
    EXPECT_EQ(program.ExecuteTime, before.ExecuteTime);
}

// ---- the window as the engine's client --------------------------------------

class RampTransferClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMessageSink([this](const QString &text, const QString &) { Messages << text; });
        SetErrorReporter([this](const QString &text) { Errors << text; });
        Window.SetTransferHost(&Engine);
        Window.show();
    }
    void TearDown() override
    {
        EXPECT_TRUE(Errors.isEmpty()) << Errors.join(QLatin1Char('\n')).toStdString();
        SetMessageSink({});
        SetErrorReporter({});
    }
    template <typename T>
    T *Find(const char *name) const
    {
        T *widget = Window.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    bool Enabled(const char *name) const { return Find<QWidget>(name)->isEnabled(); }
    bool Shown(const char *name) const { return Find<QWidget>(name)->isVisibleTo(&Window); }
    int Bar() const { return Find<QProgressBar>("UpLoadBarP")->value(); }
    QString Status() const { return Find<QStatusBar>("StatusLine")->currentMessage(); }
    // Whether the controls a transfer locks are usable.
    bool Unlocked() const
    {
        return Enabled("ProgStart") && Enabled("ReadSBt") && Enabled("SaveFBt") && Enabled("ReadFBt") &&
               Enabled("WrBt");
    }
    bool AllLocked() const
    {
        return !Enabled("ProgStart") && !Enabled("ReadSBt") && !Enabled("SaveFBt") && !Enabled("ReadFBt") &&
               !Enabled("WrBt");
    }
    // Reads BusyProgram in completely, so that the editor holds data.
    void ReadBusyProgram()
    {
        Offer(BusyProgram());
        Window.ReadSBtClick();
        Engine.Read();
        ASSERT_EQ(RampProgram, BusyProgram());
    }
    void Offer(const RampSoakProgram &program)
    {
        Engine.Parameters = {};
        Engine.Parameters[231] = static_cast<std::uint8_t>(program.StartPattern);
        for (size_t p = 0; p < 8; ++p) {
            Engine.Parameters[232 + p] = static_cast<std::uint8_t>(program.StepMax[p]);
            Engine.Parameters[240 + p] = static_cast<std::uint8_t>(program.LoopCount[p]);
            Engine.Parameters[248 + p] = static_cast<std::uint8_t>(program.LinkPattern[p]);
        }
        RampImage image{};
        EncodeSteps(program, image);
        std::copy_n(image.begin(), 256, Engine.Steps.begin());
    }

    ProgramSetGuard Guard;
    TestRampEngine Engine;
    TRampSoak Window;
    QStringList Messages;
    QStringList Errors;
};

TEST_F(RampTransferClientTest, AReadShowsItsProgressAndThenTheProgramSet)
{
    Offer(ExampleProgram());
    Engine.Parameters[231] = 0;
    Window.ReadSBtClick();
    EXPECT_EQ(Engine.Starts, 1);
    EXPECT_EQ(Engine.Running, TestRampEngine::Job::Read);
    EXPECT_EQ(Find<QLabel>("UpLoadLabelP")->text(), QStringLiteral("Reading Now"));
    EXPECT_TRUE(Shown("UpLoadLabelP"));
    EXPECT_TRUE(Shown("UpLoadBarP"));
    EXPECT_TRUE(AllLocked());
    EXPECT_TRUE(Enabled("RetBt"));

    Engine.Read(128);
    EXPECT_EQ(Bar(), 250);
    Engine.Read(127);
    EXPECT_EQ(Bar(), 498);
    Engine.Read(1 + 128);
    EXPECT_EQ(Bar(), 750);
    EXPECT_EQ(RampProgram, RampSoakProgram{});  // nothing taken before the end
    Engine.Read();
    EXPECT_EQ(Bar(), 1000);
    EXPECT_FALSE(Shown("UpLoadLabelP"));
    EXPECT_FALSE(Shown("UpLoadBarP"));
    EXPECT_TRUE(Unlocked());
    EXPECT_TRUE(Enabled("EditPBt"));

    EXPECT_EQ(RampProgram, ExampleProgram());
    EXPECT_EQ(RampProgramImage[256], 'B');
    EXPECT_EQ(Window.CellText(1, 1), QStringLiteral("1"));
    EXPECT_EQ(Window.CellText(1, 2), QStringLiteral("25.0"));
    EXPECT_EQ(Window.CellText(1, 5), QStringLiteral("01:30"));
    EXPECT_EQ(Window.CellText(1, 18), QStringLiteral("2"));
    EXPECT_EQ(Window.CellText(1, 19), QStringLiteral("Prog End"));
    EXPECT_EQ(Window.CellText(2, 19), QStringLiteral("Pattern 0"));
    EXPECT_TRUE(Window.Curve().Shown);
    EXPECT_TRUE(Shown("ProgCurve"));
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(RampTransferClientTest, TheStartPatternComesFromTheParameterBlock)
{
    RampSoakProgram program = ExampleProgram();
    program.StartPattern = 2;
    Offer(program);
    Window.ReadSBtClick();
    Engine.Read();
    EXPECT_EQ(RampProgram.StartPattern, 2);
    EXPECT_EQ(Find<QComboBox>("ProgStart")->currentIndex(), 2);
}

TEST_F(RampTransferClientTest, AWriteTakesEachValueWhenTheEngineAsks)
{
    ReadBusyProgram();
    RampProgram.SetValue[9] = -100;
    Window.WrBtClick();
    EXPECT_EQ(Engine.Running, TestRampEngine::Job::Write);
    EXPECT_EQ(Find<QLabel>("UpLoadLabelP")->text(), QStringLiteral("Writing Now"));
    EXPECT_TRUE(AllLocked());
    EXPECT_TRUE(Enabled("EditPBt"));
    Engine.Write(51);
    EXPECT_EQ(Bar(), 333);
    // The editor stays usable: a value edited before its register is
    // written goes out as edited.
    RampProgram.ExecuteTime[63] = 15;
    Engine.Write(101);
    EXPECT_TRUE(Shown("UpLoadBarP"));
    EXPECT_EQ(Bar(), 993);
    Engine.Write(1);
    EXPECT_FALSE(Shown("UpLoadBarP"));
    EXPECT_FALSE(Shown("UpLoadLabelP"));
    EXPECT_TRUE(Unlocked());
    ASSERT_EQ(Engine.Writes.size(), 153u);
    for (size_t i = 0; i < Engine.Writes.size(); ++i)
        EXPECT_EQ(Engine.Writes[i].first, 0x4767 + static_cast<int>(i));
    EXPECT_EQ(Engine.Writes[43], std::make_pair(0x4792, 0xFF9C));
    EXPECT_EQ(Engine.Writes[152], std::make_pair(0x47FF, 15));
    EXPECT_EQ(Status(), QStringLiteral("Ramp soak program written"));
    EXPECT_TRUE(Messages.isEmpty());
}

// Whatever loads a program set (from the controller or a file) shows the
// loaded value in the edit page: Enter afterwards never puts a value typed
// for the set before into the new one. The status line says where the set
// came from.
TEST_F(RampTransferClientTest, EveryLoadRefreshesTheEditPage)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("loaded.r$s"));
    RampSoakProgram loaded = ExampleProgram();
    loaded.SetValue[0] = 555;
    ASSERT_TRUE(SaveRampFile(path, loaded));
    Window.SetTransferHost(&Engine, [] { return 2; });
    Window.SetFileDialogs({[&](const FileChoice &) { return path; }});
    struct Load {
        const char *Told;
        std::function<void()> Run;
    };
    const Load loads[] = {
        {"Ramp soak program read from address 2", [&] {
             Offer(loaded);
             Window.ReadSBtClick();
             Engine.Read();
         }},
        {"Loaded from loaded.r$s", [&] { Window.ReadFBtClick(); }},
    };
    for (const Load &load : loads) {
        ReadBusyProgram();
        Find<QPushButton>("EditPBt")->click();
        Window.ProgTableClick(1, 2);  // pattern 0, set value 0
        auto *edit = Find<QLineEdit>("SPEdit");
        edit->setText(QStringLiteral("77.7"));  // typed, not entered
        load.Run();
        EXPECT_EQ(Window.CellText(1, 2), QStringLiteral("55.5")) << load.Told;
        EXPECT_EQ(edit->text(), QStringLiteral("55.5")) << load.Told;
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(RampProgram.SetValue[0], 555) << load.Told;
        EXPECT_EQ(Status(), QString::fromLatin1(load.Told));
    }
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(RampTransferClientTest, AReadThatFailsHalfWayKeepsTheTable)
{
    ReadBusyProgram();
    const QString before = Window.CellText(3, 2);
    Offer(ExampleProgram());
    Window.ReadSBtClick();
    Engine.Read(300);
    Engine.Fail();
    EXPECT_FALSE(Shown("UpLoadBarP"));
    EXPECT_FALSE(Shown("UpLoadLabelP"));
    EXPECT_TRUE(Unlocked());
    EXPECT_EQ(RampProgram, BusyProgram());
    EXPECT_EQ(Window.CellText(3, 2), before);
    // The box comes once the engine's call is over.
    EXPECT_TRUE(Messages.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(Messages, QStringList{MessageTable::RampTransferIncomplete});
    // A late word from the engine changes nothing.
    Window.RampReadProgress(256, 10);
    Window.RampReadDone({}, {});
    EXPECT_EQ(RampProgram, BusyProgram());
}

TEST_F(RampTransferClientTest, AFailedFirstReadLeavesNothingToSaveOrWrite)
{
    Window.ReadSBtClick();
    Engine.Read(10);
    Engine.Fail();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Enabled("ReadSBt"));
    EXPECT_TRUE(Enabled("ReadFBt"));
    EXPECT_FALSE(Enabled("SaveFBt"));
    EXPECT_FALSE(Enabled("WrBt"));
    EXPECT_FALSE(Enabled("EditPBt"));
    EXPECT_EQ(Messages.size(), 1);
}

TEST_F(RampTransferClientTest, AWriteThatFailsHalfWayEndsIt)
{
    ReadBusyProgram();
    Window.WrBtClick();
    Engine.Write(80);
    Engine.Fail();
    EXPECT_FALSE(Shown("UpLoadBarP"));
    EXPECT_TRUE(Unlocked());
    QCoreApplication::processEvents();
    EXPECT_EQ(Messages, QStringList{MessageTable::RampTransferIncomplete});
    Window.RampWriteProgress(153);  // late: ignored
    EXPECT_FALSE(Shown("UpLoadBarP"));
    // And the next write starts from its beginning.
    Window.WrBtClick();
    EXPECT_EQ(Engine.Starts, 3);
    Engine.Write();
    EXPECT_EQ(Engine.Writes.size(), 153u);
}

TEST_F(RampTransferClientTest, WithoutAControllerNothingStarts)
{
    ReadBusyProgram();
    Window.SetTransferHost(nullptr);
    Window.ReadSBtClick();
    Window.WrBtClick();
    EXPECT_EQ(Messages, QStringList(2, MessageTable::NoControllerSelected));
    EXPECT_FALSE(Shown("UpLoadBarP"));
    EXPECT_TRUE(Unlocked());

    Messages.clear();
    Window.SetTransferHost(&Engine);
    Engine.Available = false;  // the monitor has no controller selected
    Window.ReadSBtClick();
    Window.WrBtClick();
    EXPECT_EQ(Messages, QStringList(2, MessageTable::NoControllerSelected));
    EXPECT_FALSE(Shown("UpLoadBarP"));
    EXPECT_TRUE(Unlocked());
    EXPECT_EQ(RampProgram, BusyProgram());
}

TEST_F(RampTransferClientTest, WriteNeedsAProgramSet)
{
    Window.WrBtClick();
    EXPECT_EQ(Engine.Starts, 0);
    EXPECT_FALSE(Enabled("WrBt"));
}

TEST_F(RampTransferClientTest, TransfersGoOnWhileTheWindowIsHidden)
{
    ReadBusyProgram();
    Window.WrBtClick();
    Engine.Write(20);
    Find<QPushButton>("RetBt")->click();
    EXPECT_FALSE(Window.isVisible());
    Engine.Write();
    EXPECT_EQ(Engine.Writes.size(), 153u);
    Window.show();
    EXPECT_FALSE(Shown("UpLoadBarP"));
    EXPECT_TRUE(Unlocked());
}

} // namespace
