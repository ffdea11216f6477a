// The reply exchange on a virtual clock: literal chunks at given times,
// and when (and how) each request ends.
#include "ErrorReport.h"
#include "EventClock.h"
#include "FakePeer.h"
#include "FrameCodec.h"
#include "ReplyExchange.h"
#include "TComPort.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

struct Chunk {
    qint64 AtMs;  // after the frame went out
    QByteArray Bytes;
};

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes += static_cast<char>(v);
    return bytes;
}

class ReplyExchangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Port.SetComNumber(1);
        Port.SetOpen(true);
        Port.OnTrigger = [this](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
            if (const auto reply = Exchange.Trigger(message, argument)) {
                Endings.push_back({Clock.NowMs(), reply->How, QByteArray(reinterpret_cast<const char *>(reply->Bytes), reply->Count)});
            }
        };
        Exchange.Begin();
    }

    ReplyExchange::Request Read(bool rtu, int deadlineTicks)
    {
        ReplyExchange::Request request;
        request.Frame = FrameCodec::BuildRequest(1, 3, 0x4700, 2, rtu);
        request.Rtu = rtu;
        request.DeadlineTicks = deadlineTicks;
        request.ExpectedLength = rtu ? 9 : 19;
        return request;
    }
    void Schedule(const std::vector<Chunk> &chunks)
    {
        for (const Chunk &c : chunks)
            Clock.CallAt(Sent + c.AtMs, [this, bytes = c.Bytes] { Peer.Deliver(bytes); });
    }
    void Run(const ReplyExchange::Request &request, const std::vector<Chunk> &chunks)
    {
        Sent = std::max(Clock.NowMs(), request.NotBeforeMs);
        Exchange.Send(request);
        Schedule(chunks);
        Clock.Advance(5000);
    }

    struct Ended {
        qint64 AtMs;
        ReplyExchange::Ending How;
        QByteArray Bytes;
    };

    VirtualClock Clock{55 * 1000};  // on a tick boundary
    FakePeer Peer;
    TComPort Port{Clock, InProcessLineFactory(&Peer)};
    ReplyExchange Exchange{Port, TrafficLink::Monitor, 100};
    std::vector<Ended> Endings;
    qint64 Sent = 0;
};

TEST_F(ReplyExchangeTest, EndingsByChunksAndDeadlines)
{
    using E = ReplyExchange::Ending;
    const QByteArray read = Bytes({1, 3, 4, 0, 100, 1, 44, 0x3B, 0xC4});
    struct Case {
        const char *Name;
        bool Rtu;
        bool Extra;
        std::vector<Chunk> Chunks;
        E How;
        qint64 MinAt, MaxAt;  // after the frame went out
        int Count;
    } cases[] = {
        {"ascii at the line feed of the last chunk", false, false,
         {{5, ":0103"}, {9, "04006401"}, {30, "2CAB\r\n"}}, E::Complete, 30, 30, 19},
        {"ascii line feed followed by more waits for silence", false, false,
         {{5, ":0103040064012CAB\r\nxx"}}, E::Silence, 5 + 110, 5 + 165, 21},
        {"ascii silence", false, false, {}, E::Silence, 110, 165, 0},
        {"rtu read at its announced length", true, false, {{5, read.left(4)}, {12, read.mid(4)}}, E::Complete, 12, 12, 9},
        {"rtu write echo at eight bytes", true, false, {{5, Bytes({1, 6, 0x47, 1, 0, 0x64, 0, 0})}}, E::Complete, 5, 5, 8},
        {"rtu exception waits for the deadline", true, false, {{5, Bytes({1, 0x83, 2, 0xC0, 0xF1})}}, E::Silence,
         5 + 110, 5 + 165, 5},
        {"rtu short reply gets one more period", true, true, {{5, Bytes({1, 0x83, 2, 0xC0, 0xF1})}}, E::Silence,
         5 + 220, 5 + 330, 5},
        {"rtu overshoot waits for the deadline", true, false, {{5, read + "x"}}, E::Silence, 5 + 110, 5 + 165, 10},
        {"rtu gap shorter than the deadline keeps collecting", true, false,
         {{5, read.left(2)}, {100, read.mid(2)}}, E::Complete, 100, 100, 9},
        {"a store that overflows ends at once", false, false, {{5, QByteArray(101, 'x')}}, E::Overflow, 5, 5, 100},
    };
    for (const Case &c : cases) {
        Endings.clear();
        ReplyExchange::Request request = Read(c.Rtu, 2);
        request.ExtraPeriodWhenShort = c.Extra;
        Run(request, c.Chunks);
        ASSERT_EQ(Endings.size(), 1u) << c.Name;
        EXPECT_EQ(Endings[0].How, c.How) << c.Name;
        EXPECT_GE(Endings[0].AtMs - Sent, c.MinAt) << c.Name;
        EXPECT_LE(Endings[0].AtMs - Sent, c.MaxAt) << c.Name;
        EXPECT_EQ(Endings[0].Bytes.size(), c.Count) << c.Name;
        EXPECT_FALSE(Exchange.Awaiting()) << c.Name;
    }
}

TEST_F(ReplyExchangeTest, TheFrameGoesOutAfterTheTurnaroundWithoutBlocking)
{
    ReplyExchange::Request request = Read(true, 2);
    request.NotBeforeMs = Clock.NowMs() + 21;
    Exchange.Send(request);
    EXPECT_TRUE(Exchange.Awaiting());
    EXPECT_FALSE(Exchange.OnTheLine());
    EXPECT_TRUE(Peer.Written.isEmpty());
    Peer.Deliver("stale");  // not yet asked: not a reply
    Clock.Advance(20);
    EXPECT_TRUE(Peer.Written.isEmpty());
    Clock.Advance(1);
    EXPECT_EQ(Peer.Written, FrameCodec::BuildRequest(1, 3, 0x4700, 2, true).ToByteArray());
    Clock.Advance(1000);
    ASSERT_EQ(Endings.size(), 1u);
    EXPECT_TRUE(Endings[0].Bytes.isEmpty());
}

TEST_F(ReplyExchangeTest, AfterALateReplyTheFrameWaitsForAQuietLine)
{
    Run(Read(false, 2), {});  // times out; its reply is still to come
    Peer.Written.clear();
    ReplyExchange::Request request = Read(false, 2);
    request.QuietMs = 100;
    const qint64 asked = Clock.NowMs();
    Exchange.Send(request);
    Clock.Advance(30);
    Peer.Deliver(":0103040064");  // the late reply, in pieces
    Clock.Advance(60);
    Peer.Deliver("012CAB\r\n");
    Clock.Advance(99);
    EXPECT_TRUE(Peer.Written.isEmpty());  // not before 100 ms of quiet
    Clock.Advance(1);
    EXPECT_FALSE(Peer.Written.isEmpty());
    EXPECT_EQ(Clock.NowMs() - asked, 190);
    Clock.Advance(1000);
    ASSERT_EQ(Endings.size(), 2u);
    EXPECT_TRUE(Endings[1].Bytes.isEmpty());  // nothing of the late reply was taken
}

TEST_F(ReplyExchangeTest, AnAbandonedRequestNeverEnds)
{
    for (qint64 notBefore : {qint64(0), Clock.NowMs() + 50}) {
        Endings.clear();
        ReplyExchange::Request request = Read(false, 2);
        request.NotBeforeMs = notBefore;
        Exchange.Send(request);
        Clock.Advance(10);
        Exchange.Abandon();
        Peer.Deliver(":0103040064012CAB\r\n");
        Clock.Advance(1000);
        EXPECT_TRUE(Endings.empty()) << notBefore;
    }
}

TEST_F(ReplyExchangeTest, ALateReplyIsNotTakenForTheNextRequest)
{
    Run(Read(false, 2), {});  // times out
    ASSERT_EQ(Endings.size(), 1u);
    Peer.Deliver(":0103040064012CAB\r\n");  // the answer, too late
    Clock.Advance(100);
    EXPECT_EQ(Endings.size(), 1u);
}

TEST_F(ReplyExchangeTest, AWriteRefusedAfterTheTurnaroundEndsTheRequestOnce)
{
    QStringList failures;
    Exchange.OnSendFailed = [&](const QString &text) { failures << text; };
    Port.OnLineLost = [](TComPort &, const QString &) {};
    ReplyExchange::Request request = Read(true, 2);
    request.NotBeforeMs = Clock.NowMs() + 21;
    Exchange.Send(request);
    Peer.Line->Fail(QStringLiteral("gone"));  // the device goes during the wait
    Clock.Advance(1000);
    EXPECT_EQ(failures, QStringList{"gone"});
    EXPECT_FALSE(Exchange.Awaiting());
    EXPECT_TRUE(Endings.empty());
}

TEST_F(ReplyExchangeTest, AnImmediateRefusedWriteIsTheCallersError)
{
    Port.SetOpen(false);
    EXPECT_THROW(Exchange.Send(Read(false, 2)), ComError);
    EXPECT_FALSE(Exchange.Awaiting());
}

TEST(OpenLink, ReleasesTheLineWhenThePortCannotBeOpened)
{
    VirtualClock clock;
    FakePeer peer;
    TComPort port(clock, InProcessLineFactory(&peer, 2));
    TSessionState session;
    TLinkSettings settings;
    settings.PortNumber = 5;  // no such port
    EXPECT_THROW(OpenLink(port, settings, ModuleMonitor, session), ComError);
    EXPECT_EQ(session.ActiveModule, ModuleNone);

    settings = TLinkSettings{2, 4800, 8, 2, 2, true};
    OpenLink(port, settings, ModuleRecorder, session);
    EXPECT_EQ(session.ActiveModule, ModuleRecorder);
    EXPECT_EQ(peer.Line->Settings(), (LineSettings{4800, 8, pOdd, 2}));
    CloseLink(port, ModuleRecorder, session);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(session.ActiveModule, ModuleNone);
}

} // namespace
