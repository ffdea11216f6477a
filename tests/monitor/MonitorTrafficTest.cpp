// What the monitor tells the traffic log, against simulated controllers
// that misbehave by chance, on the virtual clock: the log counts what the
// engine counts, a reply whose request no longer stands is shown as
// dropped, and a transfer's frames are named as such.
#include "MonitorRig.h"
#include "TappedTraffic.h"

#include <gtest/gtest.h>

namespace {

class MonitorTraffic : public ::testing::TestWithParam<bool> {
protected:
    TappedTraffic Log;
};

TEST_P(MonitorTraffic, TheLogAgreesWithTheEngine)
{
    using V = TrafficVerdict;
    const bool rtu = GetParam();
    const int baud = rtu ? 38400 : 9600;
    MonitorRig rig(rtu, baud);
    SimController &a = rig.Add(1, Model::A, rtu, baud);
    SimController &b = rig.Add(2, Model::B, rtu, baud);
    for (SimController *c : {&a, &b}) {
        for (Fault kind : {Fault::Silence, Fault::BadChecksum, Fault::Exception, Fault::ForeignStation})
            c->Faults().Add({kind, 0.03});
    }
    rig.Connect(0, 1);
    rig.Connect(1, 2);
    ASSERT_TRUE(rig.RunRequests(400, 600'000));

    // Stopped once the last reply is in: every request has its row.
    a.Faults().Clear();
    b.Faults().Clear();
    rig.Engine->Close2Click();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Closes > 0; }));
    const TrafficCounts &counts = Log.Counts();
    int errors = 0;
    for (int s = 0; s < SlotCount; ++s)
        errors += rig.Engine->Slot(s).ErrorCount;
    EXPECT_EQ(counts.Sent, static_cast<qint64>(rig.Log.Sent.size()));
    EXPECT_EQ(counts.Judged() - counts.Of(V::Ok), errors);
    // The reply that ended the closing is not judged.
    EXPECT_EQ(counts.Of(V::None), 1);
    EXPECT_EQ(counts.Judged() + counts.Of(V::None), counts.Sent);
    for (V v : {V::Timeout, V::Checksum, V::Exception, V::Foreign})
        EXPECT_GT(counts.Of(v), 0) << TrafficLog::VerdictName(v).toStdString();
    EXPECT_EQ(counts.Of(V::Late), 0);  // nothing was changed meanwhile
}

TEST_P(MonitorTraffic, AStaleReplyIsDroppedAndATransferIsNamed)
{
    const bool rtu = GetParam();
    const int baud = rtu ? 38400 : 9600;
    MonitorRig rig(rtu, baud);
    rig.Add(1, Model::B, rtu, baud);
    rig.Add(2, Model::B, rtu, baud);
    rig.Connect(0, 1);
    rig.Connect(1, 2);
    ASSERT_TRUE(rig.RunRequests(40));

    // Slot 1 is cancelled while its request is on the line.
    bool toStation2 = false;
    rig.Log.OnSent = [&](const SentRequest &r) { toStation2 = r.Station == 2; };
    ASSERT_TRUE(rig.RunUntil([&] { return toStation2; }));
    rig.Log.OnSent = nullptr;
    const int sentRow = Log.Count() - 1;
    ASSERT_TRUE(Log.Row(sentRow).Tx);
    rig.Connect(1, 2);
    ASSERT_TRUE(rig.RunRequests(2));
    const TrafficRow &reply = Log.Row(sentRow + 1);
    EXPECT_FALSE(reply.Tx);
    EXPECT_EQ(reply.Station, 2);
    EXPECT_EQ(reply.Verdict, TrafficVerdict::Late);

    // An upload's frames are the parameter transfer's, and only they.
    rig.Engine->Adr0LbClick(0);
    ASSERT_TRUE(rig.RunRequests(20));
    const int before = Log.Count();
    ASSERT_EQ(rig.Engine->UPLOAD1Click("UPLOAD"), MonitorEngine::TransferStart::Started);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Uploads == 1; }));
    int transfer = 0;
    for (int i = 0; i < Log.Count(); ++i) {
        if (Log.Row(i).Link == TrafficLink::Parameters) {
            ++transfer;
            EXPECT_GE(i, before);
            EXPECT_EQ(Log.Row(i).Station, 1);
        }
    }
    EXPECT_GT(transfer, 0);
}

INSTANTIATE_TEST_SUITE_P(AsciiAndRtu, MonitorTraffic, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Rtu" : "Ascii"; });

} // namespace
