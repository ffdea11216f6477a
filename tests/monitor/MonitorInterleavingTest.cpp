// A reply is the answer to one request, sent for one purpose; between the
// two the user cancels, selects, re-addresses, and transfers start and end,
// and the line misbehaves. The engine against the simulated controllers on
// the virtual clock: first the interleavings that once went wrong, then
// thousands of random ones with the rules that must hold after each event.
#include "MessageTable.h"
#include "MonitorRig.h"
#include "TappedTraffic.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

size_t SentTo(const MonitorRig &rig, int station, size_t from = 0)
{
    size_t n = 0;
    for (size_t i = from; i < rig.Log.Sent.size(); ++i)
        n += rig.Log.Sent[i].Station == station ? 1 : 0;
    return n;
}

// Until a request for `reg` is on the line (its reply not yet in).
bool RunUntilOnTheLine(MonitorRig &rig, int reg, size_t nth = 1)
{
    const size_t from = rig.Log.Sent.size();
    return rig.RunUntil([&] {
        size_t seen = 0;
        for (size_t i = from; i < rig.Log.Sent.size(); ++i)
            seen += rig.Log.Sent[i].Register == reg ? 1 : 0;
        return seen >= nth && rig.Log.Sent.back().Register == reg && rig.Engine->AwaitingReply();
    }, 600'000);
}

TEST(MonitorInterleaving, ALateUploadReplyIsNotStoredAfterItsSlotWent)
{
    struct Case {
        const char *Name;
        size_t OnTheLine;  // which read of the block is out when the user acts
        bool CancelTheSlot;  // else: select the other slot
    } cases[] = {
        {"the last slot cancelled during a read", 10, true},
        {"another slot selected during the 256th read", 256, false},
    };
    for (const Case &c : cases) {
        MonitorRig rig;
        rig.Add(2, Model::B).SetNoise(false);
        rig.Add(3, Model::C).SetSecurity(8, 0);
        rig.Connect(0, 2);
        ASSERT_TRUE(rig.RunUntil([&] { return rig.Engine->Page().Shown; })) << c.Name;
        if (!c.CancelTheSlot) {
            rig.Connect(1, 3);
            ASSERT_TRUE(rig.RunUntil([&] { return rig.Engine->Slot(1).SlotModel == ModelC; })) << c.Name;
        }
        ASSERT_EQ(rig.Engine->UPLOAD1Click("UPLOAD"), MonitorEngine::TransferStart::Started) << c.Name;
        ASSERT_TRUE(RunUntilOnTheLine(rig, 0x474C, c.OnTheLine)) << c.Name;
        if (c.CancelTheSlot)
            rig.Engine->RunBt0Click(0, rig.Addresses);
        else
            rig.Engine->Adr0LbClick(1);
        rig.Clock.Advance(5'000);
        EXPECT_EQ(rig.TransferFailures, QStringList{"UPLOAD"}) << c.Name;
        EXPECT_EQ(rig.Uploads, 0) << c.Name;
        EXPECT_FALSE(rig.Engine->BufferValid()) << c.Name;
    }
}

TEST(MonitorInterleaving, ASlotCancelledDuringItsLastTimeOutLeavesTheOthersPolled)
{
    MonitorRig rig;
    rig.Add(1, Model::A);
    SimController &silent = rig.Add(2, Model::B);
    rig.Connect(0, 1);
    rig.Connect(1, 2);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Engine->Slot(1).SlotModel == ModelB; }));
    silent.Faults().Add({Fault::Silence});
    ASSERT_TRUE(rig.RunUntil([&] {
        return rig.Engine->Slot(1).ErrorCount == 3 && rig.Log.Sent.back().Station == 2 && rig.Engine->AwaitingReply();
    }));
    rig.Engine->RunBt0Click(1, rig.Addresses);  // during the fourth
    const size_t at = rig.Log.Sent.size();
    rig.Clock.Advance(10'000);
    EXPECT_EQ(rig.Engine->ActiveSlotCount(), 1);
    EXPECT_TRUE(rig.Engine->Slot(0).SlotConnected);
    EXPECT_GT(SentTo(rig, 1, at), 20u);
    EXPECT_EQ(SentTo(rig, 2, at), 0u);
}

TEST(MonitorInterleaving, AControllerThatKeepsFailingIsDroppedAndTheOthersGoOn)
{
    struct Case {
        Fault Kind;
        QString Message;
    } cases[] = {
        {Fault::BadChecksum, MessageTable::ModbusFaultTexts[10]},
        {Fault::ForeignStation, MessageTable::AddressNotCorrect},
        {Fault::Silence, MessageTable::TimeoutText},
    };
    for (const Case &c : cases) {
        MonitorRig rig;
        rig.Add(1, Model::A);
        rig.Add(2, Model::B).Faults().Add({c.Kind});
        rig.Connect(0, 1);
        rig.Connect(1, 2);
        rig.Clock.Advance(30'000);
        const std::string name = FaultName(c.Kind).toStdString();
        EXPECT_FALSE(rig.Engine->Slot(1).SlotConnected) << name;
        EXPECT_EQ(rig.Engine->Slot(1).ErrorCount, 4) << name;
        EXPECT_EQ(rig.Engine->Message(), c.Message) << name;
        const size_t at = rig.Log.Sent.size();
        rig.Clock.Advance(5'000);
        EXPECT_GT(SentTo(rig, 1, at), 20u) << name;
    }
}

TEST(MonitorInterleaving, AChatteringLineDoesNotHoldTheNextRequestForEver)
{
    // After a failed transaction the next request waits for a quiet line;
    // something on the line every half second never lets it be quiet.
    MonitorRig rig;
    SimController &c = rig.Add(1, Model::A);
    rig.Connect(0, 1);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Engine->Page().Shown; }));
    c.Faults().Add({Fault::Silence, 0, 0, 1});
    std::function<void()> chatter = [&] {
        if (rig.Log.Line)
            rig.Log.Line->Deliver(QByteArray(1, '\0'));
        rig.Clock.CallAfter(500, chatter);
    };
    chatter();
    rig.Clock.Advance(5'000);
    const size_t at = rig.Log.Sent.size();
    rig.Clock.Advance(20'000);
    EXPECT_GE(rig.Log.Sent.size() - at, 5u);
}

// ---- random interleavings ------------------------------------------------------

// A ramp/soak editor that only takes part.
class RampPeer : public RampTransferClient {
public:
    void RampReadProgress(int, int) override {}
    void RampReadDone(const std::array<std::uint8_t, 256> &, const std::array<std::uint8_t, 260> &) override {}
    int RampWriteValue(int index) override { return index; }
    void RampWriteProgress(int) override {}
    void RampTransferFailed() override {}
};

// The controller the user means when giving a command: the selected slot
// and its address at that moment.
struct Choice {
    int Slot = NoSlot;
    int Address = 0;
    bool operator==(const Choice &) const = default;
};

class Interleaving {
public:
    explicit Interleaving(std::uint32_t seed) : Random(seed)
    {
        const Model models[] = {Model::A, Model::B, Model::C, Model::B};
        for (int a = 1; a <= 4; ++a) {
            SimController &c = Rig.Add(a, models[a - 1]);
            c.SetNoise(false);
            Controllers.push_back(&c);
        }
        Controllers[2]->SetSecurity(8, 0);
        // Address 5 answers nobody: a slot set to it times out.
        Rig.Log.OnSent = [this](const SentRequest &r) { CheckWrite(r); };
        Rig.Bus.SetTurnaroundMs(2);
    }

    void Step()
    {
        LineEvent();
        UserEvent();
        Rig.Clock.Advance(Pick(1, 400));
        Check();
    }

    // Every request on the line has its row, and at most one reply after it,
    // for the same station and link (or the request was given up). Returns
    // how many replies were dropped as late.
    int CheckTraffic()
    {
        size_t sent = 0;
        int replies = 0;
        int late = 0;
        const TrafficRow *request = nullptr;
        for (int i = 0; i < Traffic.Count(); ++i) {
            const TrafficRow &row = Traffic.Row(i);
            if (row.Tx) {
                ++sent;
                request = &row;
                replies = 0;
                continue;
            }
            if (row.Verdict == TrafficVerdict::Unrequested)
                continue;
            late += row.Verdict == TrafficVerdict::Late ? 1 : 0;
            if (!request || ++replies > 1 || row.Station != request->Station || row.Link != request->Link)
                Fail("traffic row " + std::to_string(i) + " is no reply to the request before it");
        }
        if (sent != Rig.Log.Sent.size())
            Fail(std::to_string(sent) + " requests in the traffic log, " + std::to_string(Rig.Log.Sent.size())
                 + " on the line");
        return late;
    }

    std::vector<std::string> Violations;
    TappedTraffic Traffic;  // before the rig: it outlives the rig's exchange
    MonitorRig Rig;

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(Random); }
    MonitorEngine &Engine() { return *Rig.Engine; }
    void Fail(const std::string &what)
    {
        if (Violations.size() < 20)
            Violations.push_back("at " + std::to_string(Rig.Clock.NowMs()) + " ms: " + what);
    }
    Choice Selection()
    {
        const int s = Engine().SelectedSlot();
        if (s < 0 || s >= SlotCount || !Engine().Slot(s).SlotConnected)
            return {};
        return {s, Engine().Slot(s).SlotAddress};
    }
    // The user gives a command that writes to the selected controller.
    void Commanded(bool broadcast = false)
    {
        NoteSelection();
        const Choice now = Selection();
        if (now.Slot != NoSlot)
            Chosen.insert(broadcast ? 0 : now.Address);
    }
    // Whatever was commanded for the controller selected before goes with it.
    void NoteSelection()
    {
        const Choice now = Selection();
        if (!(now == LastSelection)) {
            LastSelection = now;
            Chosen.clear();
        }
    }

    void LineEvent()
    {
        const int what = Pick(0, 99);
        SimController &c = *Controllers[static_cast<size_t>(Pick(0, 3))];
        if (what < 10) {
            c.Faults().Clear();
        } else if (what < 16) {
            const Fault kinds[] = {Fault::Silence, Fault::BadChecksum, Fault::Exception, Fault::ForeignStation,
                                   Fault::Split, Fault::Slow, Fault::Garbage};
            c.Faults().Options.SlowMs = Pick(100, 3000);
            c.Faults().Add({kinds[Pick(0, 6)], 0, 0, Pick(1, 6)});
        } else if (what < 18 && Rig.Log.Line) {
            QByteArray noise;
            for (int i = Pick(1, 20); i > 0; --i)
                noise += static_cast<char>(Pick(0, 255));
            Rig.Log.Line->Deliver(noise);
        } else if (what == 18 && Rig.Log.Line) {
            Rig.Log.Line->Fail(QStringLiteral("Serial line lost: the device was pulled"));
        }
    }

    void UserEvent()
    {
        NoteSelection();
        const int s = Pick(0, SlotCount - 1);
        switch (Pick(0, 24)) {
        case 0: case 1: case 2: case 3:
            Rig.Addresses[static_cast<size_t>(s)] = Pick(1, 5);
            Engine().RunBt0Click(s, Rig.Addresses);
            break;
        case 4:
            Rig.Addresses[static_cast<size_t>(s)] = Pick(1, 5);
            Engine().ComAddr0Change(s, Rig.Addresses);
            break;
        case 5: case 6:
            Engine().Adr0LbClick(s);
            break;
        case 7:
            if (Engine().UPLOAD1Click("UPLOAD") == MonitorEngine::TransferStart::Started) {
                Commanded();
                const MonitorSlot &slot = Engine().Slot(Engine().SelectedSlot());
                UploadFrom = {slot.SlotModel, slot.FirmwareVersion};
                UploadsBefore = Rig.Uploads;
            }
            break;
        case 8:
            // The question was asked a moment ago, about the slot selected then.
            Asked = Engine().DownloadTarget();
            AskedChoice = Selection();
            break;
        case 9: case 10:
            if (Asked.Slot != NoSlot) {
                const bool broadcast = Pick(0, 1) == 1;
                // The user's yes is about the controller asked about.
                NoteSelection();
                if (AskedChoice.Slot != NoSlot && AskedChoice == Selection())
                    Chosen.insert(broadcast ? 0 : AskedChoice.Address);
                Engine().DOWNLOAD1Click(broadcast, "WRITE", Asked);
                Asked = {};
            }
            break;
        case 11:
            if (Engine().StartRampRead(Ramp))
                Commanded();
            break;
        case 12:
            Commanded();
            Engine().StartRampWrite(Ramp);
            break;
        case 13:
            Commanded();
            Engine().RangeHiKeyPress(Pc::SV, QString::number(Pick(0, 500)));
            break;
        case 14:
            Commanded();
            Engine().ClearBt1Click(Pick(0, 1) == 1);
            break;
        case 15:
            Engine().Pass3DropDown();
            Commanded();
            Engine().Pass1CloseUp(Pick(0, 2), Pick(0, 1));
            break;
        case 16:
            Commanded();
            Engine().SLevelClick(Pick(0, 4));
            break;
        case 17:
            Commanded();
            Engine().PasswordEntered(Pick(0, 2) == 0 ? std::nullopt : std::optional<int>(0x1111));
            break;
        case 18:
            Commanded();
            Engine().PassEditEntered(Pick(0, 1) ? MonitorEngine::AccessCode::Calibration
                                                : MonitorEngine::AccessCode::Other);
            break;
        case 19:
            if (Pick(0, 9) == 0) {
                Engine().Close2Click();
                Rig.Clock.Advance(3'000);
                Engine().FormShow();
            }
            break;
        default:
            break;  // time passes
        }
    }

    void CheckWrite(const SentRequest &r)
    {
        if (r.Function != 0x06)
            return;
        NoteSelection();
        if (!Chosen.count(r.Station))
            Fail("a write to station " + std::to_string(r.Station) + " nobody chose (register "
                 + std::to_string(r.Register) + ")");
    }

    void Check()
    {
        NoteSelection();
        const int selected = Engine().SelectedSlot();
        if (!(selected == NoSlot || (selected >= 0 && selected < SlotCount)))
            Fail("selected slot " + std::to_string(selected));
        if (Engine().PolledSlot() < 0 || Engine().PolledSlot() >= SlotCount)
            Fail("polled slot " + std::to_string(Engine().PolledSlot()));
        int connected = 0;
        for (int s = 0; s < SlotCount; ++s)
            connected += Engine().Slot(s).SlotConnected ? 1 : 0;
        if (Engine().ActiveSlotCount() != connected)
            Fail("counted " + std::to_string(Engine().ActiveSlotCount()) + " slots, " + std::to_string(connected)
                 + " connected");
        if (connected > 0 && selected == NoSlot)
            Fail("slots connected and none selected");
        // A buffer filled by an upload is that controller's, stamped as such.
        if (Rig.Uploads > UploadsBefore) {
            UploadsBefore = Rig.Uploads;
            const ParameterImage &image = Engine().Buffer();
            if (image.ModelLetter() != UploadFrom.first || image.Firmware() != UploadFrom.second)
                Fail("an upload stamped " + std::string(1, static_cast<char>(image.ModelLetter()))
                     + " from a model " + std::string(1, static_cast<char>(UploadFrom.first)));
        }
        // While a slot is connected the line is never left idle for long.
        if (!Rig.Log.Sent.empty() && connected > 0 && Rig.Port.Open()
            && Rig.Clock.NowMs() - std::max(Rig.Log.Sent.back().AtMs, LastChange) > 12'000)
            Fail("no request for " + std::to_string(Rig.Clock.NowMs() - Rig.Log.Sent.back().AtMs) + " ms");
        if (connected == 0 || !Rig.Port.Open())
            LastChange = Rig.Clock.NowMs();
    }

    std::mt19937 Random;
    std::vector<SimController *> Controllers;
    RampPeer Ramp;
    std::set<int> Chosen;
    Choice LastSelection;
    MonitorEngine::Confirmed Asked;
    Choice AskedChoice;
    std::pair<int, int> UploadFrom;
    int UploadsBefore = 0;
    qint64 LastChange = 0;
};

TEST(MonitorInterleaving, RandomUserActionsAndLineEventsKeepTheRules)
{
    // QMV_INTERLEAVING_SEEDS and QMV_INTERLEAVING_STEPS make a longer run.
    const int seeds = qEnvironmentVariableIsSet("QMV_INTERLEAVING_SEEDS") ? qEnvironmentVariableIntValue("QMV_INTERLEAVING_SEEDS") : 4;
    const int steps = qEnvironmentVariableIsSet("QMV_INTERLEAVING_STEPS") ? qEnvironmentVariableIntValue("QMV_INTERLEAVING_STEPS") : 1500;
    int late = 0;
    for (int seed = 1; seed <= seeds; ++seed) {
        Interleaving run(static_cast<std::uint32_t>(seed));
        for (int i = 0; i < steps && run.Violations.empty(); ++i)
            run.Step();
        late += run.CheckTraffic();
        std::string all;
        for (const std::string &v : run.Violations)
            all += v + "\n";
        EXPECT_TRUE(run.Violations.empty()) << "seed " << seed << ":\n" << all;
    }
    EXPECT_GT(late, 0);  // the user's changes made replies stale, and the log says so
}

} // namespace
