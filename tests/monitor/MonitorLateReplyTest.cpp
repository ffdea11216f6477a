// A reply that comes after its deadline, against the simulated controller
// in process, on the virtual clock: once it is past, every reply must again
// answer its own request.
#include "MonitorRig.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct LateCase {
    bool Rtu;
    int Baud;
    int LateMs;  // past the deadline: 18 ticks in ASCII, 1 (and one more) in RTU at 38400
};

// Connects a model A, lets one of its replies come late, and then watches
// 200 more requests: the faults they brought and the set values shown.
struct LateOutcome {
    int FaultsAfter = -1;
    std::set<int> SetValuesShown;
};

LateOutcome AfterOneLateReply(const LateCase &c)
{
    LateOutcome outcome;
    MonitorRig rig(c.Rtu, c.Baud);
    SimController &controller = rig.Add(1, Model::A, c.Rtu, c.Baud);
    rig.Connect(0, 1);
    if (!rig.RunRequests(40) || rig.Engine->Slot(0).ErrorCount != 0)
        return outcome;
    controller.Faults().Options.SlowMs = c.LateMs;
    controller.Faults().Add({Fault::Slow, 0, 0, 1});  // the next reply only
    if (!rig.RunRequests(60))
        return outcome;
    const int faults = rig.Engine->Slot(0).ErrorCount;
    const size_t target = rig.Log.Sent.size() + 200;
    rig.RunUntil([&] {
        outcome.SetValuesShown.insert(rig.Engine->Slot(0).SetValue);
        return rig.Log.Sent.size() >= target;
    });
    outcome.FaultsAfter = rig.Engine->Slot(0).ErrorCount - faults;
    return outcome;
}

TEST(MonitorLateReply, AnRtuMonitorIsBackInStepAfterALateReply)
{
    const LateOutcome outcome = AfterOneLateReply({true, 38400, 150});
    EXPECT_EQ(outcome.FaultsAfter, 0);
    EXPECT_EQ(outcome.SetValuesShown, std::set<int>{1000});  // the controller's 100.0
}

// Were the next request sent the moment a reply failed, in ASCII the late
// reply would answer the repeated request, the repeated request's own reply
// would be taken for the step after it, and so on for good. After a late or
// damaged reply the engine lets the line fall quiet before it sends again.
TEST(MonitorLateReply, AnAsciiMonitorIsBackInStepAfterALateReply)
{
    const LateOutcome outcome = AfterOneLateReply({false, 9600, 1500});
    EXPECT_EQ(outcome.FaultsAfter, 0);
    EXPECT_EQ(outcome.SetValuesShown, std::set<int>{1000});
}

} // namespace
