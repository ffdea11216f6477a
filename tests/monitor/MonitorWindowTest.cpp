// The monitor window driven as a user drives it, against the simulated
// controllers on the virtual clock: what the slots, the front panel and the
// parameter page show, and that typed values and list choices reach the
// controller.
#include "MessageTable.h"
#include "MonitorWindowRig.h"
#include "Ramp.h"
#include "StatusDisplay.h"

#include <QGroupBox>
#include <QMenu>
#include <QRadioButton>

namespace {

using namespace MonitorColors;

class ThreeModels : public MonitorWindowTest {
protected:
    ThreeModels()
    {
        Add(1, Model::A);
        Add(2, Model::B);
        Add(3, Model::C).SetSecurity(8, 1);
        Connect(0, 1);
        Connect(1, 2);
        Connect(2, 3);
    }
    void Select(int slot)
    {
        emit Find<ColorPanel>(QStringLiteral("Adr%1Lb").arg(slot))->Clicked();
        ASSERT_EQ(Window->Engine().SelectedSlot(), slot);
        ASSERT_TRUE(RunUntilPageRead());
    }
};

TEST_F(ThreeModels, EachSlotShowsItsController)
{
    ASSERT_TRUE(RunUntilPageRead());
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(Text(QStringLiteral("RunBt%1").arg(s)), MessageTable::CancelText);
        EXPECT_EQ(Action(QStringLiteral("Device%1").arg(s) + QLatin1Char('1'))->text(), QStringLiteral("DEVICE %1 (ACTIVE)").arg(s + 1));
        EXPECT_EQ(Find<ColorPanel>(QStringLiteral("Adr%1Lb").arg(s))->Color(), SkyBlue);
        EXPECT_EQ(Text(QStringLiteral("DegLb%1").arg(s)), QStringLiteral("C"));
    }
    EXPECT_EQ(Text(QStringLiteral("RunBt3")), MessageTable::ConnectText);
    EXPECT_EQ(Action(QStringLiteral("Device31"))->text(), QStringLiteral("DEVICE 4"));
    EXPECT_EQ(Find<ColorPanel>(QStringLiteral("Adr3Lb"))->Color(), Gray);
    EXPECT_EQ(LedColour(QStringLiteral("RunLED1")), Green);
    EXPECT_EQ(LedColour(QStringLiteral("RunLED3")), Gray);
    EXPECT_EQ(Find<QFrame>(QStringLiteral("SelPanel0"))->palette().color(QPalette::Window), Yellow);
    EXPECT_EQ(Find<QFrame>(QStringLiteral("SelPanel1"))->palette().color(QPalette::Window), Silver);

    // Set values as the controllers hold them: model A in whole degrees
    // (its input type has no tenths), B and C in tenths.
    EXPECT_EQ(Text(QStringLiteral("SV0")), ScaledValueText(*Bus.Find(1)->Peek(0x4701), 255));
    EXPECT_EQ(Text(QStringLiteral("SV1")), ScaledValueText(*Bus.Find(2)->Peek(0x4701), 1));
    EXPECT_EQ(Text(QStringLiteral("SV2")), ScaledValueText(*Bus.Find(3)->Peek(0x4701), 1));
    // The selected slot on the front panel.
    EXPECT_EQ(Text(QStringLiteral("PVDisp")), Text(QStringLiteral("PV0")));
    EXPECT_EQ(Text(QStringLiteral("SVDisp")), Text(QStringLiteral("SV0")));
    EXPECT_EQ(LedColour(QStringLiteral("DegC")), Yellow);
    EXPECT_EQ(LedColour(QStringLiteral("DegF")), Gray);
    // Model A has one output; the model C here has output 2 as an alarm.
    EXPECT_TRUE(Shown(QStringLiteral("OUT10")));
    EXPECT_FALSE(Shown(QStringLiteral("OUT20")));
    EXPECT_TRUE(Shown(QStringLiteral("O1Lb2")));
    EXPECT_FALSE(Shown(QStringLiteral("O2Lb2")));
    EXPECT_TRUE(Shown(QStringLiteral("ALM2LED2")));
    EXPECT_FALSE(Shown(QStringLiteral("ALM1LED2")));
    EXPECT_EQ(Find<OutputGauge>(QStringLiteral("OUT10"))->Position(), Window->Engine().View(0).Out1Level);
    EXPECT_TRUE(Shown(QStringLiteral("Out1Qty")));
    EXPECT_FALSE(Shown(QStringLiteral("Out2Qty")));
    KeepScreenshot(*Window, QStringLiteral("monitor-model-a.png"));
}

TEST_F(ThreeModels, EachModelHasItsPage)
{
    ASSERT_TRUE(RunUntilPageRead());
    const auto hidden = [this](const char *name) { return Find(QString::fromLatin1(name))->isHidden(); };
    EXPECT_TRUE(Shown(QStringLiteral("ParaPL")));
    EXPECT_FALSE(hidden("InputA"));
    EXPECT_TRUE(hidden("InputB"));
    EXPECT_TRUE(hidden("Pointer"));
    EXPECT_TRUE(hidden("PointerLb"));
    EXPECT_TRUE(hidden("SALMode"));
    EXPECT_TRUE(hidden("Hyst2"));
    EXPECT_TRUE(hidden("SecurityPL"));
    EXPECT_EQ(Text(QStringLiteral("HeatCoolLb")), QStringLiteral("Heat/Cool"));
    EXPECT_EQ(Text(QStringLiteral("FWVersion")), QStringLiteral("F/W Version 1.10"));
    EXPECT_TRUE(Find(QStringLiteral("CtrlBox"))->isEnabled());

    Select(1);
    KeepScreenshot(*Window, QStringLiteral("monitor-model-b.png"));
    EXPECT_TRUE(hidden("InputA"));
    EXPECT_FALSE(hidden("InputB"));
    EXPECT_FALSE(hidden("Pointer"));
    EXPECT_FALSE(hidden("SALMode"));
    EXPECT_FALSE(hidden("ALM3Mode"));  // a single output leaves the third alarm
    EXPECT_TRUE(hidden("HCPeriodPID2"));
    EXPECT_TRUE(hidden("SecurityPL"));
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("InputB"))->currentIndex(), *Bus.Find(2)->Peek(0x4718));
    EXPECT_EQ(Text(QStringLiteral("PVDisp")), Text(QStringLiteral("PV1")));

    Select(2);
    KeepScreenshot(*Window, QStringLiteral("monitor-model-c.png"));
    EXPECT_TRUE(hidden("HeatCool"));
    EXPECT_FALSE(hidden("Out1Sel"));
    EXPECT_FALSE(hidden("Out2Sel"));
    EXPECT_EQ(Text(QStringLiteral("HeatCoolLb")), QStringLiteral("Out1"));
    EXPECT_EQ(Text(QStringLiteral("ComWLb")), QStringLiteral("Out2"));
    EXPECT_FALSE(hidden("SecurityPL"));
    EXPECT_TRUE(hidden("SALMode"));
    // Output 1 heats, output 2 is the alarm: only alarm 2 is set here.
    EXPECT_TRUE(hidden("ALM1Mode"));
    EXPECT_FALSE(hidden("ALM2Mode"));
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("SLevel0"))->isChecked());
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("Pass1"))->currentText(), QStringLiteral("Enable"));
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("Pass2"))->currentText(), QStringLiteral("Disable"));
}

TEST_F(MonitorWindowTest, ALockedModelCShowsOnlyWhatItMay)
{
    Add(3, Model::C).SetSecurity(1, 1);
    Connect(0, 3);
    ASSERT_TRUE(RunUntil([&] { return Shown(QStringLiteral("ParaPL")); }));
    KeepScreenshot(*Window, QStringLiteral("monitor-model-c-locked.png"));
    EXPECT_EQ(Text(QStringLiteral("Pb")), QStringLiteral("?"));
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("CtrlSet"))->currentIndex(), -1);
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("LockStatus"))->currentText(), QStringLiteral("Lock All"));
    EXPECT_FALSE(Find(QStringLiteral("CtrlBox"))->isEnabled());
    EXPECT_FALSE(Find(QStringLiteral("SV"))->isEnabled());
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("SLevel3"))->isChecked());
    // "UPLOAD" and the ramp/soak editor are closed to a locked controller.
    EXPECT_FALSE(Action(QStringLiteral("UPLOAD1"))->isEnabled());
    EXPECT_FALSE(Action(QStringLiteral("RampSoakprogram1"))->isEnabled());
}

TEST_F(MonitorWindowTest, ATypedSetValueIsWrittenAndReadBack)
{
    SimController &c = Add(2, Model::B);
    Connect(0, 2);
    ASSERT_TRUE(RunUntilPageRead());
    TypeAndEnter(QStringLiteral("SV"), QStringLiteral("50.0"));
    EXPECT_EQ(Text(QStringLiteral("SV")), QStringLiteral("50.0"));  // until the page is read again
    ASSERT_TRUE(RunUntil([&] { return c.Peek(0x4701) == 500; }));
    EXPECT_TRUE(std::any_of(Log.Sent.begin(), Log.Sent.end(), [](const SentRequest &r) {
        return r == SentRequest{2, 0x06, 0x4701, 500};
    }));
    ASSERT_TRUE(RunUntilPageRead());
    EXPECT_EQ(Text(QStringLiteral("SV")), QStringLiteral("50.0"));
    ASSERT_TRUE(RunUntil([&] { return Text(QStringLiteral("SV0")) == QStringLiteral("50.0"); }));

    // Nonsense is not written; the field gets the controller's value back.
    const size_t before = Log.Sent.size();
    TypeAndEnter(QStringLiteral("Pb"), QStringLiteral("abc"));
    EXPECT_EQ(Text(QStringLiteral("Pb")), QStringLiteral("abc"));
    ASSERT_TRUE(RunUntilPageRead());
    EXPECT_EQ(Text(QStringLiteral("Pb")), ScaledValueText(*c.Peek(0x470C), 1));
    for (size_t i = before; i < Log.Sent.size(); ++i)
        EXPECT_NE(Log.Sent[i].Function, 0x06);
}

TEST_F(MonitorWindowTest, AListChoiceIsWritten)
{
    SimController &c = Add(2, Model::B);
    Connect(0, 2);
    ASSERT_TRUE(RunUntilPageRead());
    ASSERT_NE(c.Peek(0x4720), 3);
    ChooseItem(QStringLiteral("ALM1Mode"), 3);
    ASSERT_TRUE(RunUntil([&] { return c.Peek(0x4720) == 3; }));
    ASSERT_TRUE(RunUntilPageRead());
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("ALM1Mode"))->currentText(), QStringLiteral("Down Limit"));
}

TEST_F(MonitorWindowTest, ARunningProgramTakesTheSetValuesPlace)
{
    SimController &c = Add(2, Model::B);
    c.SetProgramMinuteMs(60'000);
    Connect(0, 2);
    ASSERT_TRUE(RunUntilPageRead());
    EXPECT_FALSE(Find(QStringLiteral("SV"))->isHidden());
    EXPECT_TRUE(Find(QStringLiteral("ProgDisp"))->isHidden());
    ASSERT_TRUE(c.Poke(0x4719, 3));  // ramp/soak control, running
    ASSERT_TRUE(RunUntil([&] { return !Find(QStringLiteral("ProgDisp"))->isHidden(); }));
    EXPECT_TRUE(Find(QStringLiteral("SV"))->isHidden());
    KeepScreenshot(*Window, QStringLiteral("monitor-program.png"));
    // Pattern and step, as on the controller's display.
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("ProgDisp"))->currentIndex(), 0);
    EXPECT_TRUE(Text(QStringLiteral("SVDisp")).contains(QLatin1Char('-'))) << Text(QStringLiteral("SVDisp")).toStdString();
    // Another display mode chosen there is written and stays chosen.
    ChooseItem(QStringLiteral("ProgDisp"), 2);
    ASSERT_TRUE(RunUntil([&] { return c.Peek(0x4762) == 2; }));
    ASSERT_TRUE(RunUntil([&] { return Text(QStringLiteral("SVDisp")).contains(QLatin1Char(':')); }));
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("ProgDisp"))->currentIndex(), 2);
}

TEST_F(MonitorWindowTest, ExitWaitsForTheOutstandingReply)
{
    Add(1, Model::A);
    Connect(0, 1);
    ASSERT_TRUE(Window->Engine().AwaitingReply());
    Action(QStringLiteral("Close2"))->trigger();
    EXPECT_TRUE(Window->isVisible());
    EXPECT_EQ(SessionState.ActiveModule, ModuleMonitor);
    ASSERT_TRUE(RunUntil([&] { return !Window->isVisible(); }));
    EXPECT_FALSE(Window->ComPort1.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    const size_t sent = Log.Sent.size();
    Clock.Advance(3000);
    EXPECT_EQ(Log.Sent.size(), sent);
    // "CANCEL" does nothing; shown again, the window starts afresh.
    Window->show();
    EXPECT_EQ(Text(QStringLiteral("RunBt0")), MessageTable::ConnectText);
    EXPECT_FALSE(Action(QStringLiteral("UPLOAD1"))->isEnabled());
    Action(QStringLiteral("CANCEL1"))->trigger();
    EXPECT_TRUE(Window->isVisible());
}

TEST_F(MonitorWindowTest, APortThatCannotOpenIsReportedOnceAndLetGo)
{
    LinkSettings.PortNumber = 9;  // no such port
    Connect(0, 1);
    EXPECT_EQ(TakeMessages(), QStringList{QStringLiteral("|ie_BadId - Specified comport doesn't exist")});
    EXPECT_EQ(Text(QStringLiteral("RunBt0")), MessageTable::ConnectText);
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_FALSE(Find<QMenu>(QStringLiteral("PARAMETERS1"))->menuAction()->isEnabled());
}

TEST_F(MonitorWindowTest, ADroppedSlotHandsTheFrontPanelOn)
{
    SimController &a = Add(1, Model::A);
    Add(2, Model::B);
    Connect(0, 1);
    Connect(1, 2);
    ASSERT_TRUE(RunUntilPageRead());
    a.Faults().Add({Fault::Silence});
    ASSERT_TRUE(RunUntil([&] { return Text(QStringLiteral("RunBt0")) == MessageTable::ConnectText; }));
    EXPECT_EQ(LedColour(QStringLiteral("RunLED0")), Gray);
    EXPECT_EQ(Text(QStringLiteral("PV0")), QStringLiteral("0"));
    EXPECT_EQ(Find<QFrame>(QStringLiteral("SelPanel1"))->palette().color(QPalette::Window), Yellow);
    ASSERT_TRUE(RunUntilPageRead());
    EXPECT_FALSE(Find(QStringLiteral("SALMode"))->isHidden());  // model B's page now
    EXPECT_EQ(Text(QStringLiteral("SVDisp")), Text(QStringLiteral("SV1")));
}

TEST_F(MonitorWindowTest, TheDeviceMenuConnectsAndCancelsSlots)
{
    Add(4, Model::B);
    Find<QSpinBox>(QStringLiteral("ComAddr3"))->setValue(4);
    Action(QStringLiteral("Device31"))->trigger();
    EXPECT_EQ(Text(QStringLiteral("RunBt3")), MessageTable::CancelText);
    EXPECT_EQ(Action(QStringLiteral("Device31"))->text(), QStringLiteral("DEVICE 4 (ACTIVE)"));
    EXPECT_TRUE(Find<QMenu>(QStringLiteral("FILE1"))->menuAction()->isEnabled());
    EXPECT_TRUE(Action(QStringLiteral("SETTING1"))->isChecked());
    ASSERT_TRUE(RunUntilPageRead());
    Action(QStringLiteral("Device31"))->trigger();
    EXPECT_EQ(Text(QStringLiteral("RunBt3")), MessageTable::ConnectText);
    EXPECT_EQ(Action(QStringLiteral("Device31"))->text(), QStringLiteral("DEVICE 4"));
    EXPECT_FALSE(Find<QMenu>(QStringLiteral("VIEW1"))->menuAction()->isEnabled());
    EXPECT_FALSE(Action(QStringLiteral("SETTING1"))->isChecked());
    EXPECT_FALSE(Shown(QStringLiteral("ParaPL")));
    RunFor(2000);
    EXPECT_FALSE(Window->ComPort1.Open());
    EXPECT_EQ(Text(QStringLiteral("PVDisp")), QString());
}

TEST_F(MonitorWindowTest, RampSoakProgramOpensTheEditorOnTheSelectedController)
{
    TRampSoak editor;
    RampSoak = &editor;
    Add(2, Model::B);
    Connect(0, 2);
    ASSERT_TRUE(RunUntilPageRead());
    ASSERT_TRUE(Action(QStringLiteral("RampSoakprogram1"))->isEnabled());
    Action(QStringLiteral("RampSoakprogram1"))->trigger();
    EXPECT_TRUE(editor.isVisible());
    // The editor reads through the monitor's engine.
    EXPECT_TRUE(Window->Engine().StartRampRead(editor));
    ASSERT_TRUE(RunUntil([&] { return !Window->Engine().TransferRunning(); }, 120'000));
    editor.hide();
    editor.SetTransferHost(nullptr);
    RampSoak = nullptr;
}

TEST_F(MonitorWindowTest, ControlsAreScaledByTheLayoutWidth)
{
    EXPECT_EQ(LayoutWidth, Window->width());
    const double scale = Window->ControlScale();
    EXPECT_DOUBLE_EQ(scale, LayoutWidth / 808.0);
    EXPECT_EQ(Find(QStringLiteral("ComAddr2"))->height(), ScaledPx(22, scale));
    EXPECT_EQ(Find(QStringLiteral("DrawIme"))->width(), LayoutWidth * 785 / 808);
    Add(2, Model::B);
    Connect(0, 2);
    ASSERT_TRUE(RunUntil([&] { return !Text(QStringLiteral("PVDisp")).isEmpty(); }));
    EXPECT_DOUBLE_EQ(Find(QStringLiteral("PVDisp"))->font().pointSizeF(), 32 * scale);
    EXPECT_DOUBLE_EQ(Find(QStringLiteral("PV0"))->font().pointSizeF(), 10 * scale);
}

} // namespace
