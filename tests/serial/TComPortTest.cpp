#include "ErrorReport.h"
#include "EventClock.h"
#include "FakePeer.h"
#include "TComPort.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

struct Event {
    qint64 AtMs;
    std::uint16_t Message;
    std::uint16_t Argument;
};

class TComPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Port.SetComNumber(1);
        Port.OnTrigger = [this](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
            Events.push_back({Clock.NowMs(), message, argument});
            if (message == TComPort::TriggerAvail && ReadAll) {
                for (int i = 0; i < argument; ++i)
                    Received += static_cast<char>(Port.GetChar());
            }
            if (OnEvent)
                OnEvent(message, argument);
        };
    }
    void TearDown() override { SetErrorReporter(nullptr); }

    std::vector<Event> Of(std::uint16_t message) const
    {
        std::vector<Event> found;
        for (const Event &e : Events) {
            if (e.Message == message)
                found.push_back(e);
        }
        return found;
    }

    VirtualClock Clock{55 * 1000};  // on a tick boundary
    FakePeer Peer;
    TComPort Port{Clock, InProcessLineFactory(&Peer)};
    std::vector<Event> Events;
    std::function<void(std::uint16_t, std::uint16_t)> OnEvent;
    QByteArray Received;
    bool ReadAll = true;
};

TEST_F(TComPortTest, TimerFiresOnceBetweenTicksAfterArming)
{
    // Armed anywhere within a tick: n ticks expire 110-165 ms later for n = 2.
    for (qint64 offset : {0, 1, 30, 54}) {
        Events.clear();
        Port.SetOpen(true);
        const std::uint16_t handle = Port.AddTimerTrigger();
        Clock.AdvanceTo((Clock.NowMs() / 55 + 1) * 55 + offset);
        const qint64 armed = Clock.NowMs();
        Port.SetTimerTrigger(handle, 2, true);
        Clock.Advance(1000);
        const auto timers = Of(TComPort::TriggerTimer);
        ASSERT_EQ(timers.size(), 1u) << offset;
        EXPECT_EQ(timers[0].Argument, handle);
        EXPECT_GE(timers[0].AtMs - armed, 110) << offset;
        EXPECT_LE(timers[0].AtMs - armed, 165) << offset;
        Port.SetOpen(false);
    }
}

TEST_F(TComPortTest, RearmingRestartsTheDeadline)
{
    Port.SetOpen(true);
    const std::uint16_t handle = Port.AddTimerTrigger();
    Port.SetTimerTrigger(handle, 2, true);
    Clock.Advance(100);
    const qint64 rearmed = Clock.NowMs();
    Port.SetTimerTrigger(handle, 0, true);  // 0 keeps the stored duration
    Clock.Advance(1000);
    const auto timers = Of(TComPort::TriggerTimer);
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_GE(timers[0].AtMs - rearmed, 110);
    EXPECT_LE(timers[0].AtMs - rearmed, 165);
}

TEST_F(TComPortTest, DataBeforeTimerAndDisarmingInsideTheDataEvent)
{
    Port.SetOpen(true);
    // The bytes arrive in the very millisecond the deadline expires, so one
    // check finds both.
    Clock.CallAt(Clock.NowMs() + 165, [&] { Peer.Deliver("abc"); });
    const std::uint16_t handle = Port.AddTimerTrigger();
    Port.SetTimerTrigger(handle, 2, true);
    OnEvent = [&](std::uint16_t message, std::uint16_t) {
        if (message == TComPort::TriggerAvail)
            Port.SetTimerTrigger(handle, 2, false);
    };
    Clock.Advance(1000);
    ASSERT_EQ(Events.size(), 1u);
    EXPECT_EQ(Events[0].Message, TComPort::TriggerAvail);
    EXPECT_EQ(Events[0].Argument, 3);
}

TEST_F(TComPortTest, DisarmedInALongHandlerAfterExpiryRaisesNoTimer)
{
    Port.SetOpen(true);
    const std::uint16_t handle = Port.AddTimerTrigger();
    Port.SetTimerTrigger(handle, 2, true);
    OnEvent = [&](std::uint16_t message, std::uint16_t) {
        if (message != TComPort::TriggerAvail)
            return;
        // The handler takes long (a message box, say): the deadline passes
        // while it runs, and other timed work goes on meanwhile.
        Clock.Advance(300);
        Port.SetTimerTrigger(handle, 2, false);
    };
    Clock.CallAfter(50, [&] { Peer.Deliver("x"); });
    Clock.Advance(1000);
    EXPECT_TRUE(Of(TComPort::TriggerTimer).empty());
    EXPECT_EQ(Of(TComPort::TriggerAvail).size(), 1u);
}

TEST_F(TComPortTest, ChunksRaiseOneEventPerCheck)
{
    Port.SetOpen(true);
    Clock.CallAfter(10, [&] { Peer.Deliver("1234"); });
    Clock.CallAfter(30, [&] { Peer.Deliver("56789"); });
    Clock.Advance(100);
    auto data = Of(TComPort::TriggerAvail);
    ASSERT_EQ(data.size(), 2u);
    EXPECT_EQ(data[0].Argument, 4);
    EXPECT_EQ(data[1].Argument, 5);

    Events.clear();
    Clock.CallAfter(10, [&] {
        Peer.Deliver("1234");
        Peer.Deliver("56789");
    });
    Clock.Advance(100);
    data = Of(TComPort::TriggerAvail);
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data[0].Argument, 9);
    EXPECT_EQ(Received, "123456789123456789");
}

TEST_F(TComPortTest, UnreadBytesAreCountedAgainWithNewOnes)
{
    ReadAll = false;
    Port.SetOpen(true);
    Clock.CallAfter(10, [&] { Peer.Deliver("ab"); });
    Clock.CallAfter(20, [&] { Peer.Deliver("c"); });
    Clock.Advance(100);
    const auto data = Of(TComPort::TriggerAvail);
    ASSERT_EQ(data.size(), 2u);
    EXPECT_EQ(data[1].Argument, 3);
    EXPECT_EQ(Port.GetChar(), 'a');
}

TEST_F(TComPortTest, ClosingInsideAHandlerStopsFurtherEvents)
{
    Port.SetOpen(true);
    const std::uint16_t first = Port.AddTimerTrigger();
    const std::uint16_t second = Port.AddTimerTrigger();
    Port.SetTimerTrigger(first, 1, true);
    Port.SetTimerTrigger(second, 1, true);
    OnEvent = [&](std::uint16_t, std::uint16_t) { Port.SetOpen(false); };
    Clock.CallAfter(120, [&] { Peer.Deliver("late"); });
    Clock.Advance(1000);
    ASSERT_EQ(Events.size(), 1u);
    EXPECT_EQ(Events[0].Message, TComPort::TriggerTimer);
    EXPECT_FALSE(Port.Open());
}

TEST_F(TComPortTest, ServiceErrorsCarryTheirTexts)
{
    auto textOf = [](const std::function<void()> &action) {
        try {
            action();
        } catch (const ComError &e) {
            return e.Text();
        }
        return QStringLiteral("<no error>");
    };
    Port.SetOpen(true);
    EXPECT_EQ(textOf([&] { Port.GetChar(); }), "Buffer is empty");
    EXPECT_EQ(textOf([&] { Port.SetTimerTrigger(77, 1, true); }), "Bad trigger handle");
    const QByteArray big(4097, 'x');
    EXPECT_EQ(textOf([&] { Port.PutBlock(big); }), "Output buffer too small for block");
    EXPECT_EQ(textOf([&] { Port.PutBlock(QByteArray(4096, 'x')); }), "<no error>");

    TComPort missing(Clock, InProcessLineFactory(&Peer, 4));
    missing.SetComNumber(9);
    EXPECT_EQ(textOf([&] { missing.SetOpen(true); }), "ie_BadId - Specified comport doesn't exist");
    EXPECT_FALSE(missing.Open());
}

TEST_F(TComPortTest, PortNumberZeroAsksForAPort)
{
    TComPort port(Clock, InProcessLineFactory(&Peer));
    int asked = 0;
    TComPort::SetPortChooser([&](const LineFactory &) -> std::optional<int> {
        ++asked;
        return std::nullopt;
    });
    try {
        port.SetOpen(true);
        ADD_FAILURE() << "no error";
    } catch (const ComError &e) {
        EXPECT_EQ(e.Text(), "The ComNumber property of the TComPort has not been set");
    }
    EXPECT_FALSE(port.Open());
    TComPort::SetPortChooser([&](const LineFactory &) -> std::optional<int> {
        ++asked;
        return 7;
    });
    port.SetOpen(true);
    EXPECT_TRUE(port.Open());
    EXPECT_EQ(port.ComNumber(), 7);
    EXPECT_EQ(asked, 2);
    TComPort::SetPortChooser(nullptr);
}

TEST_F(TComPortTest, RefusedInPlaceChangeReopensInvisibly)
{
    Port.SetBaud(9600);
    Port.SetDatabits(7);
    Port.SetParity(pEven);
    Port.SetOpen(true);
    ASSERT_NE(Peer.Line, nullptr);
    Peer.Line->RefuseFramingChange = true;
    const std::uint16_t handle = Port.AddTimerTrigger();
    Port.SetParity(pOdd);
    Port.SetDatabits(8);
    Port.SetBaud(19200);
    EXPECT_TRUE(Port.Open());
    EXPECT_EQ(Peer.Opens, 3);  // the first open, then one reopen per refused change
    const LineSettings expected{19200, 8, pOdd, 1};
    EXPECT_EQ(Peer.Line->Settings(), expected);
    // The scan goes on as if nothing happened: its trigger still works.
    Port.SetTimerTrigger(handle, 1, true);
    Port.PutBlock(QByteArray("probe"));
    EXPECT_EQ(Peer.SettingsAtWrite, expected);
    Clock.Advance(200);
    EXPECT_EQ(Of(TComPort::TriggerTimer).size(), 1u);
}

TEST_F(TComPortTest, LostDeviceClosesAtOnceAndIsReported)
{
    Port.SetOpen(true);
    const std::uint16_t handle = Port.AddTimerTrigger();
    Port.SetTimerTrigger(handle, 2, true);
    QString lost;
    Port.OnLineLost = [&](TComPort &port, const QString &text) {
        lost = text;
        EXPECT_FALSE(port.Open());
    };
    Clock.CallAfter(20, [&] { Peer.Line->Fail(QStringLiteral("gone")); });
    Clock.Advance(1000);
    EXPECT_EQ(lost, "gone");
    EXPECT_FALSE(Port.Open());
    EXPECT_TRUE(Events.empty());
    // It can be opened again once the device is back.
    Port.SetOpen(true);
    EXPECT_TRUE(Port.Open());
}

TEST_F(TComPortTest, AnErrorInAHandlerIsReportedAndEventsGoOn)
{
    QStringList reported;
    SetErrorReporter([&](const QString &text) { reported << text; });
    ReadAll = false;
    OnEvent = [&](std::uint16_t message, std::uint16_t) {
        if (message == TComPort::TriggerAvail) {
            for (int i = 0; i < 10; ++i)
                Port.GetChar();  // more than there is
        }
    };
    Port.SetOpen(true);
    const std::uint16_t handle = Port.AddTimerTrigger();
    Port.SetTimerTrigger(handle, 2, true);
    Clock.CallAfter(10, [&] { Peer.Deliver("ab"); });
    Clock.Advance(1000);
    EXPECT_EQ(reported, QStringList{"Buffer is empty"});
    EXPECT_EQ(Of(TComPort::TriggerTimer).size(), 1u);
}

TEST_F(TComPortTest, ReceiveBufferIsBounded)
{
    Port.SetOpen(true);
    ReadAll = false;
    Clock.CallAfter(10, [&] { Peer.Deliver(QByteArray(5000, 'z')); });
    Clock.Advance(100);
    const auto data = Of(TComPort::TriggerAvail);
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data[0].Argument, Port.InSize());
}

TEST_F(TComPortTest, DataThatCameDuringANestedLoopComesBeforeTheDeadline)
{
    // A data handler opens a message box with its deadline armed; more of the
    // reply arrives while the box is up, and the deadline passes meanwhile.
    Port.SetOpen(true);
    const std::uint16_t handle = Port.AddTimerTrigger();
    Port.SetTimerTrigger(handle, 2, true);
    bool first = true;
    OnEvent = [&](std::uint16_t message, std::uint16_t) {
        if (message == TComPort::TriggerAvail && std::exchange(first, false))
            Clock.Advance(400);  // the box's event loop
    };
    Clock.CallAfter(10, [&] { Peer.Deliver("ab"); });
    Clock.CallAfter(60, [&] { Peer.Deliver("cd"); });
    Clock.Advance(1000);
    std::vector<std::uint16_t> order;
    for (const Event &e : Events)
        order.push_back(e.Message);
    EXPECT_EQ(order, (std::vector<std::uint16_t>{TComPort::TriggerAvail, TComPort::TriggerAvail, TComPort::TriggerTimer}));
    EXPECT_EQ(Received, "abcd");
}

TEST_F(TComPortTest, ADeviceLostDuringASettingsChangeIsTheCallersError)
{
    Port.SetOpen(true);
    int notices = 0;
    Port.OnLineLost = [&](TComPort &, const QString &) { ++notices; };
    Peer.Line->FailOnApply = QStringLiteral("gone during the change");
    QString error;
    try {
        Port.SetBaud(9600);
    } catch (const ComError &e) {
        error = e.Text();
    }
    EXPECT_EQ(error, "gone during the change");
    EXPECT_FALSE(Port.Open());
    Clock.Advance(100);
    EXPECT_EQ(notices, 0);  // told once, to the caller
    // Later operations say why, and the port opens again when it is back.
    try {
        Port.PutBlock(QByteArray("x"));
        ADD_FAILURE() << "written to a closed port";
    } catch (const ComError &e) {
        EXPECT_EQ(e.Text(), "gone during the change");
    }
    Port.SetOpen(true);
    EXPECT_TRUE(Port.Open());
}

} // namespace
