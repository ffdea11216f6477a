// The ramp/soak editor's transfers carried by the monitor's engine, end to
// end: the editor window, the engine and a simulated model B controller.
#include "MessageBoxes.h"
#include "MonitorRig.h"
#include "Ramp.h"
#include "RampProgram.h"
#include "RampTransferRules.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

class RampThroughEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        RampProgram = RampSoakProgram{};
        RampProgramImage = RampImage{};
        SetMessageSink([this](const QString &text, const QString &) { Messages << text; });
        Editor.SetTransferHost(Rig.Engine.get());
        Controller.SetNoise(false);
    }
    void TearDown() override
    {
        Editor.SetTransferHost(nullptr);
        SetMessageSink({});
        RampProgram = RampSoakProgram{};
        RampProgramImage = RampImage{};
    }
    void Click(const char *name) { Editor.findChild<QPushButton *>(QString::fromLatin1(name))->click(); }
    bool Idle() const { return Editor.findChild<QPushButton *>("ReadSBt")->isEnabled(); }

    MonitorRig Rig;
    SimController &Controller = Rig.Add(2, Model::B);
    TRampSoak Editor;
    QStringList Messages;
};

TEST_F(RampThroughEngine, ReadEditWriteAndReadAgain)
{
    Rig.Connect(0, 2);
    ASSERT_TRUE(Rig.RunUntil([&] { return Rig.Engine->Page().Shown; }, 60'000));
    const auto before = Controller.RampBlock();

    Click("ReadSBt");
    EXPECT_FALSE(Idle());
    ASSERT_TRUE(Rig.RunUntil([&] { return Idle(); }, 600'000));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), RampProgramImage.begin()));
    EXPECT_EQ(RampProgram.StepMax[0], Controller.ParameterBlock()[232]);

    // An edit in the program set, written back register by register.
    RampProgram.SetValue[9] = -100;
    RampProgram.ExecuteTime[63] = 45;
    RampProgram.LoopCount[3] = 12;
    const RampSoakProgram edited = RampProgram;
    Click("WrBt");
    ASSERT_TRUE(Rig.RunUntil([&] { return Idle(); }, 600'000));
    EXPECT_EQ(Controller.Peek(0x4792), 0xFF9C);
    EXPECT_EQ(Controller.Peek(0x47FF), 45);
    EXPECT_EQ(Controller.Peek(0x4770 + 3), 12);

    // Read again: the same program set comes back.
    RampProgram = RampSoakProgram{};
    Click("ReadSBt");
    ASSERT_TRUE(Rig.RunUntil([&] { return Idle(); }, 600'000));
    EXPECT_EQ(RampProgram.SetValue, edited.SetValue);
    EXPECT_EQ(RampProgram.ExecuteTime, edited.ExecuteTime);
    EXPECT_EQ(RampProgram.LoopCount, edited.LoopCount);
    EXPECT_EQ(RampProgram.LinkPattern, edited.LinkPattern);
    EXPECT_EQ(RampProgram.StepMax, edited.StepMax);
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join('|').toStdString();
}

TEST_F(RampThroughEngine, ADroppedControllerEndsTheTransferAndTheEditorSaysSo)
{
    Rig.Connect(0, 2);
    ASSERT_TRUE(Rig.RunUntil([&] { return Rig.Engine->Page().Shown; }, 60'000));
    Click("ReadSBt");
    ASSERT_TRUE(Rig.RunRequests(50));
    Controller.Faults().Add({Fault::Silence});
    ASSERT_TRUE(Rig.RunUntil([&] { return Idle(); }, 60'000));
    QCoreApplication::processEvents();  // the editor tells once the engine's call has returned
    EXPECT_FALSE(Rig.Engine->Slot(0).SlotConnected);
    EXPECT_FALSE(Messages.isEmpty());
    // With no controller left, nothing starts.
    Click("ReadSBt");
    EXPECT_TRUE(Idle());
}

} // namespace
