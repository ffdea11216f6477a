// The process behind the simulated controllers, on the virtual clock.
#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct Fixture {
    explicit Fixture(Model kind)
        : Controller(Clock, {.Kind = kind})
    {
        Controller.SetNoise(false);
    }
    int Read(int reg) { return ReadOne(Controller, reg); }
    int Write(int reg, int value) { return WriteOne(Controller, reg, value); }
    VirtualClock Clock;
    SimController Controller;
};

int Signed(int word)
{
    return static_cast<std::int16_t>(word);
}

TEST(SimProcess, ProcessValueClimbsToTheSetValueWithALag)
{
    Fixture f(Model::A);  // set value 100.0, process at 25.0, lag 20 s
    int previous = f.Read(0x4700);
    EXPECT_EQ(previous, 250);
    for (int second = 10; second <= 60; second += 10) {
        f.Clock.Advance(10'000);
        const int pv = f.Read(0x4700);
        EXPECT_GT(pv, previous) << second;
        previous = pv;
    }
    // One time constant takes it 63 % of the way.
    Fixture g(Model::A);
    g.Clock.Advance(20'000);
    EXPECT_NEAR(g.Read(0x4700), 250 + 0.632 * 750, 3);
    g.Clock.Advance(200'000);
    EXPECT_EQ(g.Read(0x4700), 1000);
}

TEST(SimProcess, NoiseStaysWithinATenth)
{
    Fixture f(Model::B);
    f.Controller.SetNoise(true);
    f.Clock.Advance(600'000);
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) {
        f.Clock.Advance(250);
        seen.insert(f.Read(0x4700));
    }
    EXPECT_EQ(seen, (std::set<int>{1499, 1500, 1501}));
}

TEST(SimProcess, StoppedControllerCoolsToAmbientWithOutputsOff)
{
    Fixture f(Model::B);
    f.Clock.Advance(300'000);
    ASSERT_EQ(f.Read(0x4700), 1500);
    ASSERT_EQ(f.Write(0x4723, 0), 0);
    EXPECT_EQ(f.Read(0x4702), 0);
    f.Clock.Advance(300'000);
    EXPECT_EQ(f.Read(0x4700), 250);
    EXPECT_EQ(f.Read(0x4728) & 0x40, 0);  // output 1 LED off
}

TEST(SimProcess, AHeaterCannotCoolBelowAmbient)
{
    Fixture f(Model::B);
    ASSERT_EQ(f.Write(0x4701, 100), 0);
    f.Clock.Advance(300'000);
    EXPECT_EQ(f.Read(0x4700), 250);
    ASSERT_EQ(f.Write(0x471A, 2), 0);  // heat and cool
    f.Clock.Advance(300'000);
    EXPECT_EQ(f.Read(0x4700), 100);
    EXPECT_GT(f.Read(0x4703), 0);  // output 2 cools
    EXPECT_EQ(f.Read(0x4702), 0);
}

TEST(SimProcess, OutputsFollowTheControlMethod)
{
    Fixture f(Model::B);
    EXPECT_EQ(f.Read(0x4702), 1000);  // far below the set value: full heat
    ASSERT_EQ(f.Write(0x4719, 1), 0);  // ON-OFF
    EXPECT_EQ(f.Read(0x4702), 1000);
    ASSERT_EQ(f.Write(0x4719, 2), 0);  // manual
    ASSERT_EQ(f.Write(0x4702, 250), 0);
    EXPECT_EQ(f.Read(0x4702), 250);
    f.Clock.Advance(400'000);
    // 25 % of a 400-degree span over ambient.
    EXPECT_EQ(f.Read(0x4700), 250 + 1000);
    ASSERT_EQ(f.Write(0x4719, 0), 0);  // PID near the set value holds a part
    f.Clock.Advance(400'000);
    const int out = f.Read(0x4702);
    EXPECT_GT(out, 0);
    EXPECT_LT(out, 1000);
    ASSERT_EQ(f.Write(0x4715, 50), 0);  // tuning output limit 50 %
    f.Controller.SetProcessValue(250);
    EXPECT_EQ(f.Read(0x4702), 500);
}

struct LedCase {
    const char *Name;
    Model Kind;
    std::vector<std::pair<int, int>> Writes;
    int ProcessValue;
    int Expected;
};

class SimProcessLeds : public ::testing::TestWithParam<LedCase> {};

TEST_P(SimProcessLeds, ShowUnitAlarmsAndOutputs)
{
    const LedCase &p = GetParam();
    Fixture f(p.Kind);
    ASSERT_EQ(f.Write(p.Kind == Model::A ? 0x4719 : 0x4723, 0), 0);  // outputs off
    for (const auto &[reg, value] : p.Writes)
        ASSERT_EQ(f.Write(reg, value), 0) << std::hex << reg;
    f.Controller.SetProcessValue(p.ProcessValue);
    EXPECT_EQ(f.Read(p.Kind == Model::A ? 0x471C : 0x4728), p.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bits, SimProcessLeds,
    ::testing::Values(
        // Model A has its own layout: C bit 3, F bit 2, alarm 1 bit 5, alarm 2 bit 4.
        LedCase{"A_Celsius", Model::A, {}, 1000, 0x08},
        LedCase{"A_Fahrenheit", Model::A, {{0x4717, 0}}, 1000, 0x04},
        LedCase{"A_Alarm1High", Model::A, {}, 1101, 0x28},
        LedCase{"A_Alarm2Low", Model::A, {}, 799, 0x18},
        LedCase{"B_Celsius", Model::B, {}, 1500, 0x04},
        LedCase{"B_Units", Model::B, {{0x4724, 2}}, 1500, 0x00},
        LedCase{"B_Alarm1High", Model::B, {}, 1601, 0x14},
        LedCase{"B_Alarm2Low", Model::B, {}, 1299, 0x06},
        LedCase{"B_Alarm3Band", Model::B, {{0x4722, 4}}, 1500, 0x05},
        LedCase{"B_AbsoluteHigh", Model::B, {{0x4720, 6}, {0x4706, 1000}, {0x4721, 0}}, 1001, 0x14},
        LedCase{"C_AlarmOutput2", Model::C, {}, 599, 0x26}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(SimProcess, RunningOutputsLightTheirLeds)
{
    Fixture f(Model::B);
    ASSERT_EQ(f.Write(0x4719, 2), 0);
    ASSERT_EQ(f.Write(0x4702, 1000), 0);
    EXPECT_EQ(f.Read(0x4728) & 0x40, 0x40);
    ASSERT_EQ(f.Write(0x4702, 500), 0);  // half of the 20-s period
    int on = 0;
    for (int i = 0; i < 40; ++i) {
        f.Clock.Advance(1000);
        on += (f.Read(0x4728) & 0x40) ? 1 : 0;
    }
    EXPECT_EQ(on, 20);
}

TEST(SimProcess, InputFaultReplacesTheProcessValue)
{
    Fixture a(Model::A);
    a.Controller.SetSensorFault(3);
    EXPECT_EQ(a.Read(0x4700), 0x8003);
    EXPECT_EQ(a.Read(0x472B), 3);
    Fixture b(Model::B);
    b.Controller.SetSensorFault(5);
    EXPECT_EQ(b.Read(0x4700), 0x8005);
}

TEST(SimProcess, PvOffsetShiftsTheReadingAndControlCatchesUp)
{
    Fixture f(Model::B);
    f.Clock.Advance(400'000);
    ASSERT_EQ(f.Write(0x472A, 0x6B2E), 0);
    ASSERT_EQ(f.Write(0x471D, -50), 0);
    EXPECT_EQ(f.Read(0x4700), 1450);
    f.Clock.Advance(400'000);
    EXPECT_EQ(f.Read(0x4700), 1500);
}

TEST(SimProcess, AutoTuningRunsThenReportsNewParameters)
{
    Fixture f(Model::B);
    f.Controller.SetTimeConstantMs(10'000);
    ASSERT_EQ(f.Write(0x4727, 1), 0);
    EXPECT_EQ(f.Read(0x4727), 1);
    EXPECT_EQ(f.Read(0x4728) & 0x80, 0x80);
    EXPECT_EQ(f.Read(0x4729) & 1, 1);  // nothing changed yet
    f.Clock.Advance(61'000);
    EXPECT_EQ(f.Read(0x4727), 0);
    EXPECT_EQ(f.Read(0x470C), 80);
    EXPECT_EQ(f.Read(0x470D), 20);
    EXPECT_EQ(f.Read(0x4729) & 1, 0);  // reported once
    EXPECT_EQ(f.Read(0x4729) & 1, 1);
}

TEST(SimProcess, AutoTuningNeedsRunningPidControl)
{
    Fixture f(Model::B);
    ASSERT_EQ(f.Write(0x4719, 1), 0);
    EXPECT_EQ(f.Write(0x4727, 1), 4);
    ASSERT_EQ(f.Write(0x4719, 0), 0);
    ASSERT_EQ(f.Write(0x4723, 0), 0);
    EXPECT_EQ(f.Write(0x4727, 1), 4);
}

// The factory program of models B and C: pattern 0 ramps to 80.0 in 2 min,
// holds 3 min, ramps to 40.0 in 2 min, holds 1 min, then ends.
TEST(SimProcess, ARampSoakProgramDrivesTheSetValue)
{
    Fixture f(Model::C);
    f.Controller.SetProgramMinuteMs(1000);  // a program minute lasts a second
    ASSERT_EQ(f.Write(0x4719, 3), 0);
    ASSERT_EQ(f.Read(0x4723), 1);  // running: the program starts at once
    EXPECT_EQ(f.Read(0x472B), 1);
    EXPECT_EQ(f.Read(0x4717) & 0x20, 0x20);
    EXPECT_EQ(f.Write(0x4701, 500), 4);  // the program owns the set value
    f.Clock.Advance(1000);
    EXPECT_EQ(f.Read(0x4701), 250 + (800 - 250) / 2);  // halfway up the first ramp
    EXPECT_EQ(f.Read(0x472C), 800);
    EXPECT_EQ(f.Read(0x4765), 0);
    EXPECT_EQ(f.Read(0x4763), 1);  // seconds left in the step
    f.Clock.Advance(2000);
    EXPECT_EQ(f.Read(0x4765), 1);
    EXPECT_EQ(f.Read(0x4701), 800);
    ASSERT_EQ(f.Write(0x4723, 3), 0);  // hold: time stands still
    f.Clock.Advance(60'000);
    EXPECT_EQ(f.Read(0x4765), 1);
    ASSERT_EQ(f.Write(0x4723, 1), 0);
    f.Clock.Advance(3000);
    EXPECT_EQ(f.Read(0x4765), 2);
    EXPECT_EQ(f.Read(0x4701), 600);
    f.Clock.Advance(4000);
    EXPECT_EQ(f.Read(0x4723), 4);  // ended
    EXPECT_EQ(f.Read(0x472B), 0);
    EXPECT_EQ(f.Read(0x4729) & 1, 0);
}

TEST(SimProcess, ProgramsFollowLoopsAndLinks)
{
    Fixture f(Model::B);
    f.Controller.SetProgramMinuteMs(1000);
    // Pattern 2: one 10-minute step, run twice, then pattern 5: one step, end.
    ASSERT_EQ(f.Write(0x4767, 2), 0);
    ASSERT_EQ(f.Write(0x476A, 0), 0);
    ASSERT_EQ(f.Write(0x4772, 1), 0);
    ASSERT_EQ(f.Write(0x477A, 5), 0);
    ASSERT_EQ(f.Write(0x4780 + 2 * 16, 700), 0);
    ASSERT_EQ(f.Write(0x4781 + 2 * 16, 10), 0);
    ASSERT_EQ(f.Write(0x4780 + 2 * 40, 300), 0);
    ASSERT_EQ(f.Write(0x4781 + 2 * 40, 10), 0);
    ASSERT_EQ(f.Write(0x4719, 3), 0);
    const std::vector<std::pair<int, int>> expected{{2, 0}, {2, 0}, {5, 0}};
    for (const auto &[pattern, step] : expected) {
        f.Clock.Advance(5000);
        EXPECT_EQ(f.Read(0x4766), pattern);
        EXPECT_EQ(f.Read(0x4765), step);
        EXPECT_EQ(f.Read(0x4764), 0);
        EXPECT_EQ(f.Read(0x4763), 5);
        f.Clock.Advance(5000);
    }
    EXPECT_EQ(f.Read(0x4723), 4);
}

TEST(SimProcess, AProgramOfEmptyStepsEndsInsteadOfSpinning)
{
    Fixture f(Model::B);
    ASSERT_EQ(f.Write(0x4768, 0), 0);  // pattern 0, one step
    ASSERT_EQ(f.Write(0x4781, 0), 0);  // of no time,
    ASSERT_EQ(f.Write(0x4770, 99), 0);  // 99 repeats,
    ASSERT_EQ(f.Write(0x4778, 0), 0);   // linked to itself
    ASSERT_EQ(f.Write(0x4719, 3), 0);
    f.Clock.Advance(1000);
    EXPECT_EQ(f.Read(0x4723), 4);
}

TEST(SimProcess, ALongJumpOfTheClockIsCaughtUpInBoundedWork)
{
    Fixture f(Model::B);
    f.Controller.SetProgramMinuteMs(1);
    ASSERT_EQ(f.Write(0x4778, 0), 0);  // the sample program, forever
    ASSERT_EQ(f.Write(0x4719, 3), 0);
    f.Clock.Advance(30LL * 24 * 3600 * 1000);
    EXPECT_EQ(f.Read(0x4723), 1);
    EXPECT_EQ(f.Read(0x4766), 0);
}

TEST(SimProcess, StoppingTheProgramAndChangingTheMethodEndIt)
{
    Fixture f(Model::B);
    ASSERT_EQ(f.Write(0x4719, 3), 0);
    ASSERT_EQ(f.Write(0x4723, 2), 0);
    EXPECT_EQ(f.Read(0x472B), 0);
    EXPECT_EQ(Signed(f.Read(0x4701)), 1500);
    ASSERT_EQ(f.Write(0x4723, 1), 0);
    EXPECT_EQ(f.Read(0x472B), 1);
    ASSERT_EQ(f.Write(0x4719, 0), 0);
    EXPECT_EQ(f.Read(0x472B), 0);
    EXPECT_EQ(f.Read(0x4723), 1);
}

} // namespace
