// The scan over a real pseudo-terminal served by qmvsim, with the program's
// own serial line code and the real clock. A pseudo-terminal keeps only the
// baud rate, the stop bits and odd parity, so a controller answers under
// every candidate that differs from its own in data bits or in even against
// no parity: the hits are checked against what the line can tell.
#include "QtSerialLine.h"
#include "ScanRig.h"
#include "SimOnPty.h"

#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace {

class ScanPtyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Sim.Valid());
        ASSERT_TRUE(Sim.Start({QStringLiteral("address=242,model=A,baud=9600,data=7,parity=even,stop=1,format=ascii"),
                               QStringLiteral("address=245,model=B,baud=19200,data=8,parity=odd,stop=1,format=rtu")}));
        ResetSharedState(1);
    }
    void TearDown() override { ResetSharedState(0); }

    // Runs one scan to its end on the real clock.
    std::set<int> RunScan(const Scan::Presets &presets)
    {
        TComPort port(DefaultClock(), QtSerialLineFactory());
        SetupLink link(port);
        port.OnTrigger = [&link](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
            RouteSetupTrigger(link, message, argument);
        };
        ScanEngine engine(link, SessionState, LinkSettings, View);
        engine.Start(presets);
        EXPECT_TRUE(QTest::qWaitFor([&engine] { return !engine.Searching(); }, 120'000));
        EXPECT_TRUE(View.FaultText.isEmpty()) << View.FaultText.toStdString();
        EXPECT_FALSE(port.Open());
        EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
        std::set<int> found;
        for (int row = 1; row <= engine.FoundCount(); ++row)
            found.insert(engine.FoundCandidate(row));
        return found;
    }

    SimOnPty Sim;
    RecordingView View;
};

TEST_F(ScanPtyTest, AsciiControllerAnswersWhereTheLineCannotTellItsSettingsApart)
{
    // F1H~F7H at 9600 with 1 stop bit in ASCII: three parities x two lengths.
    const std::set<int> found = RunScan(Scan::Presets{16, 0, -1, -1, 0, 0});
    // Even or no parity, 7 or 8 data bits: 9600 7E1 (5), 7N1 (10), 8E1 (20),
    // 8N1 (25). Odd parity is told apart.
    EXPECT_EQ(found, (std::set<int>{5, 10, 20, 25}));
    for (const RecordingView::Hit &hit : View.Hits)
        EXPECT_EQ(hit.Address, QStringLiteral("F2H"));
    EXPECT_EQ(View.EndText, QStringLiteral("Search Completed,Found 4 items"));
}

TEST_F(ScanPtyTest, RtuControllerWithOddParityIsFoundOnlyUnderOddParity)
{
    // F1H~F7H at 19200 with 1 stop bit in RTU: three parities.
    const std::set<int> found = RunScan(Scan::Presets{16, 1, -1, 1, 0, 1});
    EXPECT_EQ(found, (std::set<int>{76}));  // 19200 8O1 RTU
    ASSERT_EQ(View.Hits.size(), 1u);
    EXPECT_EQ(View.Hits[0].Address, QStringLiteral("F5H"));
    EXPECT_EQ(View.Hits[0].Protocol, QStringLiteral("19200,8,O,1,  RTU"));
}

TEST_F(ScanPtyTest, BaudAndStopBitsAreToldApart)
{
    // F1H~F7H in ASCII with 2 stop bits or at other rates: nobody answers.
    const std::set<int> found = RunScan(Scan::Presets{16, 2, 1, 0, -1, 0});  // 38400, even, 7 bits
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(View.EndText, QStringLiteral("Search Completed,Found 0 items"));
}

TEST_F(ScanPtyTest, TheDevicePulledDuringASearchIsReportedOnceAndTheDialogStaysUsable)
{
    QStringList reported;
    SetErrorReporter([&](const QString &text) { reported << text; });
    TComPort port(DefaultClock(), QtSerialLineFactory());
    SetupLink link(port);
    port.OnTrigger = [&link](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
        RouteSetupTrigger(link, message, argument);
    };
    {
        ScanEngine engine(link, SessionState, LinkSettings, View);
        engine.Start(Scan::Presets{});  // everything: it would run for hours
        ASSERT_TRUE(QTest::qWaitFor([&engine] { return engine.ProbesDone() >= 20; }, 30'000));
        Sim.Process.terminate();  // the simulator ends and takes its pseudo-terminal away
        ASSERT_TRUE(Sim.Process.waitForFinished(5000));
        EXPECT_TRUE(QTest::qWaitFor([&engine] { return !engine.Searching(); }, 10'000));
        QTest::qWait(300);
        EXPECT_FALSE(View.FaultText.isEmpty());
        EXPECT_TRUE(View.EndText.isEmpty());
        EXPECT_TRUE(reported.isEmpty()) << reported.join('|').toStdString();
        EXPECT_FALSE(port.Open());
        EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    }
    SetErrorReporter({});
    // A new search with the device back finds its controller.
    ASSERT_TRUE(Sim.Start({QStringLiteral("address=242,model=A,baud=9600,data=7,parity=even,stop=1,format=ascii")}));
    View = RecordingView{};
    EXPECT_EQ(RunScan(Scan::Presets{16, 0, 1, 0, 0, 0}), (std::set<int>{5}));
}

} // namespace
