// Recording end to end against the simulated controller bus, in process and
// on the virtual clock: the sampling cycle, failures and drops, the record
// file as it is written, and the serial service's errors at the recorder's
// boundary.
#include "ErrorReport.h"
#include "RecorderRig.h"
#include "SimBus.h"
#include "TappedTraffic.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace {

// Passes everything on to the bus, noting when each request went out and
// to which station, and keeping the line so that a test can pull it.
class WatchedBus : public LinePeer {
public:
    WatchedBus(EventClock &clock, LinePeer &bus) : Clock(clock), Bus(bus) {}
    void Receive(InProcessLine &line, const QByteArray &bytes) override
    {
        const bool ascii = bytes.startsWith(':');
        Stations.push_back(ascii ? bytes.mid(1, 2).toInt(nullptr, 16) : static_cast<std::uint8_t>(bytes.at(0)));
        SentAt.push_back(Clock.NowMs());
        Bus.Receive(line, bytes);
    }
    void Attached(InProcessLine &line) override
    {
        Line = &line;
        ++Opens;
        Bus.Attached(line);
    }
    void Detached(InProcessLine &line) override
    {
        if (Line == &line)
            Line = nullptr;
        Bus.Detached(line);
    }

    EventClock &Clock;
    LinePeer &Bus;
    InProcessLine *Line = nullptr;
    int Opens = 0;
    std::vector<int> Stations;
    std::vector<qint64> SentAt;
};

class SamplerSimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        ResetShared();
    }
    void TearDown() override { ResetShared(); }

    SimController &Controller(int address, int tenths, bool rtu = false)
    {
        ControllerConfig config;
        config.Address = address;
        if (rtu) {
            config.Rtu = true;
            config.DataBits = 8;
            config.Parity = pNone;
        }
        SimController &c = Bus.Add(config);
        c.SetNoise(false);
        c.SetTimeConstantMs(1'000'000'000);
        c.SetProcessValue(tenths);
        return c;
    }
    std::unique_ptr<SamplerRig> MakeRig(int ports = 8)
    {
        return std::make_unique<SamplerRig>(Clock, InProcessLineFactory(&Watch, ports));
    }
    void Arm(SamplerRig &rig, const char *name)
    {
        rig.State().SaveArmed = true;
        rig.State().RecordFileUsed = false;
        rig.State().RecordFilePath = Folder.filePath(QString::fromLatin1(name));
        CurrentFileName = QString::fromLatin1(name);
    }
    bool RunUntilSamples(SamplerRig &rig, int samples, qint64 limitMs = 60'000)
    {
        return Clock.AdvanceUntil([&rig, samples] { return rig.State().SampleCount >= samples; }, limitMs);
    }
    QByteArray Record(const QByteArray &file, int n) const { return file.mid(12 + 25 * n, 25); }

    QTemporaryDir Folder;
    VirtualClock Clock;
    SimBus Bus{Clock};
    WatchedBus Watch{Clock, Bus};
};

TEST_F(SamplerSimTest, EachSampleReadsTheUsedSlotsInTurn)
{
    Controller(5, 253);
    Controller(7, -123);
    auto rig = MakeRig();
    Arm(*rig, "cycle.rec");
    rig->Engine.Start(SamplerRig::Addresses({5, 0, 7}), 1);
    EXPECT_TRUE(rig->State().Recording);
    EXPECT_EQ(SessionState.ActiveModule, ModuleRecorder);
    EXPECT_TRUE(rig->Port.Open());
    ASSERT_TRUE(RunUntilSamples(*rig, 3));
    rig->Engine.StartBtClick({}, 1);  // Stop
    EXPECT_FALSE(rig->State().Recording);
    EXPECT_FALSE(rig->Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_EQ(rig->View.Recording, (std::vector<bool>{true, false}));
    EXPECT_TRUE(rig->View.Failures.isEmpty());

    EXPECT_EQ(Watch.Stations, (std::vector<int>{5, 7, 5, 7, 5, 7}));
    // The slots of a sample go back to back; samples one second apart.
    EXPECT_LT(Watch.SentAt[1] - Watch.SentAt[0], 100);
    EXPECT_EQ(Watch.SentAt[2] - Watch.SentAt[0], 1000);
    EXPECT_EQ(rig->Chart.View.Values[0], "25.3");
    EXPECT_EQ(rig->Chart.View.Values[2], "-12.3");

    const QByteArray file = ReadAll(Folder.filePath("cycle.rec"));
    ASSERT_EQ(file.size(), 12 + 3 * 25);
    EXPECT_EQ(file.left(12), QByteArray::fromHex("050007000000000000000100"));
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(Record(file, n).left(20), QByteArray::fromHex("00fd0000ff85" "0000000000000000000000000000")) << n;
}

TEST_F(SamplerSimTest, TheEightySevenByteRecording)
{
    Controller(1, 250);
    auto rig = MakeRig();
    Arm(*rig, "one.rec");
    rig->Engine.Start(SamplerRig::Addresses({1}), 1);
    ASSERT_TRUE(RunUntilSamples(*rig, 3));
    rig->Engine.Stop();
    const QByteArray file = ReadAll(Folder.filePath("one.rec"));
    ASSERT_EQ(file.size(), 87);
    EXPECT_EQ(file.left(12), QByteArray::fromHex("010000000000000000000100"));
    for (int n = 0; n < 3; ++n) {
        const QByteArray record = Record(file, n);
        EXPECT_EQ(record.left(2), QByteArray::fromHex("00fa")) << n;
        EXPECT_EQ(record.mid(2, 18), QByteArray(18, '\0')) << n;
        // The time of day at which the sample completed: 09:05:03 plus the
        // seconds of the recording, and the millisecond's low byte.
        EXPECT_EQ(static_cast<int>(record[20]), 9) << n;
        EXPECT_EQ(static_cast<int>(record[21]), 5) << n;
        EXPECT_EQ(static_cast<int>(record[22]), 3 + n) << n;
        EXPECT_EQ(record[24], 'Z') << n;
    }
    // The millisecond byte is the reply's arrival within the second: the
    // same in every record at a constant pace.
    EXPECT_EQ(Record(file, 0)[23], Record(file, 2)[23]);
    EXPECT_EQ(rig->View.Counter, " 0000003");
}

TEST_F(SamplerSimTest, CounterTexts)
{
    EXPECT_EQ(ZeroCounterText(), " 00000000");
    EXPECT_EQ(CounterText(12), " 0000012");
    EXPECT_EQ(CounterText(9'999'999), " 9999999");
    EXPECT_EQ(CounterText(10'000'000), " 10000000");
    Controller(1, 250);
    auto rig = MakeRig();
    rig->Engine.Start(SamplerRig::Addresses({1}), 1);
    EXPECT_EQ(rig->View.Counter, " 00000000");
    ASSERT_TRUE(RunUntilSamples(*rig, 12));
    EXPECT_EQ(rig->View.Counter, " 0000012");
}

TEST_F(SamplerSimTest, SampleTimeZeroIsHalfASecond)
{
    EXPECT_EQ(SampleIntervalMs(0), 500);
    EXPECT_EQ(SampleIntervalMs(1), 1000);
    EXPECT_EQ(SampleIntervalMs(99), 99'000);
    EXPECT_EQ(SampleIntervalMs(250), 99'000);  // out of range: the longest
    Controller(1, 250);
    auto rig = MakeRig();
    Arm(*rig, "half.rec");
    rig->Engine.Start(SamplerRig::Addresses({1}), 0);
    EXPECT_EQ(rig->Timer.Interval(), 500);
    ASSERT_TRUE(RunUntilSamples(*rig, 5));
    EXPECT_EQ(Watch.SentAt[4] - Watch.SentAt[0], 2000);
    rig->Engine.Stop();
    EXPECT_EQ(ReadAll(Folder.filePath("half.rec"))[10], '\0');
}

TEST_F(SamplerSimTest, FailureCountRunsFromStartAndDropsAtTheThird)
{
    Controller(1, 100);
    SimController &flaky = Controller(2, 200);
    // Silent at its 2nd, 6th and 10th request: good replies in between do
    // not reset its count.
    for (int after : {1, 5, 9})
        flaky.Faults().Add({Fault::Silence, 0, after, 1, 0});
    auto rig = MakeRig();
    Arm(*rig, "flaky.rec");
    rig->Engine.Start(SamplerRig::Addresses({1, 2}), 1);
    ASSERT_TRUE(Clock.AdvanceUntil([&] { return rig->State().FailCount[1] == 1; }, 10'000));
    EXPECT_EQ(rig->View.FaultLines.last(), "DEVICE  2Received data time out error");
    ASSERT_TRUE(Clock.AdvanceUntil([&] { return rig->State().FailCount[1] == 2; }, 30'000));
    EXPECT_EQ(rig->State().DroppedAt[1], -1);
    ASSERT_TRUE(Clock.AdvanceUntil([&] { return rig->State().DroppedAt[1] != -1; }, 30'000));
    // Its 10th request belongs to sample 7: two samples were asked twice.
    const int droppedAt = rig->State().DroppedAt[1];
    EXPECT_EQ(droppedAt, 7);
    EXPECT_EQ(rig->View.Looks[1], SlotLook::Dropped);
    EXPECT_EQ(rig->State().DeviceAddress[1], 0);
    EXPECT_EQ(rig->State().FailCount[1], 0);
    ASSERT_TRUE(RunUntilSamples(*rig, droppedAt + 3));
    EXPECT_TRUE(rig->State().Recording);
    rig->Engine.Stop();

    const QByteArray file = ReadAll(Folder.filePath("flaky.rec"));
    const int records = (file.size() - 12) / 25;
    ASSERT_EQ(records, droppedAt + 3);
    for (int n = 0; n < records; ++n) {
        EXPECT_EQ(Record(file, n).left(2), QByteArray::fromHex("0064")) << n;
        EXPECT_EQ(Record(file, n).mid(2, 2), n < droppedAt ? QByteArray::fromHex("00c8") : QByteArray::fromHex("80a5"))
            << n;
    }
}

TEST_F(SamplerSimTest, LastSlotDroppedEndsTheRecording)
{
    auto rig = MakeRig();  // nobody answers
    Arm(*rig, "silent.rec");
    rig->Engine.Start(SamplerRig::Addresses({9}), 1);
    ASSERT_TRUE(Clock.AdvanceUntil([&] { return !rig->State().Recording; }, 30'000));
    EXPECT_EQ(rig->View.Recording.back(), false);
    EXPECT_FALSE(rig->Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_EQ(rig->View.FaultLines.size(), 3);
    EXPECT_EQ(rig->View.Counter, " 0000001");
    const QByteArray file = ReadAll(Folder.filePath("silent.rec"));
    ASSERT_EQ(file.size(), 12 + 25);
    EXPECT_EQ(Record(file, 0).left(4), QByteArray::fromHex("80a50000"));
    EXPECT_TRUE(rig->View.Failures.isEmpty());
}

TEST_F(SamplerSimTest, StartWithoutAddressesOpensNothing)
{
    auto rig = MakeRig();
    rig->Engine.Start(SamplerRig::Addresses({}), 1);
    EXPECT_FALSE(rig->State().Recording);
    EXPECT_EQ(Watch.Opens, 0);
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_EQ(rig->View.Recording, std::vector<bool>{false});
    EXPECT_FALSE(rig->Timer.Enabled());
}

TEST_F(SamplerSimTest, FaultTextsByResult)
{
    // The traffic log tells what came on the line, whatever the recorder makes of it.
    TappedTraffic traffic;
    const auto lastVerdict = [&traffic] { return traffic.Row(traffic.Count() - 1).Verdict; };
    using V = TrafficVerdict;
    struct Case { Fault Kind; int Code; const char *Line; V Verdict; } cases[] = {
        {Fault::Exception, 2, "DEVICE  1illegal address  !!!", V::Exception},
        {Fault::Exception, 5, "DEVICE  1Unknow Error     !!!", V::Exception},
        {Fault::Exception, 15, "DEVICE  1Received data time out error", V::Exception},
        {Fault::Exception, 30, "DEVICE  1 Received data does not match", V::Exception},
        {Fault::Exception, 32, "DEVICE  1Received checksum error !!!", V::Exception},
        {Fault::Exception, 33, "DEVICE  1 Input unstable or Device fail", V::Exception},
        {Fault::ForeignStation, 0, "DEVICE  1 Received data does not match", V::Foreign},
        {Fault::BadChecksum, 0, "DEVICE  1Received checksum error !!!", V::Checksum},
    };
    for (const Case &c : cases) {
        VirtualClock clock;
        SimBus bus(clock);
        SimController &controller = bus.Add(ControllerConfig{});
        controller.Faults().Options.ExceptionCode = c.Code;
        controller.Faults().Add({c.Kind, 0, 0, 1, 0});
        SamplerRig rig(clock, InProcessLineFactory(&bus, 8));
        rig.Engine.Start(SamplerRig::Addresses({1}), 1);
        ASSERT_TRUE(clock.AdvanceUntil([&rig] { return !rig.View.FaultLines.isEmpty(); }, 5000)) << c.Line;
        EXPECT_EQ(rig.View.FaultLines.first(), QString::fromLatin1(c.Line));
        EXPECT_EQ(lastVerdict(), c.Verdict) << c.Line;
        EXPECT_EQ(traffic.Row(traffic.Count() - 1).Link, TrafficLink::Recorder);
        rig.Engine.Stop();
    }
    SamplerRig rig(Clock, InProcessLineFactory(&Watch, 8));
    SimController &fault = Controller(1, 0);
    fault.SetSensorFault(2);  // the process value reads 0x8002
    rig.Engine.Start(SamplerRig::Addresses({1}), 1);
    ASSERT_TRUE(Clock.AdvanceUntil([&rig] { return !rig.View.FaultLines.isEmpty(); }, 5000));
    EXPECT_EQ(rig.View.FaultLines.first(), "DEVICE  1 Input unstable or Device fail");
    EXPECT_EQ(lastVerdict(), V::InputFault);
    rig.Engine.Stop();
}

TEST_F(SamplerSimTest, RtuTurnaroundIsAWaitOnTheClock)
{
    LinkSettings.RtuMode = true;
    LinkSettings.DataBits = 8;
    LinkSettings.ParityIndex = 0;
    Controller(1, 100, true);
    Controller(2, 200, true);
    Controller(3, 300, true);
    auto rig = MakeRig();
    std::vector<qint64> repliesAt;
    rig->Port.OnTrigger = [&](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
        const bool waiting = rig->Link.RecorderAwaitingReply;
        RouteRecorderTrigger(rig->Link, SessionState, message, argument);
        if (waiting && message == TComPort::TriggerAvail && rig->Link.RecorderRxCount == 9)
            repliesAt.push_back(Clock.NowMs());
    };
    rig->Engine.Start(SamplerRig::Addresses({1, 2, 3}), 1);
    ASSERT_TRUE(RunUntilSamples(*rig, 2));
    EXPECT_EQ(SessionState.RecorderTimeoutTicks, 2);
    EXPECT_EQ(rig->Chart.View.Values[2], "30.0");
    ASSERT_GE(repliesAt.size(), 3u);
    ASSERT_GE(Watch.SentAt.size(), 4u);
    // Within a sample each next request waits more than 20 ms after the
    // reply before it; the next sample waits for its tick.
    EXPECT_EQ(Watch.SentAt[1] - repliesAt[0], 21);
    EXPECT_EQ(Watch.SentAt[2] - repliesAt[1], 21);
    EXPECT_EQ(Watch.SentAt[3] - Watch.SentAt[0], 1000);
    // Ticks that came during a turnaround sent nothing extra.
    EXPECT_EQ(Watch.Stations[3], 1);
}

TEST_F(SamplerSimTest, RtuAtLowRatesWaitsThreeTicks)
{
    LinkSettings.RtuMode = true;
    LinkSettings.DataBits = 8;
    LinkSettings.ParityIndex = 0;
    LinkSettings.BaudRate = 4800;
    ControllerConfig config;
    config.Rtu = true;
    config.DataBits = 8;
    config.Parity = pNone;
    config.Baud = 4800;
    Bus.Add(config);
    auto rig = MakeRig();
    rig->Engine.Start(SamplerRig::Addresses({1}), 1);
    ASSERT_TRUE(RunUntilSamples(*rig, 1));
    EXPECT_EQ(SessionState.RecorderTimeoutTicks, 3);
}

TEST_F(SamplerSimTest, MissingPortIsReportedOnceAndNothingIsHeld)
{
    LinkSettings.PortNumber = 9;  // the factory has COM1-COM8
    auto rig = MakeRig(8);
    Arm(*rig, "never.rec");
    rig->Engine.Start(SamplerRig::Addresses({1}), 1);
    EXPECT_EQ(rig->View.Failures, QStringList{"ie_BadId - Specified comport doesn't exist"});
    EXPECT_FALSE(rig->State().Recording);
    EXPECT_FALSE(rig->Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_EQ(rig->View.Recording.back(), false);
    EXPECT_FALSE(rig->Timer.Enabled());
    EXPECT_FALSE(rig->Engine.RecordFileOpen());
    Clock.Advance(10'000);
    EXPECT_EQ(rig->View.Failures.size(), 1);
}

TEST_F(SamplerSimTest, DevicePulledWhileRecording)
{
    Controller(1, 250);
    auto rig = MakeRig();
    Arm(*rig, "pulled.rec");
    rig->Engine.Start(SamplerRig::Addresses({1}), 1);
    ASSERT_TRUE(RunUntilSamples(*rig, 4));
    ASSERT_NE(Watch.Line, nullptr);
    Watch.Line->Fail(QStringLiteral("The device was removed"));
    Clock.Advance(5000);
    EXPECT_EQ(rig->View.Failures, QStringList{"The device was removed"});
    EXPECT_FALSE(rig->State().Recording);
    EXPECT_FALSE(rig->Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_FALSE(rig->Timer.Enabled());
    EXPECT_FALSE(rig->Engine.RecordFileOpen());
    EXPECT_EQ(ReadAll(Folder.filePath("pulled.rec")).size(), 12 + 4 * 25);
}

// A line that refuses its writes after a few.
class RefusingLine : public InProcessLine {
public:
    RefusingLine(LinePeer *peer, int good) : InProcessLine(peer), Good(good) {}
    void Write(const QByteArray &bytes) override
    {
        if (Good-- <= 0)
            throw ComError(QStringLiteral("Failed to put entire block"));
        InProcessLine::Write(bytes);
    }
    int Good;
};

TEST_F(SamplerSimTest, RefusedWriteEndsTheRecordingOnce)
{
    Controller(1, 250);
    SamplerRig rig(Clock, [this](int) -> std::unique_ptr<SerialLine> {
        return std::make_unique<RefusingLine>(&Bus, 2);
    });
    rig.Engine.Start(SamplerRig::Addresses({1}), 1);
    Clock.Advance(10'000);
    EXPECT_EQ(rig.View.Failures, QStringList{"Failed to put entire block"});
    EXPECT_EQ(rig.State().SampleCount, 2);
    EXPECT_FALSE(rig.State().Recording);
    EXPECT_FALSE(rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
}

TEST_F(SamplerSimTest, FullDiskIsReportedAtOnceAndRecordingGoesOn)
{
    Controller(1, 250);
    auto rig = MakeRig();
    Arm(*rig, "full.rec");
    {
        FileSizeLimit limit(12 + 2 * 25);
        ASSERT_TRUE(limit.Active);
        rig->Engine.Start(SamplerRig::Addresses({1}), 1);
        ASSERT_TRUE(RunUntilSamples(*rig, 3));
    }
    EXPECT_EQ(rig->View.Failures, QStringList{"Data can not save !!! Disc full or protected."});
    EXPECT_FALSE(rig->State().SaveArmed);
    EXPECT_GE(rig->View.Disarmed, 1);
    EXPECT_FALSE(rig->Engine.RecordFileOpen());
    ASSERT_TRUE(RunUntilSamples(*rig, 6));
    EXPECT_TRUE(rig->State().Recording);
    EXPECT_EQ(rig->View.Failures.size(), 1);
    rig->Engine.Stop();
    EXPECT_EQ(ReadAll(Folder.filePath("full.rec")).size(), 12 + 2 * 25);
}

TEST_F(SamplerSimTest, FileThatCannotBeCreatedIsReportedAndRecordingGoesOn)
{
    Controller(1, 250);
    auto rig = MakeRig();
    rig->State().SaveArmed = true;
    rig->State().RecordFilePath = Folder.filePath("no/such/folder/x.rec");
    rig->Engine.Start(SamplerRig::Addresses({1}), 1);
    EXPECT_EQ(rig->View.Failures, QStringList{"Data can not save !!! Disc full or protected."});
    EXPECT_FALSE(rig->State().SaveArmed);
    EXPECT_TRUE(rig->State().Recording);
    ASSERT_TRUE(RunUntilSamples(*rig, 2));
}

TEST_F(SamplerSimTest, SecondStartAsksBeforeOverwriting)
{
    Controller(1, 250);
    auto rig = MakeRig();
    Arm(*rig, "again.rec");
    rig->Engine.Start(SamplerRig::Addresses({1}), 1);
    ASSERT_TRUE(RunUntilSamples(*rig, 2));
    rig->Engine.Stop();
    EXPECT_TRUE(rig->State().SaveArmed);  // stopping leaves saving armed
    EXPECT_TRUE(rig->View.Questions.isEmpty());

    rig->View.OverwriteAnswer = false;
    rig->Engine.Start(SamplerRig::Addresses({1}), 1);
    EXPECT_EQ(rig->View.Questions, QStringList{"again.rec"});
    EXPECT_FALSE(rig->State().Recording);
    EXPECT_FALSE(rig->State().SaveArmed);
    EXPECT_FALSE(rig->Port.Open());
    EXPECT_EQ(ReadAll(Folder.filePath("again.rec")).size(), 12 + 2 * 25);

    rig->State().SaveArmed = true;
    rig->View.OverwriteAnswer = true;
    rig->Engine.Start(SamplerRig::Addresses({1}), 1);
    EXPECT_TRUE(rig->State().Recording);
    EXPECT_EQ(ReadAll(Folder.filePath("again.rec")).size(), 12);
}

TEST_F(SamplerSimTest, CloseDisarmsSavingAndReleasesTheLine)
{
    Controller(1, 250);
    auto rig = MakeRig();
    Arm(*rig, "close.rec");
    rig->Engine.Start(SamplerRig::Addresses({1}), 1);
    ASSERT_TRUE(RunUntilSamples(*rig, 1));
    rig->Engine.FormClose();
    EXPECT_FALSE(rig->State().Recording);
    EXPECT_FALSE(rig->State().SaveArmed);
    EXPECT_FALSE(rig->Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    // Nothing more happens on the clock.
    const std::size_t sent = Watch.Stations.size();
    Clock.Advance(10'000);
    EXPECT_EQ(Watch.Stations.size(), sent);
}

} // namespace
