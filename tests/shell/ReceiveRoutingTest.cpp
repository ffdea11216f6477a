#include "Conversions.h"
#include "EventClock.h"
#include "FakePeer.h"
#include "FrameCodec.h"
#include "Links.h"
#include "ReceiveRouting.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Chunk {
    qint64 AtMs;
    QByteArray Bytes;
};

// Records each hand-over with the time and what the store held.
struct Handovers : SetupReplyHandler, RecorderReplyHandler {
    void SetupReply() override { Times.push_back(Clock->NowMs()); Texts.push_back(Setup->SetupRxText); }
    void ProcessReply() override
    {
        Times.push_back(Clock->NowMs());
        Codes.push_back(Session->ResultCode);
        Counts.push_back(Recorder->RecorderRxCount);
    }
    EventClock *Clock = nullptr;
    SetupLink *Setup = nullptr;
    RecorderLink *Recorder = nullptr;
    TSessionState *Session = nullptr;
    std::vector<qint64> Times;
    QStringList Texts;
    std::vector<int> Codes;
    std::vector<int> Counts;
};

class RoutingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Port.SetComNumber(1);
        Port.SetOpen(true);
        Seen.Clock = &Clock;
        Seen.Setup = &Setup;
        Seen.Recorder = &Recorder;
        Seen.Session = &Session;
        Setup.Handler = &Seen;
        Recorder.Handler = &Seen;
    }
    // Sends a request on the setup link and schedules the reply chunks
    // relative to the send.
    void SendSetup(bool rtu, const std::vector<Chunk> &chunks)
    {
        Port.OnTrigger = [this](TComPort &, std::uint16_t m, std::uint16_t a, std::uint16_t) {
            RouteSetupTrigger(Setup, m, a);
        };
        Setup.Exchange.Begin();
        Start = Clock.NowMs();
        Setup.Send(FrameCodec::BuildRequest(1, 3, 0x4701, 1, rtu), rtu, Session.SetupTimeoutTicks);
        Schedule(chunks);
    }
    void SendRecorder(bool rtu, const std::vector<Chunk> &chunks)
    {
        Port.OnTrigger = [this](TComPort &, std::uint16_t m, std::uint16_t a, std::uint16_t) {
            RouteRecorderTrigger(Recorder, Session, m, a);
        };
        Recorder.Exchange.Begin();
        Session.ResultCode = 99;
        Start = Clock.NowMs();
        Recorder.Send(FrameCodec::BuildRequest(1, 3, 0x4700, 2, rtu), rtu, Session.RecorderTimeoutTicks);
        Schedule(chunks);
    }
    void Schedule(const std::vector<Chunk> &chunks)
    {
        for (const Chunk &c : chunks)
            Clock.CallAt(Start + c.AtMs, [this, bytes = c.Bytes] { Peer.Deliver(bytes); });
    }
    qint64 HandedOverAfter(size_t i = 0) const { return Seen.Times.at(i) - Start; }

    VirtualClock Clock{55 * 1000};
    FakePeer Peer;
    TComPort Port{Clock, InProcessLineFactory(&Peer)};
    TSessionState Session;
    SetupLink Setup{Port};
    RecorderLink Recorder{Port};
    Handovers Seen;
    qint64 Start = 0;
};

QByteArray Rtu(std::vector<std::uint8_t> bytes)
{
    const int crc = Crc16(bytes.data(), static_cast<int>(bytes.size()));
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

TEST_F(RoutingTest, SetupAsciiInThreeChunksCompletesAtTheLineFeed)
{
    SendSetup(false, {{10, ":0103"}, {20, "02000A"}, {30, "F0\r\n"}});
    Clock.Advance(2000);
    ASSERT_EQ(Seen.Times.size(), 1u);
    EXPECT_EQ(HandedOverAfter(), 30);
    EXPECT_EQ(Seen.Texts[0], ":010302000AF0");
}

TEST_F(RoutingTest, SetupAsciiWithBytesAfterTheLineFeedWaitsForSilence)
{
    SendSetup(false, {{10, ":010302000AF0\r\nxx"}});
    Clock.Advance(2000);
    ASSERT_EQ(Seen.Times.size(), 1u);
    EXPECT_GE(HandedOverAfter(), 10 + 110);
    EXPECT_LE(HandedOverAfter(), 10 + 165);
    EXPECT_EQ(Seen.Texts[0], ":010302000AF0xx");
}

TEST_F(RoutingTest, SetupRtuReplyBecomesHexAndEndsOnlyWithSilence)
{
    SendSetup(true, {{5, Rtu({0x11, 0x03, 0x02}).left(3)}, {15, Rtu({0x11, 0x03, 0x02, 0x00, 0x0A}).mid(3)}});
    Clock.Advance(2000);
    ASSERT_EQ(Seen.Times.size(), 1u);
    EXPECT_GE(HandedOverAfter(), 15 + 110);
    EXPECT_LE(HandedOverAfter(), 15 + 165);
    const QString text = Seen.Texts[0];
    EXPECT_EQ(text.size(), 14);
    EXPECT_TRUE(text.startsWith("110302000A"));
    EXPECT_EQ(text, text.toUpper());
}

TEST_F(RoutingTest, SetupSilenceHandsOverAnEmptyText)
{
    SendSetup(false, {});
    Clock.Advance(2000);
    ASSERT_EQ(Seen.Times.size(), 1u);
    EXPECT_TRUE(Seen.Texts[0].isEmpty());
}

TEST_F(RoutingTest, SetupStoreIsBoundedAndEndsAtOnce)
{
    SendSetup(true, {{5, QByteArray(SetupLink::Capacity + 1, 'x')}});
    Clock.Advance(2000);
    ASSERT_EQ(Seen.Times.size(), 1u);
    EXPECT_EQ(HandedOverAfter(), 5);
    EXPECT_LE(Setup.SetupRxText.size(), 2 * SetupLink::Capacity);
    EXPECT_TRUE(Setup.SetupRxOverflow);
}

TEST_F(RoutingTest, AChatteringLineCannotHoldAProbe)
{
    std::vector<Chunk> noise;
    for (int t = 5; t < 5000; t += 40)
        noise.push_back({t, QByteArray(16, '\x55')});
    SendSetup(false, noise);
    Clock.Advance(6000);
    ASSERT_EQ(Seen.Times.size(), 1u);
    EXPECT_LT(HandedOverAfter(), 1000);
    EXPECT_TRUE(Setup.SetupRxOverflow);
}

TEST_F(RoutingTest, RecorderOutcomes)
{
    struct Case {
        const char *Name;
        bool Rtu;
        std::vector<Chunk> Chunks;
        qint64 MinAfter, MaxAfter;
        int Code, Count;
    } cases[] = {
        {"rtu read completes at its ninth byte", true,
         {{5, Rtu({1, 3, 4, 0, 100, 1, 44}).left(4)}, {12, Rtu({1, 3, 4, 0, 100, 1, 44}).mid(4)}}, 12, 12, ResultOk, 9},
        {"rtu exception at the time-out with ResultOk", true, {{5, Rtu({1, 0x83, 2})}}, 5 + 110, 5 + 165, ResultOk, 5},
        {"rtu silence", true, {}, 110, 165, ResultTimeout, 0},
        {"rtu overshoot waits for the time-out", true, {{5, Rtu({1, 3, 2, 0, 1}) + "x"}}, 5 + 110, 5 + 165, ResultOk, 8},
        {"ascii completes at the line feed", false, {{5, ":0103"}, {9, "04006401"}, {30, "2CAB\r\n"}}, 30, 30, ResultOk, 19},
        {"ascii time-out is always a time-out", false, {{5, ":01030400"}}, 5 + 825, 5 + 880, ResultTimeout, 9},
    };
    for (const Case &c : cases) {
        Seen.Times.clear();
        Seen.Codes.clear();
        Seen.Counts.clear();
        Session.RecorderTimeoutTicks = c.Rtu ? 2 : 15;
        SendRecorder(c.Rtu, c.Chunks);
        Clock.Advance(3000);
        ASSERT_EQ(Seen.Times.size(), 1u) << c.Name;
        EXPECT_GE(HandedOverAfter(), c.MinAfter) << c.Name;
        EXPECT_LE(HandedOverAfter(), c.MaxAfter) << c.Name;
        EXPECT_EQ(Seen.Codes[0], c.Code) << c.Name;
        EXPECT_EQ(Seen.Counts[0], c.Count) << c.Name;
        EXPECT_FALSE(Recorder.RecorderAwaitingReply) << c.Name;
    }
}

TEST_F(RoutingTest, RecorderStoreNeverOverflowsAndEndsAtOnce)
{
    Session.RecorderTimeoutTicks = 2;
    SendRecorder(true, {{5, QByteArray(300, '\x01')}});
    Clock.Advance(2000);
    ASSERT_EQ(Seen.Times.size(), 1u);
    EXPECT_EQ(HandedOverAfter(), 5);
    EXPECT_EQ(Recorder.RecorderRxCount, RecorderLink::Capacity);
    EXPECT_TRUE(Recorder.RecorderRxOverflow);
}

TEST_F(RoutingTest, ForeignTimerHandleIsIgnored)
{
    SendSetup(false, {});
    const std::uint16_t other = Port.AddTimerTrigger();
    Port.SetTimerTrigger(other, 1, true);
    Clock.Advance(80);
    EXPECT_TRUE(Seen.Times.empty());
    Clock.Advance(2000);
    EXPECT_EQ(Seen.Times.size(), 1u);
}

} // namespace
