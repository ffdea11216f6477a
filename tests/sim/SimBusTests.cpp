// The bus on the line: framing, addressing, link settings, pacing, faults
// and bad input, through a real TComPort on the in-process line.
#include "SimTestSupport.h"

#include "FrameCodec.h"
#ifdef Q_OS_LINUX
#include "MicrosecondPace.h"
#endif

#include <QTest>

#include <gtest/gtest.h>

#include <map>

namespace {

ControllerConfig Config(Model kind, int address, int baud, int dataBits, TParity parity, int stopBits, bool rtu)
{
    ControllerConfig config;
    config.Address = address;
    config.Kind = kind;
    config.Baud = baud;
    config.DataBits = dataBits;
    config.Parity = parity;
    config.StopBits = stopBits;
    config.Rtu = rtu;
    return config;
}

LineSettings LineOf(const ControllerConfig &config)
{
    return Line(config.Baud, config.DataBits, config.Parity, config.StopBits);
}

// A controller whose process rests at ambient (25.0), so replies are exact.
SimController &AddQuiet(SimBus &bus, const ControllerConfig &config)
{
    SimController &c = bus.Add(config);
    c.SetNoise(false);
    c.Poke(config.Kind == Model::A ? 0x4719 : 0x4723, 0);
    return c;
}

const ControllerConfig AsciiA = Config(Model::A, 1, 9600, 7, pEven, 1, false);

struct ExchangeCase {
    const char *Name;
    ControllerConfig Controller;
    QByteArray Sent;
    QByteArray Expected;
};

class SimBusExchange : public ::testing::TestWithParam<ExchangeCase> {};

TEST_P(SimBusExchange, AnswersLikeAController)
{
    VirtualClock clock;
    SimBus bus(clock);
    AddQuiet(bus, GetParam().Controller);
    Master master(clock, bus, LineOf(GetParam().Controller));
    EXPECT_EQ(master.Transact(GetParam().Sent).toHex(' '), GetParam().Expected.toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(
    Frames, SimBusExchange,
    ::testing::Values(
        ExchangeCase{"AsciiRead", AsciiA, ":010347000002B3\r\n", ":01030400FA03E813\r\n"},
        ExchangeCase{"RtuRead", Config(Model::A, 1, 9600, 8, pEven, 1, true),
                     Bytes({0x01, 0x03, 0x47, 0x00, 0x00, 0x02, 0xD0, 0xBF}),
                     Bytes({0x01, 0x03, 0x04, 0x00, 0xFA, 0x03, 0xE8, 0xDA, 0xBC})},
        ExchangeCase{"AsciiProbe", Config(Model::B, 0x11, 4800, 8, pNone, 2, false), ":110347010001A3\r\n",
                     ":11030205DC09\r\n"},
        ExchangeCase{"ModelAIdentification", AsciiA, ":01670012000383\r\n", ":01E70117\r\n"},
        ExchangeCase{"ModelCIdentification", Config(Model::C, 3, 38400, 8, pOdd, 1, true),
                     Bytes({0x03, 0x67, 0x00, 0x12, 0x00, 0x03, 0xD5, 0xE4}),
                     Bytes({0x03, 0x67, 0x06, 0x00, 0x02, 0x00, 0x02, 0x01, 0x10, 0xE7, 0x92})},
        ExchangeCase{"RtuWriteEcho", Config(Model::B, 2, 19200, 8, pEven, 1, true),
                     Bytes({0x02, 0x06, 0x47, 0x01, 0x03, 0xE8, 0xCC, 0x33}),
                     Bytes({0x02, 0x06, 0x47, 0x01, 0x03, 0xE8, 0xCC, 0x33})},
        ExchangeCase{"RtuUnknownRegister", Config(Model::B, 1, 2400, 8, pNone, 1, true),
                     Bytes({0x01, 0x03, 0x47, 0x39, 0x00, 0x01, 0x40, 0xB3}), Bytes({0x01, 0x83, 0x02, 0xC0, 0xF1})},
        ExchangeCase{"AsciiUnknownRegister", AsciiA, ":0103473900017B\r\n", ":0183027A\r\n"}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(SimBus, OnlyTheAddressedControllerAnswers)
{
    VirtualClock clock;
    SimBus bus(clock);
    AddQuiet(bus, AsciiA);
    ControllerConfig second = AsciiA;
    second.Address = 2;
    second.Kind = Model::B;
    AddQuiet(bus, second);
    Master master(clock, bus, LineOf(AsciiA));
    EXPECT_EQ(master.Transact(SimFraming::Encode(Request(2, 0x03, 0x4701, 1), false)), ":02030205DC18\r\n");
    EXPECT_TRUE(master.Transact(SimFraming::Encode(Request(5, 0x03, 0x4701, 1), false)).isEmpty());
}

struct SettingsCase {
    const char *Name;
    LineSettings Master;
    bool RtuFrame;
    bool Answered;
};

class SimBusSettings : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SimBusSettings, AControllerAnswersOnlyItsOwnSettingsAndFormat)
{
    VirtualClock clock;
    SimBus bus(clock);
    AddQuiet(bus, AsciiA);
    Master master(clock, bus, GetParam().Master);
    const QByteArray reply = master.Transact(SimFraming::Encode(Request(1, 0x03, 0x4700, 2), GetParam().RtuFrame));
    EXPECT_EQ(!reply.isEmpty(), GetParam().Answered);
}

INSTANTIATE_TEST_SUITE_P(Lines, SimBusSettings,
                         ::testing::Values(SettingsCase{"Own", Line(9600, 7, pEven, 1), false, true},
                                           SettingsCase{"OtherBaud", Line(19200, 7, pEven, 1), false, false},
                                           SettingsCase{"EightBits", Line(9600, 8, pEven, 1), false, false},
                                           SettingsCase{"OddParity", Line(9600, 7, pOdd, 1), false, false},
                                           SettingsCase{"NoParity", Line(9600, 7, pNone, 1), false, false},
                                           SettingsCase{"TwoStopBits", Line(9600, 7, pEven, 2), false, false},
                                           SettingsCase{"RtuFrame", Line(9600, 7, pEven, 1), true, false}),
                         [](const auto &info) { return std::string(info.param.Name); });

TEST(SimBus, BroadcastWritesReachEveryControllerWithoutReply)
{
    VirtualClock clock;
    SimBus bus(clock);
    std::vector<SimController *> controllers;
    for (int address : {1, 2, 3}) {
        ControllerConfig config = AsciiA;
        config.Address = address;
        config.Kind = address == 1 ? Model::A : address == 2 ? Model::B : Model::C;
        controllers.push_back(&AddQuiet(bus, config));
    }
    ControllerConfig elsewhere = AsciiA;
    elsewhere.Baud = 19200;
    elsewhere.Address = 4;
    SimController &deaf = AddQuiet(bus, elsewhere);
    Master master(clock, bus, LineOf(AsciiA));
    EXPECT_TRUE(master.Transact(SimFraming::Encode(Request(0, 0x06, 0x4701, 300), false)).isEmpty());
    for (SimController *c : controllers)
        EXPECT_EQ(c->Peek(0x4701), 300) << c->Address();
    EXPECT_EQ(deaf.Peek(0x4701), 1000);
}

TEST(SimBus, RepliesArePacedAtTheCharacterTime)
{
    VirtualClock clock;
    SimBus bus(clock);  // turnaround 5 ms, chunks of 16 bytes
    AddQuiet(bus, AsciiA);
    Master master(clock, bus, LineOf(AsciiA));
    master.Transact(":010347000002B3\r\n");
    // 10 bits a character at 9600 baud: the request's 17 characters end
    // after 17.7 ms, the answer starts 5 ms later, 16 of its 19 characters
    // have crossed after 16.7 ms more, the rest 3.1 ms after that.
    ASSERT_EQ(master.Arrivals.size(), 2u);
    EXPECT_EQ(master.Arrivals[0].AtMs - master.SentAtMs, 40);
    EXPECT_EQ(master.Arrivals[0].Bytes.size(), 16);
    EXPECT_EQ(master.Arrivals[1].AtMs - master.SentAtMs, 43);
}

TEST(SimBus, RtuFramesEndWithSilenceAndRepliesCanComeWhole)
{
    VirtualClock clock;
    SimBus bus(clock);
    bus.SetTurnaroundMs(0);
    bus.SetChunkBytes(0);
    const ControllerConfig config = Config(Model::A, 1, 19200, 8, pNone, 1, true);
    AddQuiet(bus, config);
    Master master(clock, bus, LineOf(config));
    master.Transact(Bytes({0x01, 0x03, 0x47, 0x00, 0x00, 0x02, 0xD0, 0xBF}));
    // 8 bytes (4.2 ms), 3.5 characters of silence (1.8 ms), 9 bytes (4.7 ms).
    ASSERT_EQ(master.Arrivals.size(), 1u);
    EXPECT_EQ(master.Arrivals[0].AtMs - master.SentAtMs, 11);
}

TEST(SimBus, AReplyWaitsUntilTheControllersLateReplyHasLeftIt)
{
    VirtualClock clock;
    SimBus bus(clock);
    SimController &c = AddQuiet(bus, AsciiA);
    c.Faults().Options.SlowMs = 100;
    c.Faults().Add({Fault::Slow, 0, 0, 1});  // the first reply only
    Master master(clock, bus, LineOf(AsciiA));
    master.SentAtMs = clock.NowMs();
    master.Port.PutBlock(QByteArray(":010347000002B3\r\n"));
    // The late reply goes out from 122.7 ms to 142.5 ms; the second request
    // is heard at 127.7 ms, while it does.
    clock.Advance(110);
    master.Port.PutBlock(QByteArray(":010347010001B3\r\n"));
    clock.Advance(1000);
    EXPECT_EQ(master.Received(), QByteArray(":01030400FA03E813\r\n:01030203E80F\r\n"));
    // Its 15 characters follow the late reply's 19: not from 133 ms on.
    ASSERT_FALSE(master.Arrivals.empty());
    EXPECT_EQ(master.Arrivals.back().AtMs - master.SentAtMs, 159);
}

TEST(SimBus, ChunkSizeSetsHowRepliesArrive)
{
    VirtualClock clock;
    SimBus bus(clock);
    bus.SetChunkBytes(4);
    AddQuiet(bus, AsciiA);
    Master master(clock, bus, LineOf(AsciiA));
    EXPECT_EQ(master.Transact(":010347000002B3\r\n"), ":01030400FA03E813\r\n");
    EXPECT_EQ(master.Arrivals.size(), 5u);
}

// A pace clock to the microsecond that tests move by hand, and the master's
// end of a line as the bus sees it: what was sent to it, and when.
class VirtualPace : public PaceClock {
public:
    qint64 NowUs() const override { return Now; }
    TaskId CallAtUs(qint64 dueUs, Task task) override
    {
        Tasks.emplace(std::make_pair(dueUs, NextId), std::move(task));
        return NextId++;
    }
    void Cancel(TaskId id) override
    {
        std::erase_if(Tasks, [id](const auto &entry) { return entry.first.second == id; });
    }
    void AdvanceTo(qint64 us)
    {
        while (!Tasks.empty() && Tasks.begin()->first.first <= us) {
            Now = std::max(Now, Tasks.begin()->first.first);
            Task task = std::move(Tasks.begin()->second);
            Tasks.erase(Tasks.begin());
            task();
        }
        Now = std::max(Now, us);
    }

    qint64 Now = 5'000'000;

private:
    std::map<std::pair<qint64, TaskId>, Task> Tasks;
    TaskId NextId = 1;
};

class RecordingLine : public BusLine {
public:
    RecordingLine(const VirtualPace &pace, const ControllerConfig &config) : Pace(pace), Config(config) {}
    bool Hears(const ControllerConfig &config) const override { return config.Baud == Config.Baud; }
    void Send(const QByteArray &bytes) override { Arrivals.emplace_back(Pace.NowUs(), bytes); }
    QString Describe() const override { return QStringLiteral("recording"); }

    const VirtualPace &Pace;
    ControllerConfig Config;
    std::vector<std::pair<qint64, QByteArray>> Arrivals;
};

struct PaceCase {
    const char *Name;
    ControllerConfig Controller;
    QByteArray Request;
    // When each chunk of the reply has crossed the line, in microseconds
    // after the request was written.
    std::vector<qint64> ChunksUs;
};

class SimBusPace : public ::testing::TestWithParam<PaceCase> {};

// On a clock to the microsecond the line's time is kept to the microsecond,
// whatever the clock of the controllers: nothing is rounded to milliseconds.
TEST_P(SimBusPace, RepliesCrossTheLineToTheMicrosecond)
{
    const PaceCase &c = GetParam();
    VirtualClock clock;
    VirtualPace pace;
    SimBus bus(clock, &pace);  // turnaround 5 ms, chunks of 16 bytes
    AddQuiet(bus, c.Controller);
    RecordingLine line(pace, c.Controller);
    const qint64 sentUs = pace.Now;
    bus.Receive(line, c.Request);
    pace.AdvanceTo(sentUs + 1'000'000);
    ASSERT_EQ(line.Arrivals.size(), c.ChunksUs.size());
    for (size_t i = 0; i < c.ChunksUs.size(); ++i)
        EXPECT_EQ(line.Arrivals[i].first - sentUs, c.ChunksUs[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SimBusPace,
    ::testing::Values(
        // 10 bits at 38400 baud: 8 bytes, 1.75 ms of silence, 5 ms, 9 bytes.
        PaceCase{"Rtu38400", Config(Model::A, 5, 38400, 8, pNone, 1, true),
                 Bytes({0x05, 0x03, 0x47, 0x00, 0x00, 0x02, 0xD1, 0x3B}), {11'177}},
        // 17 characters at 9600, 5 ms, 16 and then 19 characters.
        PaceCase{"Ascii9600", AsciiA, ":010347000002B3\r\n", {39'375, 42'500}}),
    [](const auto &info) { return std::string(info.param.Name); });

// ---- faults ----------------------------------------------------------------

struct FaultCase {
    const char *Name;
    Fault Kind;
    bool Applied;  // the write took effect
};

class SimBusFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SimBusFaults, ShowOnTheLine)
{
    VirtualClock clock;
    SimBus bus(clock);
    SimController &c = AddQuiet(bus, AsciiA);
    c.Faults().Options.ExceptionCode = 6;
    c.Faults().Add({GetParam().Kind, 0, 0, 1, 0});
    Master master(clock, bus, LineOf(AsciiA));
    const QByteArray sent = SimFraming::Encode(Request(1, 0x06, 0x4701, 1234), false);
    const QByteArray reply = master.Transact(sent);
    EXPECT_EQ(c.Peek(0x4701) == 1234, GetParam().Applied);
    const auto decoded = SimFraming::DecodeAscii(reply);
    switch (GetParam().Kind) {
    case Fault::Silence: EXPECT_TRUE(reply.isEmpty()); break;
    case Fault::Exception: EXPECT_EQ(reply, ":01860673\r\n"); break;
    case Fault::BadChecksum:
    case Fault::Garbage:
        EXPECT_EQ(reply.size(), sent.size());
        EXPECT_FALSE(decoded);
        break;
    case Fault::ForeignStation:
        ASSERT_TRUE(decoded);
        EXPECT_EQ((*decoded)[0], 2);
        break;
    case Fault::Split:
        EXPECT_EQ(reply, sent);
        ASSERT_EQ(master.Arrivals.size(), 6u);
        EXPECT_GE(master.Arrivals[1].AtMs - master.Arrivals[0].AtMs, 30);
        break;
    case Fault::Slow:
        EXPECT_EQ(reply, sent);
        EXPECT_GE(master.Arrivals.front().AtMs - master.SentAtMs, 400);
        break;
    case Fault::None: break;
    }
    // The fault was for one reply only.
    EXPECT_EQ(master.Transact(sent), sent);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimBusFaults,
                         ::testing::Values(FaultCase{"Silence", Fault::Silence, false},
                                           FaultCase{"Exception", Fault::Exception, false},
                                           FaultCase{"BadChecksum", Fault::BadChecksum, true},
                                           FaultCase{"ForeignStation", Fault::ForeignStation, true},
                                           FaultCase{"Split", Fault::Split, true},
                                           FaultCase{"Slow", Fault::Slow, true},
                                           FaultCase{"Garbage", Fault::Garbage, true}),
                         [](const auto &info) { return std::string(info.param.Name); });

std::string Pattern(FaultInjector &faults, int replies)
{
    std::string seen;
    for (int i = 0; i < replies; ++i)
        seen += faults.Next() == Fault::None ? '.' : 'F';
    return seen;
}

TEST(SimBusFaultSchedule, CountsRepliesFromWhenTheRuleWasAdded)
{
    FaultInjector window;
    window.Add({Fault::Silence, 0, 1, 2, 0});
    EXPECT_EQ(Pattern(window, 6), ".FF...");
    FaultInjector periodic;
    periodic.Add({Fault::Slow, 0, 1, 1, 3});
    EXPECT_EQ(Pattern(periodic, 8), ".F..F..F");
    FaultInjector endless;
    endless.Add({Fault::Garbage, 0, 2, 0, 0});
    EXPECT_EQ(Pattern(endless, 5), "..FFF");
    endless.Clear();
    EXPECT_EQ(Pattern(endless, 3), "...");
}

TEST(SimBusFaultSchedule, ChanceIsRoughlyTheProbability)
{
    FaultInjector faults;
    faults.Add({Fault::Silence, 0.25, 0, 0, 0});
    const std::string seen = Pattern(faults, 400);
    const auto hits = std::count(seen.begin(), seen.end(), 'F');
    EXPECT_GT(hits, 60);
    EXPECT_LT(hits, 140);
}

// ---- bad input -------------------------------------------------------------

struct BadInputCase {
    const char *Name;
    bool Rtu;
};

class SimBusBadInput : public ::testing::TestWithParam<BadInputCase> {};

TEST_P(SimBusBadInput, GarbageIsNeverAnsweredAndTheNextFrameIs)
{
    const bool rtu = GetParam().Rtu;
    VirtualClock clock;
    SimBus bus(clock);
    const ControllerConfig config = Config(Model::B, 1, 9600, 8, pNone, 1, rtu);
    AddQuiet(bus, config);
    ControllerConfig other = config;
    other.Address = 2;
    AddQuiet(bus, other);
    Master master(clock, bus, LineOf(config));
    FaultInjector random;  // only for its numbers
    for (int i = 0; i < 2000; ++i) {
        QByteArray chunk;
        const int n = 1 + static_cast<int>(random.Random() % 40);
        for (int k = 0; k < n; ++k)
            chunk.append(static_cast<char>(random.Random() & 0xFF));
        master.Port.PutBlock(chunk);
        clock.Advance(random.Random() % 10);
    }
    // The master queued more than the line carries in that time: let it
    // drain before the good frame.
    clock.Advance(60'000);
    EXPECT_TRUE(master.Received().isEmpty());
    EXPECT_FALSE(master.Transact(SimFraming::Encode(Request(1, 0x03, 0x4700, 2), rtu)).isEmpty());
}

TEST_P(SimBusBadInput, TruncatedAndOverlongFramesAreDropped)
{
    const bool rtu = GetParam().Rtu;
    VirtualClock clock;
    SimBus bus(clock);
    const ControllerConfig config = Config(Model::C, 1, 19200, 8, pEven, 1, rtu);
    AddQuiet(bus, config);
    Master master(clock, bus, LineOf(config));
    const QByteArray good = SimFraming::Encode(Request(1, 0x03, 0x4700, 2), rtu);
    EXPECT_TRUE(master.Transact(good.left(good.size() - 1)).isEmpty());
    QByteArray overlong = rtu ? QByteArray(300, '\x01') : ':' + QByteArray(100, '0') + "\r\n";
    EXPECT_TRUE(master.Transact(overlong).isEmpty());
    // Sound checksum, but longer than any request: an ASCII controller's
    // buffer never takes it in, an RTU controller says it is too long.
    Pdu padded = Request(1, 0x03, 0x4700, 2);
    padded.resize(200, 0);
    const QByteArray answer = master.Transact(SimFraming::Encode(padded, rtu));
    if (rtu) {
        EXPECT_EQ(answer, SimFraming::Encode({1, 0x83, 13}, true));
    } else {
        EXPECT_TRUE(answer.isEmpty());
    }
    EXPECT_FALSE(master.Transact(good).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Formats, SimBusBadInput,
                         ::testing::Values(BadInputCase{"Ascii", false}, BadInputCase{"Rtu", true}),
                         [](const auto &info) { return std::string(info.param.Name); });

TEST(SimBus, RtuFramesNeedTheSilenceBetweenThem)
{
    VirtualClock clock;
    SimBus bus(clock);
    const ControllerConfig config = Config(Model::B, 1, 9600, 8, pNone, 1, true);
    AddQuiet(bus, config);
    Master master(clock, bus, LineOf(config));
    const QByteArray frame = SimFraming::Encode(Request(1, 0x03, 0x4700, 1), true);
    EXPECT_TRUE(master.Transact(frame + frame).isEmpty());
    master.Arrivals.clear();
    master.Port.PutBlock(frame);
    clock.Advance(100);
    master.Port.PutBlock(frame);
    clock.Advance(100);
    EXPECT_EQ(master.Arrivals.size(), 2u);
}

TEST(SimBus, AReplyToAClosedLineIsDropped)
{
    VirtualClock clock;
    SimBus bus(clock);
    AddQuiet(bus, AsciiA);
    Master master(clock, bus, LineOf(AsciiA));
    master.Port.PutBlock(QByteArray(":010347000002B3\r\n"));
    clock.Advance(20);
    master.Port.SetOpen(false);
    clock.Advance(1000);
    master.Port.SetOpen(true);
    clock.Advance(1000);
    EXPECT_TRUE(master.Received().isEmpty());
    EXPECT_EQ(master.Transact(":010347000002B3\r\n"), ":01030400FA03E813\r\n");
}

TEST(SimBus, ChangedSettingsCutAReplyShort)
{
    VirtualClock clock;
    SimBus bus(clock);
    bus.SetChunkBytes(4);
    AddQuiet(bus, AsciiA);
    Master master(clock, bus, LineOf(AsciiA));
    master.Port.PutBlock(QByteArray(":010347000002B3\r\n"));
    clock.Advance(30);
    master.Port.SetBaud(19200);
    clock.Advance(1000);
    EXPECT_EQ(master.Received(), ":010");
}

// ---- the program's own codec against the bus -------------------------------

struct CodecCase {
    const char *Name;
    ControllerConfig Controller;
};

class SimBusCodec : public ::testing::TestWithParam<CodecCase> {};

TEST_P(SimBusCodec, MonitorChecksAcceptTheReplies)
{
    const ControllerConfig &config = GetParam().Controller;
    VirtualClock clock;
    SimBus bus(clock);
    AddQuiet(bus, config);
    Master master(clock, bus, LineOf(config));

    const auto ask = [&](int function, int reg, int count, bool identifying) {
        const QByteArray reply =
            master.Transact(FrameCodec::BuildRequest(config.Address, function, reg, count, config.Rtu).ToByteArray());
        return FrameCodec::CheckMonitorReply(reinterpret_cast<const std::uint8_t *>(reply.constData()),
                                             static_cast<int>(reply.size()), config.Address, config.Rtu, identifying);
    };
    const auto status = ask(0x03, 0x4700, 2, false);
    EXPECT_EQ(status.Status, FrameCodec::StatusOk);
    EXPECT_EQ(status.Words, (std::vector<int>{250, config.Kind == Model::B ? 1500 : config.Kind == Model::C ? 800 : 1000}));
    const auto identity = ask(0x67, 0x0012, 3, true);
    EXPECT_EQ(identity.Status, FrameCodec::StatusOk);
    if (config.Kind == Model::A) {
        EXPECT_EQ(identity.Kind, FrameCodec::ReplyKind::ModelA);
    } else {
        ASSERT_EQ(identity.Words.size(), 3u);
        EXPECT_EQ('A' + (identity.Words[1] & 0xFF), config.Kind == Model::B ? 'B' : 'C');
    }
    const auto write = ask(0x06, 0x4701, 0x0123, false);
    EXPECT_EQ(write.Kind, FrameCodec::ReplyKind::Write);
    EXPECT_TRUE(FrameCodec::EchoMatch(
        FrameCodec::RequestBytes(FrameCodec::BuildRequest(config.Address, 0x06, 0x4701, 0x0123, config.Rtu), config.Rtu),
        write.Bytes));
}

INSTANTIATE_TEST_SUITE_P(Models, SimBusCodec,
                         ::testing::Values(CodecCase{"AsciiA", AsciiA},
                                           CodecCase{"RtuB", Config(Model::B, 17, 19200, 8, pEven, 1, true)},
                                           CodecCase{"AsciiC", Config(Model::C, 247, 2400, 7, pOdd, 2, false)}),
                         [](const auto &info) { return std::string(info.param.Name); });

TEST(SimBus, LogsRequestsAndReplies)
{
    VirtualClock clock;
    SimBus bus(clock);
    QStringList lines;
    bus.OnLog = [&lines](const QString &line) { lines << line; };
    AddQuiet(bus, AsciiA);
    Master master(clock, bus, Line(19200, 7, pEven, 1));
    master.Transact(":010347000002B3\r\n");
    master.Port.SetBaud(9600);
    master.Transact(":010347000002B3\r\n");
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].contains(QLatin1String("no controller uses these settings")));
    EXPECT_TRUE(lines[1].contains(QLatin1String("station 1 read 0x4700 x2")));
    EXPECT_TRUE(lines[2].contains(QLatin1String("data 0x00FA 0x03E8")));
}

#ifdef Q_OS_LINUX
// The simulator program's own pace: tasks run in the order of their times and
// never before them, also one scheduled later for an earlier time, and a
// cancelled one not at all.
TEST(MicrosecondPace, RunsTasksInTheirOrderNeverEarly)
{
    MicrosecondPace pace;
    std::vector<std::pair<int, qint64>> ran;  // task, how late
    const qint64 start = pace.NowUs();
    const std::vector<qint64> offsets{3000, 2000, 1000, 2000};
    for (size_t i = 0; i < offsets.size(); ++i) {
        const qint64 due = start + offsets[i];
        pace.CallAtUs(due, [&ran, &pace, i, due] { ran.emplace_back(static_cast<int>(i), pace.NowUs() - due); });
    }
    pace.Cancel(pace.CallAtUs(start + 1500, [&ran] { ran.emplace_back(99, 0); }));
    ASSERT_TRUE(QTest::qWaitFor([&ran] { return ran.size() >= 4; }, 5000));
    QTest::qWait(10);
    ASSERT_EQ(ran.size(), 4u);
    const std::vector<int> order{2, 1, 3, 0};
    for (size_t i = 0; i < ran.size(); ++i) {
        EXPECT_EQ(ran[i].first, order[i]) << i;
        EXPECT_GE(ran[i].second, 0) << i;
    }
}
#endif

} // namespace
