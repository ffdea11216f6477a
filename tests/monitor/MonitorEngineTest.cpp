// The monitor's request engine end to end against the simulated controllers,
// in process and on the virtual clock.
#include "FrameCodec.h"
#include "MessageTable.h"
#include "MonitorRig.h"

#include <gtest/gtest.h>

namespace {

using Reads = std::vector<std::pair<int, int>>;

// The first request from `from` on that repeats the one before it.
size_t FirstRepeat(const std::vector<SentRequest> &sent, size_t from)
{
    for (size_t i = std::max<size_t>(from, 1); i < sent.size(); ++i) {
        if (sent[i] == sent[i - 1])
            return i;
    }
    return sent.size();
}

struct SequenceCase {
    const char *Name;
    Model Kind;
    int Level;  // model C security level, 0 for the others
    Reads Expected;
};

class StepSequence : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(StepSequence, AfterConnectingOneSlot)
{
    const SequenceCase &c = GetParam();
    MonitorRig rig;
    SimController &controller = rig.Add(1, c.Kind);
    controller.SetSecurity(c.Level, 1);
    rig.Connect(0, 1);
    ASSERT_TRUE(rig.RunRequests(c.Expected.size()));
    Reads reads = rig.Reads();
    reads.resize(c.Expected.size());
    EXPECT_EQ(reads, c.Expected);
    EXPECT_EQ(rig.Engine->Slot(0).SlotModel, static_cast<std::uint8_t>('A' + static_cast<int>(c.Kind)));
    EXPECT_TRUE(rig.Faults.isEmpty());
    EXPECT_EQ(rig.Engine->Slot(0).ErrorCount, 0);
}

const Reads ModelAReads = {{0x0012, 3}, {0x470F, 2}, {0x4728, 4}, {0x4700, 2}, {0x4718, 8}, {0x4700, 2},
                           {0x471C, 3}, {0x4733, 1}, {0x4731, 1}, {0x4710, 8}, {0x4718, 8}, {0x4708, 8},
                           {0x4701, 7}, {0x4728, 4}, {0x4700, 2}, {0x4718, 8}};
const Reads ModelBReads = {{0x0012, 3}, {0x4724, 2}, {0x4717, 4}, {0x4700, 4}, {0x4728, 8}, {0x4700, 4},
                           {0x4723, 7}, {0x4751, 1}, {0x4720, 8}, {0x4710, 8}, {0x4718, 8}, {0x4708, 8},
                           {0x4701, 7}, {0x4717, 4}};
const Reads ModelCReads = {{0x0012, 3}, {0x4751, 1}, {0x471A, 6}, {0x4700, 4}, {0x4728, 8}, {0x4700, 4},
                           {0x4723, 6}, {0x4751, 1}, {0x4720, 8}, {0x4710, 8}, {0x4718, 8}, {0x4708, 8},
                           {0x4701, 7}, {0x471A, 6}};
// Below level 4 only what the front panel shows is read, and no page.
const Reads ModelCLockedReads = {{0x0012, 3}, {0x4751, 1}, {0x4728, 1}, {0x4700, 2}, {0x4728, 1}, {0x4700, 2},
                                 {0x4728, 1}, {0x4751, 1}, {0x4728, 1}, {0x4700, 2}};

INSTANTIATE_TEST_SUITE_P(Models, StepSequence,
                         ::testing::Values(SequenceCase{"A", Model::A, 0, ModelAReads},
                                           SequenceCase{"B", Model::B, 0, ModelBReads},
                                           SequenceCase{"C", Model::C, 8, ModelCReads},
                                           SequenceCase{"CLocked", Model::C, 1, ModelCLockedReads}),
                         [](const auto &info) { return std::string(info.param.Name); });

TEST(MonitorEngine, TwoSlotsAlternateAndTheGapsAreSkipped)
{
    MonitorRig rig;
    rig.Add(1, Model::B);
    rig.Add(3, Model::B);
    rig.Connect(0, 1);
    rig.Connect(2, 3);
    // Once both are identified and the page of slot 0 was read, the status
    // steps alternate between the two stations.
    ASSERT_TRUE(rig.RunRequests(40));
    const size_t from = rig.Log.Sent.size();
    ASSERT_TRUE(rig.RunRequests(12));
    std::vector<int> stations;
    for (size_t i = from; i < rig.Log.Sent.size(); ++i) {
        if (rig.Log.Sent[i].Register != 0x4720 && rig.Log.Sent[i].Register < 0x4762)
            stations.push_back(rig.Log.Sent[i].Station);
    }
    for (size_t i = 1; i < stations.size(); ++i)
        EXPECT_NE(stations[i], stations[i - 1]) << i;
    for (const SentRequest &r : rig.Log.Sent)
        EXPECT_TRUE(r.Station == 1 || r.Station == 3);
}

TEST(MonitorEngine, FourTimeOutsDropASlotAndTheSelectionMovesOn)
{
    struct Case { int Dropped; std::vector<int> Others; int Next; } cases[] = {
        {0, {1, 2, 3}, 1}, {1, {3, 0}, 3}, {2, {0}, 0}, {3, {1, 2}, 1},
    };
    for (const Case &c : cases) {
        MonitorRig rig;
        rig.Add(10 + c.Dropped, Model::B);
        rig.Connect(c.Dropped, 10 + c.Dropped);
        for (int s : c.Others) {
            rig.Add(10 + s, Model::B);
            rig.Connect(s, 10 + s);
        }
        ASSERT_TRUE(rig.RunRequests(30));
        ASSERT_EQ(rig.Engine->SelectedSlot(), c.Dropped);
        rig.Bus.Find(10 + c.Dropped)->Faults().Add({Fault::Silence});
        ASSERT_TRUE(rig.RunUntil([&] { return !rig.Engine->Slot(c.Dropped).SlotConnected; }, 120'000)) << c.Dropped;
        EXPECT_EQ(rig.Engine->SelectedSlot(), c.Next) << c.Dropped;
        EXPECT_EQ(rig.Engine->ActiveSlotCount(), static_cast<int>(c.Others.size()));
        EXPECT_EQ(rig.Engine->Message(), MessageTable::TimeoutText);
        EXPECT_EQ(rig.Engine->Slot(c.Dropped).Led, LinkLed::Gray);
        // Four requests to the silent station, then no more.
        const size_t sent = rig.Log.Sent.size();
        ASSERT_TRUE(rig.RunRequests(10));
        for (size_t i = sent; i < rig.Log.Sent.size(); ++i)
            EXPECT_NE(rig.Log.Sent[i].Station, 10 + c.Dropped);
    }
}

TEST(MonitorEngine, TheLastSlotDroppedReleasesTheLine)
{
    MonitorRig rig;
    rig.Add(1, Model::A).Faults().Add({Fault::Silence});
    rig.Connect(0, 1);
    EXPECT_EQ(SessionState.ActiveModule, ModuleMonitor);
    ASSERT_TRUE(rig.RunUntil([&] { return !rig.Port.Open(); }));
    EXPECT_EQ(rig.Log.Sent.size(), 4u);
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_EQ(rig.Engine->ActiveSlotCount(), 0);
    EXPECT_FALSE(rig.Engine->Timer1Enabled());
    EXPECT_FALSE(rig.Engine->Menus().ParametersMenu);
}

TEST(MonitorEngine, RtuExceptionReplyGetsOneMoreDeadlinePeriod)
{
    MonitorRig rig(true, 9600);
    SimController &c = rig.Add(1, Model::B, true);
    rig.Connect(0, 1);
    ASSERT_TRUE(rig.RunRequests(20));
    c.Faults().Add({Fault::Exception, 0, 0, 1});  // the next reply only
    const size_t at = rig.Log.Sent.size();
    ASSERT_TRUE(rig.RunRequests(3));
    const size_t again = FirstRepeat(rig.Log.Sent, at - 1);
    ASSERT_LT(again, rig.Log.Sent.size());
    // The 5-byte exception never reaches the announced length: one deadline,
    // one more period, then it is judged; the request goes again once the
    // line has been quiet for a deadline.
    const qint64 gap = rig.Log.Sent[again].AtMs - rig.Log.Sent[again - 1].AtMs;
    EXPECT_GE(gap, 2 * 110 + 110);
    EXPECT_LE(gap, 2 * 165 + 110 + 30);
    EXPECT_TRUE(rig.Engine->Message().startsWith(MessageTable::ReadErrorPrefix)) << rig.Engine->Message().toStdString();
    EXPECT_EQ(rig.Engine->Slot(0).ErrorCount, 1);
}

TEST(MonitorEngine, ExitWaitsForTheOutstandingReply)
{
    MonitorRig rig;
    rig.Add(1, Model::A);
    rig.Connect(0, 1);
    ASSERT_TRUE(rig.Engine->AwaitingReply());
    rig.Engine->Close2Click();
    EXPECT_EQ(rig.Closes, 0);
    EXPECT_TRUE(rig.Port.Open());
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Closes == 1; }));
    EXPECT_FALSE(rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    const size_t sent = rig.Log.Sent.size();
    rig.Clock.Advance(2000);
    EXPECT_EQ(rig.Log.Sent.size(), sent);
    // With nothing outstanding the window closes at once.
    rig.Engine->Close2Click();
    EXPECT_EQ(rig.Closes, 2);
}

TEST(MonitorEngine, ExitDuringASilenceClosesAtTheDeadline)
{
    MonitorRig rig;
    rig.Add(1, Model::A).Faults().Add({Fault::Silence});
    rig.Connect(0, 1);
    const qint64 asked = rig.Clock.NowMs();
    rig.Engine->Close2Click();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Closes == 1; }));
    EXPECT_GE(rig.Clock.NowMs() - asked, 18 * 55);
    EXPECT_EQ(rig.Log.Sent.size(), 1u);
}

TEST(MonitorEngine, AnAddressChangeIdentifiesTheSlotAgain)
{
    MonitorRig rig;
    rig.Add(1, Model::A);
    rig.Add(2, Model::C);
    rig.Connect(0, 1);
    ASSERT_TRUE(rig.RunRequests(20));
    ASSERT_EQ(rig.Engine->Slot(0).SlotModel, ModelA);
    rig.Addresses[0] = 2;
    rig.Engine->ComAddr0Change(0, rig.Addresses);
    const size_t at = rig.Log.Sent.size();
    ASSERT_TRUE(rig.RunRequests(4));
    bool identified = false;
    for (size_t i = at; i < rig.Log.Sent.size(); ++i)
        identified |= rig.Log.Sent[i].Function == 0x67 && rig.Log.Sent[i].Station == 2;
    EXPECT_TRUE(identified);
    ASSERT_TRUE(rig.RunRequests(20));
    EXPECT_EQ(rig.Engine->Slot(0).SlotModel, ModelC);
}

TEST(MonitorEngine, AForeignReplyIsCountedAndTheCycleGoesOn)
{
    MonitorRig rig;
    SimController &c = rig.Add(1, Model::B);
    rig.Connect(0, 1);
    ASSERT_TRUE(rig.RunRequests(16));
    c.Faults().Add({Fault::ForeignStation, 0, 0, 1});
    const size_t at = rig.Log.Sent.size();
    ASSERT_TRUE(rig.RunRequests(6));
    EXPECT_LT(FirstRepeat(rig.Log.Sent, at - 1), at + 1);  // asked again at once
    EXPECT_EQ(rig.Engine->Slot(0).ErrorCount, 1);
    EXPECT_EQ(rig.Engine->Message(), MessageTable::AddressNotCorrect);
}

TEST(MonitorEngine, DamagedRepliesAreCountedAndRepeated)
{
    for (Fault fault : {Fault::BadChecksum, Fault::Garbage, Fault::Split, Fault::Slow}) {
        MonitorRig rig;
        SimController &c = rig.Add(1, Model::B);
        rig.Connect(0, 1);
        ASSERT_TRUE(rig.RunRequests(16));
        c.Faults().Add({fault, 0, 0, 2});
        ASSERT_TRUE(rig.RunRequests(30)) << FaultName(fault).toStdString();
        EXPECT_TRUE(rig.Engine->Slot(0).SlotConnected) << FaultName(fault).toStdString();
        EXPECT_TRUE(rig.Faults.isEmpty());
    }
}

TEST(MonitorEngine, AReadReplyWithFewerWordsIsAFormatFault)
{
    // A peer that answers every read with one word only.
    class ShortReplies : public LinePeer {
    public:
        explicit ShortReplies(EventClock &clock) : Clock(clock) {}
        void Receive(InProcessLine &line, const QByteArray &bytes) override
        {
            const std::vector<int> p = PayloadOf(bytes);
            QByteArray reply(":");
            const int words[3] = {p[0], 3, 2};
            int sum = 0;
            for (int b : words) {
                reply += ByteToHex(b).toLatin1();
                sum += b;
            }
            reply += "0064";
            sum += 0x64;
            reply += ByteToHex((0x100 - (sum & 0xFF)) & 0xFF).toLatin1() + "\r\n";
            InProcessLine *target = &line;
            Clock.CallAfter(20, [target, reply] { target->Deliver(reply); });
        }
        EventClock &Clock;
    };
    MonitorRig rig;
    ShortReplies peer(rig.Clock);
    TComPort port(rig.Clock, InProcessLineFactory(&peer, 4));
    MonitorEngine engine(port, SessionState, rig);
    engine.RunBt0Click(0, rig.Addresses);
    rig.Clock.Advance(3000);
    EXPECT_EQ(engine.Message(), MessageTable::FormatFaultText);
    EXPECT_GT(engine.Slot(0).ErrorCount, 0);
    EXPECT_EQ(engine.Slot(0).SlotModel, ModelNone);
}

TEST(MonitorEngine, APortThatCannotBeOpenedReleasesTheSlotAndTheLine)
{
    MonitorRig rig;
    LinkSettings.PortNumber = 9;  // no such port
    rig.Connect(0, 1);
    EXPECT_EQ(rig.Faults, QStringList{"ie_BadId - Specified comport doesn't exist"});
    EXPECT_FALSE(rig.Engine->Slot(0).SlotConnected);
    EXPECT_EQ(rig.Engine->ActiveSlotCount(), 0);
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    // The next try on a good port works.
    LinkSettings.PortNumber = 1;
    rig.Add(1, Model::A);
    rig.Connect(0, 1);
    ASSERT_TRUE(rig.RunRequests(5));
    EXPECT_TRUE(rig.Engine->Slot(0).SlotConnected);
}

TEST(MonitorEngine, TheDevicePulledWhilePollingIsReportedOnce)
{
    MonitorRig rig;
    rig.Add(1, Model::B);
    rig.Add(2, Model::A);
    rig.Connect(0, 1);
    rig.Connect(1, 2);
    ASSERT_TRUE(rig.RunRequests(10));
    rig.Log.Line->Fail(QStringLiteral("Serial line lost"));
    rig.Clock.Advance(2000);
    EXPECT_EQ(rig.Faults, QStringList{"Serial line lost"});
    EXPECT_EQ(rig.Engine->ActiveSlotCount(), 0);
    EXPECT_FALSE(rig.Engine->Slot(0).SlotConnected);
    EXPECT_FALSE(rig.Engine->Slot(1).SlotConnected);
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
}

TEST(MonitorEngine, ConnectingTheLineSettingsOfNowAndKeepingThem)
{
    MonitorRig rig(true, 19200);
    rig.Add(1, Model::B, true, 19200);
    rig.Connect(0, 1);
    ASSERT_TRUE(rig.RunRequests(5));
    // The main window decodes another word meanwhile: the open port keeps
    // talking RTU.
    LinkSettings.RtuMode = false;
    ASSERT_TRUE(rig.RunRequests(10));
    EXPECT_EQ(rig.Engine->Slot(0).ErrorCount, 0);
}

TEST(MonitorEngine, RtuWithSeveralSlotsKeepsTheTurnaroundGap)
{
    MonitorRig rig(true, 38400);
    rig.Add(1, Model::B, true, 38400);
    rig.Add(2, Model::B, true, 38400);
    rig.Connect(0, 1);
    rig.Connect(1, 2);
    ASSERT_TRUE(rig.RunRequests(30));
    for (size_t i = 10; i < rig.Log.Sent.size(); ++i)
        EXPECT_GT(rig.Log.Sent[i].AtMs - rig.Log.Sent[i - 1].AtMs, 20) << i;
}

} // namespace
