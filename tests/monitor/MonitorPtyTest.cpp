// The monitor over a real pseudo-terminal served by qmvsim with the demo
// bus, through the program's own serial line code on the real clock. Every
// wait polls the event loop up to a deadline.
#include "RealLineMonitor.h"
#include "SimOnPty.h"
#include "StatusDisplay.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class MonitorPtyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Sim.Valid());
        // The demo bus the program is tried out on.
        ASSERT_TRUE(Sim.Start({QStringLiteral("address=1,model=A"), QStringLiteral("address=2,model=B"),
                               QStringLiteral("address=3,model=C,keys=1"),
                               QStringLiteral("address=17,model=B,baud=19200,data=8,parity=even,format=rtu")}));
    }

    SimOnPty Sim;
};

TEST_F(MonitorPtyTest, DemoControllersAreIdentifiedAndReadUntilTheLineGoes)
{
    RealLineMonitor monitor(TLinkSettings{1, 9600, 7, 1, 1, false});  // COM1, 9600 7E1 ASCII
    const MonitorEngine &engine = *monitor.Engine;
    monitor.Connect(0, 1);
    monitor.Connect(1, 2);
    monitor.Connect(2, 3);
    ASSERT_TRUE(monitor.Port.Open()) << monitor.Faults.join('|').toStdString();
    EXPECT_EQ(SessionState.ActiveModule, ModuleMonitor);

    struct Expected {
        std::uint8_t Model;
        // The simulated controllers' factory set values: model A's input
        // type shows whole degrees, B and C show tenths.
        const char *SetValue;
    };
    const Expected expected[3] = {{ModelA, "100"}, {ModelB, "150.0"}, {ModelC, "80.0"}};
    const auto shown = [&](int s) {
        const MonitorSlot &slot = engine.Slot(s);
        const SlotView &view = engine.View(s);
        return slot.SlotModel == expected[s].Model && slot.ProcessValue != 0
            && view.PvText == ScaledValueText(slot.ProcessValue, slot.DecimalsCode)
            && view.SvText == QLatin1String(expected[s].SetValue);
    };
    const bool ready = QTest::qWaitFor(
        [&] { return shown(0) && shown(1) && shown(2) && engine.Page().Shown; }, 60'000);
    for (int s = 0; s < 3; ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(engine.Slot(s).SlotModel, expected[s].Model);
        EXPECT_EQ(engine.View(s).SvText.toStdString(), expected[s].SetValue);
        EXPECT_FALSE(engine.View(s).PvText.isEmpty());
        EXPECT_EQ(engine.Slot(s).ErrorCount, 0);
        EXPECT_GT(engine.Slot(s).ExecCount, 0);
    }
    ASSERT_TRUE(ready) << engine.Message().toStdString();
    // The page is that of the first slot connected, read from the controller.
    EXPECT_EQ(engine.SelectedSlot(), 0);
    EXPECT_EQ(engine.Page()[Pc::SV].Text, QStringLiteral("100"));
    EXPECT_EQ(engine.Large().SvText, QStringLiteral("100"));
    EXPECT_EQ(engine.Message(), QStringLiteral("NO Error !!!"));  // nothing went wrong since the window showed
    EXPECT_TRUE(monitor.Faults.isEmpty()) << monitor.Faults.join('|').toStdString();

    // The device goes away in the middle of polling.
    Sim.Process.kill();
    ASSERT_TRUE(Sim.Process.waitForFinished(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !monitor.Faults.isEmpty(); }, 10'000));
    // Let whatever the port still had scheduled run out before counting.
    (void)QTest::qWaitFor([] { return !DefaultClock().HasPendingTasks(); }, 5000);
    QCoreApplication::processEvents();
    ASSERT_EQ(monitor.Faults.size(), 1) << monitor.Faults.join('|').toStdString();
    EXPECT_TRUE(monitor.Faults.front().startsWith(QLatin1String("Serial line"))) << monitor.Faults.front().toStdString();
    EXPECT_FALSE(monitor.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_EQ(engine.ActiveSlotCount(), 0);
    EXPECT_FALSE(engine.AwaitingReply());
    EXPECT_FALSE(engine.Timer1Enabled());
    for (int s = 0; s < SlotCount; ++s)
        EXPECT_FALSE(engine.Slot(s).SlotConnected) << s;
}

} // namespace
