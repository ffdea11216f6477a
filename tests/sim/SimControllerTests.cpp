// The register model of the simulated controllers, through their own
// request handling (no line, no timing).
#include "SimTestSupport.h"

#include <gtest/gtest.h>

namespace {

ControllerConfig Config(Model kind, int address = 1)
{
    ControllerConfig config;
    config.Address = address;
    config.Kind = kind;
    return config;
}

struct Fixture {
    explicit Fixture(Model kind) : Controller(Clock, Config(kind)) { Controller.SetNoise(false); }
    VirtualClock Clock;
    SimController Controller;
};

// ---- identification and exceptions -----------------------------------------

TEST(SimController, ModelAAnswersIdentificationWithTheExceptionFunction)
{
    Fixture f(Model::A);
    const auto reply = f.Controller.Execute(Request(1, 0x67, 0x0012, 3));
    EXPECT_EQ(*reply, (Pdu{0x01, 0xE7, 0x01}));
}

TEST(SimController, ModelsBAndCIdentifyThemselves)
{
    for (const auto &[kind, letter] : {std::pair{Model::B, 1}, std::pair{Model::C, 2}}) {
        VirtualClock clock;
        ControllerConfig config = Config(kind, 7);
        config.Firmware = 0x0215;
        SimController c(clock, config);
        const auto reply = c.Execute(Request(7, 0x67, 0x0012, 3));
        ASSERT_TRUE(reply);
        EXPECT_EQ((*reply)[1], 0x67);
        EXPECT_EQ(Words(*reply), (std::vector<int>{2, letter, 0x0215}));
    }
}

struct ExceptionCase {
    const char *Name;
    Model Kind;
    Pdu Sent;
    int Code;
};

class SimControllerExceptions : public ::testing::TestWithParam<ExceptionCase> {};

TEST_P(SimControllerExceptions, AnswerWithTheExpectedCode)
{
    Fixture f(GetParam().Kind);
    const auto reply = f.Controller.Execute(GetParam().Sent);
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->size(), 3u);
    EXPECT_EQ((*reply)[1], GetParam().Sent[1] | 0x80);
    EXPECT_EQ((*reply)[2], GetParam().Code);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, SimControllerExceptions,
    ::testing::Values(
        ExceptionCase{"UnknownRegisterB", Model::B, Request(1, 0x03, 0x4739, 1), 2},
        ExceptionCase{"UnknownRegisterA", Model::A, Request(1, 0x03, 0x4730, 1), 2},
        ExceptionCase{"RangeRunsIntoUnknown", Model::B, Request(1, 0x03, 0x4737, 3), 2},
        ExceptionCase{"RampRegistersOnModelA", Model::A, Request(1, 0x03, 0x4767, 1), 2},
        ExceptionCase{"SecurityRegistersOnModelB", Model::B, Request(1, 0x06, 0x106B, 0x1111), 2},
        ExceptionCase{"ReadPastTheEnd", Model::B, Request(1, 0x03, 0xFFFF, 2), 2},
        ExceptionCase{"InputRegisters", Model::B, Request(1, 0x04, 0x4700, 1), 1},
        ExceptionCase{"WriteMultiple", Model::C, Request(1, 0x10, 0x4701, 1), 1},
        ExceptionCase{"CountZero", Model::B, Request(1, 0x03, 0x4700, 0), 3},
        ExceptionCase{"CountTooLarge", Model::B, Request(1, 0x03, 0x4700, 33), 3},
        ExceptionCase{"IdentifyOtherRegister", Model::B, Request(1, 0x67, 0x0013, 3), 2},
        ExceptionCase{"IdentifyTooMany", Model::C, Request(1, 0x67, 0x0012, 4), 3},
        ExceptionCase{"TooFewData", Model::B, Pdu{1, 0x03, 0x47, 0x00, 0x00}, 12},
        ExceptionCase{"TooManyData", Model::B, Pdu{1, 0x03, 0x47, 0x00, 0x00, 0x01, 0x00}, 13},
        ExceptionCase{"WriteProcessValue", Model::A, Request(1, 0x06, 0x4700, 5), 2},
        ExceptionCase{"WriteFirmwareOtherThanUnlock", Model::B, Request(1, 0x06, 0x472A, 0x1234), 3},
        ExceptionCase{"SetValueAboveDisplay", Model::B, Request(1, 0x06, 0x4701, 10000), 3},
        ExceptionCase{"SetValueBelowDisplay", Model::A, Request(1, 0x06, 0x4701, 0xF830), 3},
        ExceptionCase{"LockStatusFive", Model::B, Request(1, 0x06, 0x471E, 5), 3},
        ExceptionCase{"ModelAHasNoRampSoakMethod", Model::A, Request(1, 0x06, 0x4711, 3), 3},
        ExceptionCase{"TwoDecimalsOnATemperature", Model::B, Request(1, 0x06, 0x4725, 2), 3},
        ExceptionCase{"HoldWithoutProgram", Model::B, Request(1, 0x06, 0x4723, 3), 4},
        ExceptionCase{"ManualOutputOutsideManual", Model::B, Request(1, 0x06, 0x4702, 500), 4},
        ExceptionCase{"ProtectedWithoutUnlock", Model::B, Request(1, 0x06, 0x4732, 5), 4},
        ExceptionCase{"CommandWithoutUnlock", Model::C, Request(1, 0x06, 0x474E, 0x6B2E), 4},
        ExceptionCase{"BlockWriteWithoutUnlock", Model::A, Request(1, 0x06, 0x472F, 0x0C03), 4}),
    [](const auto &info) { return std::string(info.param.Name); });

// Every read the monitor's poll steps, the scan and the recorder make, by
// model (and for model C by security level): none may draw an exception.
struct PollCase {
    Model Kind;
    int Level;
    std::vector<std::pair<int, int>> Reads;  // register, count
};

class SimControllerPolling : public ::testing::TestWithParam<PollCase> {};

TEST_P(SimControllerPolling, AnswersEveryReadOfTheMonitor)
{
    Fixture f(GetParam().Kind);
    f.Controller.SetSecurity(GetParam().Level, 1);
    for (const auto &[reg, count] : GetParam().Reads) {
        const auto reply = f.Controller.Execute(Request(1, 0x03, reg, count));
        ASSERT_TRUE(reply);
        EXPECT_EQ((*reply)[1], 0x03) << std::hex << reg << " x" << count;
        EXPECT_EQ(Words(*reply).size(), static_cast<size_t>(count));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SimControllerPolling,
    ::testing::Values(
        PollCase{Model::A, 8, {{0x470F, 2}, {0x4728, 4}, {0x4700, 2}, {0x4718, 8}, {0x471C, 3}, {0x4733, 1},
                               {0x4762, 5}, {0x4731, 1}, {0x4710, 8}, {0x4708, 8}, {0x4701, 7}, {0x4720, 8},
                               {0x472F, 1}, {0x4701, 1}}},
        PollCase{Model::B, 8, {{0x4724, 2}, {0x4717, 4}, {0x4700, 4}, {0x4728, 8}, {0x4723, 7}, {0x4751, 1},
                               {0x4762, 5}, {0x4720, 8}, {0x4710, 8}, {0x4718, 8}, {0x4708, 8}, {0x4701, 7},
                               {0x4730, 7}, {0x4737, 2}, {0x474C, 1}, {0x474D, 1}}},
        PollCase{Model::C, 4, {{0x4751, 1}, {0x471A, 6}, {0x4700, 4}, {0x4728, 8}, {0x4723, 6}, {0x4762, 5},
                               {0x4720, 8}, {0x4710, 8}, {0x4718, 8}, {0x4708, 8}, {0x4701, 7}, {0x4730, 7},
                               {0x4737, 2}, {0x474C, 1}, {0x474D, 1}}},
        PollCase{Model::C, 2, {{0x4751, 1}, {0x4728, 1}, {0x4700, 2}, {0x4701, 1}}}));

TEST(SimController, BroadcastsAreAppliedButNeverAnswered)
{
    Fixture f(Model::B);
    EXPECT_FALSE(f.Controller.Execute(Request(0, 0x06, 0x4701, 1234)));
    EXPECT_EQ(ReadOne(f.Controller, 0x4701), 1234);
    EXPECT_FALSE(f.Controller.Execute(Request(0, 0x06, 0x4701, 20000)));  // refused, silently
    EXPECT_FALSE(f.Controller.Execute(Request(0, 0x03, 0x4701, 1)));
    EXPECT_EQ(ReadOne(f.Controller, 0x4701), 1234);
}

// ---- values written are read back ------------------------------------------

struct ReadBackCase {
    const char *Name;
    Model Kind;
    int Reg;
    int Value;
    bool Unlock;
};

class SimControllerReadBack : public ::testing::TestWithParam<ReadBackCase> {};

TEST_P(SimControllerReadBack, ReadsBackWhatWasWritten)
{
    const ReadBackCase &p = GetParam();
    Fixture f(p.Kind);
    if (p.Unlock) {
        ASSERT_EQ(WriteOne(f.Controller, UnlockRegister(f.Controller), 0x6B2E), 0);
    }
    ASSERT_EQ(WriteOne(f.Controller, p.Reg, p.Value), 0);
    EXPECT_EQ(ReadOne(f.Controller, p.Reg), p.Value & 0xFFFF);
}

INSTANTIATE_TEST_SUITE_P(
    Registers, SimControllerReadBack,
    ::testing::Values(
        ReadBackCase{"A_SetValue", Model::A, 0x4701, 1234, false},
        ReadBackCase{"A_NegativeLimit", Model::A, 0x4703, -150, false},
        ReadBackCase{"A_RangeLow", Model::A, 0x4707, -999, false},
        ReadBackCase{"A_Pb", Model::A, 0x4708, 125, false},
        ReadBackCase{"A_TuneOutLow", Model::A, 0x470D, 10, false},
        ReadBackCase{"A_IOffset", Model::A, 0x470E, 25, false},
        ReadBackCase{"A_Flags", Model::A, 0x470F, 0x0B, false},
        ReadBackCase{"A_InputType", Model::A, 0x4710, 18, false},
        ReadBackCase{"A_Unit", Model::A, 0x4717, 0, false},
        ReadBackCase{"A_Cooling", Model::A, 0x4718, 1, false},
        ReadBackCase{"A_PvOffset", Model::A, 0x4714, -50, true},
        ReadBackCase{"A_OutputType", Model::A, 0x4720, 3, true},
        ReadBackCase{"A_TcGain", Model::A, 0x4726, -12, true},
        ReadBackCase{"A_ManualOutput", Model::A, 0x472A, 40, false},
        ReadBackCase{"A_LockStoredCode", Model::A, 0x4731, 4, false},
        ReadBackCase{"B_SetValue", Model::B, 0x4701, -55, false},
        ReadBackCase{"B_UpLimit3", Model::B, 0x470A, 777, false},
        ReadBackCase{"B_Coefficient", Model::B, 0x4711, 35, false},
        ReadBackCase{"B_DeadBand", Model::B, 0x4712, -20, false},
        ReadBackCase{"B_HeatCool", Model::B, 0x471A, 3, false},
        ReadBackCase{"B_PvOffsetNeedsNoUnlock", Model::B, 0x471D, 0xFFCE, false},
        ReadBackCase{"B_LockNotSv", Model::B, 0x471E, 11, false},
        ReadBackCase{"B_SystemAlarm", Model::B, 0x471F, 2, false},
        ReadBackCase{"B_Alarm3Mode", Model::B, 0x4722, 13, false},
        ReadBackCase{"B_Unit", Model::B, 0x4724, 2, false},
        ReadBackCase{"B_DecimalPoint", Model::B, 0x4725, 0, false},
        ReadBackCase{"B_DecimalPointAlias", Model::B, 0x1017, 0, false},
        ReadBackCase{"B_LinearGain", Model::B, 0x4738, 321, true},
        ReadBackCase{"B_ProgramDisplay", Model::B, 0x4762, 2, false},
        ReadBackCase{"B_StartPattern", Model::B, 0x4767, 5, false},
        ReadBackCase{"B_LinkEnd", Model::B, 0x477F, 8, false},
        ReadBackCase{"B_StepSetValue", Model::B, 0x4792, 0xFF9C, false},
        ReadBackCase{"B_LastStepTime", Model::B, 0x47FF, 900, false},
        ReadBackCase{"C_Output1Function", Model::C, 0x471A, 3, false},
        ReadBackCase{"C_Output2Function", Model::C, 0x471F, 1, false},
        ReadBackCase{"C_OutputType2", Model::C, 0x4731, 2, true},
        ReadBackCase{"C_LoopCount", Model::C, 0x4770, 99, false}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(SimController, ModelAKeepsLockCodesInItsOwnForm)
{
    // What the master writes for the lock list's items reads back so that
    // w / 15 + (w % 10) / 2 is the item again.
    struct Case { int Written, Stored, Item; } cases[] = {{0, 0, 0}, {1, 2, 1}, {11, 4, 2}};
    for (const Case &c : cases) {
        Fixture f(Model::A);
        ASSERT_EQ(WriteOne(f.Controller, 0x4731, c.Written), 0) << c.Written;
        const int w = ReadOne(f.Controller, 0x4731);
        EXPECT_EQ(w, c.Stored) << c.Written;
        EXPECT_EQ(w / 15 + (w % 10) / 2, c.Item) << c.Written;
    }
    Fixture f(Model::A);
    EXPECT_EQ(WriteOne(f.Controller, 0x4731, 3), 3);
}

TEST(SimController, ModelBKeepsTheDecimalPointInBothRegisters)
{
    Fixture f(Model::B);
    ASSERT_EQ(WriteOne(f.Controller, 0x4718, 16), 0);  // 4-20 mA: linear, any decimals
    ASSERT_EQ(WriteOne(f.Controller, 0x1017, 3), 0);
    EXPECT_EQ(ReadOne(f.Controller, 0x4725), 3);
    ASSERT_EQ(WriteOne(f.Controller, 0x4718, 0), 0);  // back to a thermocouple: one decimal at most
    EXPECT_EQ(ReadOne(f.Controller, 0x4725), 1);
    EXPECT_EQ(ReadOne(f.Controller, 0x4717) & 0x10, 0x10);
    ASSERT_EQ(WriteOne(f.Controller, 0x4725, 0), 0);
    EXPECT_EQ(ReadOne(f.Controller, 0x4717) & 0x10, 0);
}

TEST(SimController, FlagsWordCarriesTheCommunicationWrite)
{
    for (Model kind : {Model::A, Model::B, Model::C}) {
        Fixture f(kind);
        const int flags = kind == Model::A ? 0x470F : 0x4717;
        const int comWrite = kind == Model::A ? 0x471A : 0x4726;
        ASSERT_EQ(WriteOne(f.Controller, comWrite, 0), 0);
        EXPECT_EQ(ReadOne(f.Controller, flags) & 1, 0);
        ASSERT_EQ(WriteOne(f.Controller, flags, 0x03), 0);
        EXPECT_EQ(ReadOne(f.Controller, comWrite), 1);
    }
}

// ---- write protection ------------------------------------------------------

TEST(SimController, AnUnlockCoversExactlyTheNextWrite)
{
    for (Model kind : {Model::A, Model::C}) {
        Fixture f(kind);
        const int pvOffset = kind == Model::A ? 0x4714 : 0x471D;
        EXPECT_EQ(WriteOne(f.Controller, pvOffset, 5), 4);
        ASSERT_EQ(WriteOne(f.Controller, UnlockRegister(f.Controller), 0x6B2E), 0);
        EXPECT_TRUE(f.Controller.Unlocked());
        EXPECT_EQ(ReadOne(f.Controller, 0x4700), 250);  // reads leave it standing
        EXPECT_EQ(WriteOne(f.Controller, pvOffset, 5), 0);
        EXPECT_EQ(WriteOne(f.Controller, pvOffset, 6), 4);
        // Any other write uses it up as well.
        ASSERT_EQ(WriteOne(f.Controller, UnlockRegister(f.Controller), 0x6B2E), 0);
        ASSERT_EQ(WriteOne(f.Controller, 0x4701, 500), 0);
        EXPECT_EQ(WriteOne(f.Controller, pvOffset, 6), 4);
        EXPECT_EQ(ReadOne(f.Controller, pvOffset), 5);
    }
}

TEST(SimController, AnUnlockLapses)
{
    Fixture f(Model::C);
    ASSERT_EQ(WriteOne(f.Controller, 0x472A, 0x6B2E), 0);
    f.Clock.Advance(SimController::UnlockLifetimeMs + 1);
    EXPECT_EQ(WriteOne(f.Controller, 0x4730, 1), 4);
}

TEST(SimController, CommandsNeedTheUnlockAndTheCode)
{
    Fixture f(Model::B);
    ASSERT_EQ(WriteOne(f.Controller, 0x4701, 333), 0);
    ASSERT_EQ(WriteOne(f.Controller, 0x4767, 4), 0);
    ASSERT_EQ(WriteOne(f.Controller, 0x472A, 0x6B2E), 0);
    EXPECT_EQ(WriteOne(f.Controller, 0x474E, 1), 3);
    ASSERT_EQ(WriteOne(f.Controller, 0x472A, 0x6B2E), 0);
    ASSERT_EQ(WriteOne(f.Controller, 0x474E, 0x6B2E), 0);
    EXPECT_EQ(ReadOne(f.Controller, 0x4701), 1500);  // factory set value
    EXPECT_EQ(ReadOne(f.Controller, 0x4767), 4);     // programs survive

    ASSERT_EQ(WriteOne(f.Controller, 0x472A, 0x6B2E), 0);
    ASSERT_EQ(WriteOne(f.Controller, 0x471D, 30), 0);
    ASSERT_EQ(WriteOne(f.Controller, 0x472A, 0x6B2E), 0);
    ASSERT_EQ(WriteOne(f.Controller, 0x4736, 12), 0);
    ASSERT_EQ(WriteOne(f.Controller, 0x472A, 0x6B2E), 0);
    ASSERT_EQ(WriteOne(f.Controller, 0x474F, 0x6B2E), 0);
    EXPECT_EQ(ReadOne(f.Controller, 0x471D), 0);
    EXPECT_EQ(ReadOne(f.Controller, 0x4736), 0);
}

TEST(SimController, WritesAreRefusedWhileCommunicationWriteIsOff)
{
    Fixture f(Model::A);
    f.Controller.SetComWriteEnabled(false);
    EXPECT_EQ(WriteOne(f.Controller, 0x4701, 500), 4);
    EXPECT_EQ(WriteOne(f.Controller, 0x471B, 0x6B2E), 4);  // the unlock too
    EXPECT_EQ(ReadOne(f.Controller, 0x4701), 1000);
    ASSERT_EQ(WriteOne(f.Controller, 0x471A, 1), 0);  // the switch itself
    EXPECT_EQ(WriteOne(f.Controller, 0x4701, 500), 0);
}

// ---- model C security ------------------------------------------------------

TEST(SimController, SecurityStatusPacksLevelAndKeys)
{
    Fixture f(Model::C);
    f.Controller.SetSecurity(8, 4);
    EXPECT_EQ(ReadOne(f.Controller, 0x4751), 0x44);
    f.Controller.SetSecurity(2, 3);
    EXPECT_EQ(ReadOne(f.Controller, 0x4751), 0x13);
}

TEST(SimController, PasswordsMoveBetweenLevels)
{
    Fixture f(Model::C);
    f.Controller.SetSecurity(8, 7);
    ASSERT_EQ(WriteOne(f.Controller, 0x106B, 17), 0);  // anything but key 1: All Lock
    EXPECT_EQ(f.Controller.SecurityLevel(), 1);
    EXPECT_EQ(WriteOne(f.Controller, 0x106C, 0x2223), 3);
    EXPECT_EQ(f.Controller.SecurityLevel(), 1);
    ASSERT_EQ(WriteOne(f.Controller, 0x106D, 0x3333), 0);
    EXPECT_EQ(f.Controller.SecurityLevel(), 2);
    ASSERT_EQ(WriteOne(f.Controller, 0x106C, 0x2222), 0);
    EXPECT_EQ(f.Controller.SecurityLevel(), 4);
    ASSERT_EQ(WriteOne(f.Controller, 0x106B, 0x1111), 0);
    EXPECT_EQ(f.Controller.SecurityLevel(), 8);
}

TEST(SimController, KeysSwitchWithTheirOwnPassword)
{
    Fixture f(Model::C);
    f.Controller.SetPassword(2, 0xBEEF);
    f.Controller.SetComWriteEnabled(false);  // security is its own matter
    EXPECT_EQ(WriteOne(f.Controller, 0x106F, 0x2222), 3);
    ASSERT_EQ(WriteOne(f.Controller, 0x106F, 0xBEEF), 0);
    EXPECT_EQ(f.Controller.LevelKeys(), 2);
    ASSERT_EQ(WriteOne(f.Controller, 0x106F, 0xBEEF), 0);
    EXPECT_EQ(f.Controller.LevelKeys(), 0);
    EXPECT_EQ(ReadOne(f.Controller, 0x106F), 0);  // passwords are not shown
}

struct LevelCase {
    int Level;
    int Reg;
    bool Write;
    int Code;  // 0: allowed
};

class SimControllerLevels : public ::testing::TestWithParam<LevelCase> {};

TEST_P(SimControllerLevels, DecideWhatIsReadAndWritten)
{
    const LevelCase &p = GetParam();
    Fixture f(Model::C);
    f.Controller.SetSecurity(p.Level, 1);
    std::optional<Pdu> reply;
    if (p.Write)
        reply = f.Controller.Execute(Request(1, 0x06, p.Reg, p.Reg == 0x4701 ? 600 : 1));
    else
        reply = f.Controller.Execute(Request(1, 0x03, p.Reg, 1));
    EXPECT_EQ(ExceptionOf(reply), p.Code);
}

INSTANTIATE_TEST_SUITE_P(
    ModelC, SimControllerLevels,
    ::testing::Values(LevelCase{8, 0x470C, true, 0}, LevelCase{4, 0x470C, true, 4}, LevelCase{4, 0x4701, true, 0},
                      LevelCase{4, 0x4727, true, 0}, LevelCase{4, 0x470C, false, 0}, LevelCase{2, 0x4701, true, 0},
                      LevelCase{2, 0x4727, true, 4}, LevelCase{2, 0x470C, false, 4}, LevelCase{2, 0x4728, false, 0},
                      LevelCase{1, 0x4701, true, 4}, LevelCase{1, 0x4700, false, 0}, LevelCase{1, 0x4751, false, 0},
                      LevelCase{1, 0x474C, false, 4}, LevelCase{1, 0x4720, false, 4}));

// ---- the parameter block ---------------------------------------------------

std::array<std::uint8_t, 256> Upload(SimController &c)
{
    if (c.Kind() == Model::A) {
        EXPECT_EQ(WriteOne(c, 0x471B, 0x6B2E), 0);
    }
    const int stream = c.Kind() == Model::A ? 0x472F : 0x474C;
    std::array<std::uint8_t, 256> image{};
    for (int i = 0; i < 256; ++i) {
        const int pair = ReadOne(c, stream);
        EXPECT_EQ(pair >> 8, i) << "the stream runs in order from offset 0";
        image[static_cast<size_t>(pair >> 8 & 0xFF)] = static_cast<std::uint8_t>(pair & 0xFF);
    }
    return image;
}

TEST(SimController, TheBlockStreamShowsTheRegisters)
{
    for (Model kind : {Model::A, Model::B, Model::C}) {
        Fixture f(kind);
        ASSERT_EQ(WriteOne(f.Controller, 0x4701, 0x1234), 0);
        const auto image = Upload(f.Controller);
        EXPECT_EQ(image, f.Controller.ParameterBlock());
        const int sv = kind == Model::A ? 0 : 24;
        EXPECT_EQ(image[static_cast<size_t>(sv)], 0x12);
        EXPECT_EQ(image[static_cast<size_t>(sv + 1)], 0x34);
    }
}

TEST(SimController, BlockWritesLandInTheRegisters)
{
    Fixture f(Model::B);
    ASSERT_EQ(WriteOne(f.Controller, 0x472A, 0x6B2E), 0);
    ASSERT_EQ(WriteOne(f.Controller, 0x474C, 27 * 256 + 0x99), 0);  // Pb low byte
    EXPECT_EQ(ReadOne(f.Controller, 0x470C), 0x0099);
    ASSERT_EQ(WriteOne(f.Controller, 0x472A, 0x6B2E), 0);
    ASSERT_EQ(WriteOne(f.Controller, 0x474D, 3 * 256 + 0x2D), 0);  // time of step 0
    EXPECT_EQ(ReadOne(f.Controller, 0x4781), 0x002D);
}

TEST(SimController, PatternBytesAndStepBlockMirrorTheProgramRegisters)
{
    Fixture f(Model::C);
    ASSERT_EQ(WriteOne(f.Controller, 0x4767, 6), 0);
    ASSERT_EQ(WriteOne(f.Controller, 0x476F, 7), 0);
    ASSERT_EQ(WriteOne(f.Controller, 0x4778, 2), 0);
    ASSERT_EQ(WriteOne(f.Controller, 0x47FE, 0xFF9C), 0);  // set value of step 63
    const auto block = f.Controller.ParameterBlock();
    EXPECT_EQ(block[231], 6);
    EXPECT_EQ(block[239], 7);
    EXPECT_EQ(block[248], 2);
    std::array<std::uint8_t, 256> ramp{};
    for (int i = 0; i < 256; ++i) {
        const int pair = ReadOne(f.Controller, 0x474D);
        ramp[static_cast<size_t>(pair >> 8)] = static_cast<std::uint8_t>(pair & 0xFF);
    }
    EXPECT_EQ(ramp, f.Controller.RampBlock());
    EXPECT_EQ(ramp[252], 0xFF);
    EXPECT_EQ(ramp[253], 0x9C);
}

TEST(SimController, AStreamLeftAloneStartsOverAtOffsetZero)
{
    Fixture f(Model::B);
    ReadOne(f.Controller, 0x474C);
    ReadOne(f.Controller, 0x474C);
    EXPECT_EQ(ReadOne(f.Controller, 0x474C) >> 8, 2);
    f.Clock.Advance(SimController::StreamRestartMs + 1);
    EXPECT_EQ(ReadOne(f.Controller, 0x474C) >> 8, 0);
}

// The download maps of the monitor, step by step: (register, value from image).
struct Step {
    int Reg;
    std::function<int(const std::array<std::uint8_t, 256> &)> Value;
    bool Unlock = false;
};

int W(const std::array<std::uint8_t, 256> &b, int n)
{
    return b[static_cast<size_t>(n)] * 256 + b[static_cast<size_t>(n + 1)];
}

std::vector<Step> DownloadMap(Model kind, const std::array<std::uint8_t, 256> &image)
{
    using B = const std::array<std::uint8_t, 256> &;
    std::vector<Step> steps;
    const auto byte = [](int n) { return [n](B b) { return int(b[static_cast<size_t>(n)]); }; };
    const auto word = [](int n) { return [n](B b) { return W(b, n); }; };
    if (kind == Model::A) {
        steps.push_back({0x470F, [](B b) { return (b[10] & 0x0F) | 1; }});
        for (auto [reg, n] : {std::pair{0x4710, 12}, {0x4711, 13}, {0x4712, 28}, {0x4713, 30}, {0x470E, 29},
                              {0x4715, 14}, {0x4716, 15}, {0x4731, 11}})
            steps.push_back({reg, byte(n)});
        for (auto [reg, n] : {std::pair{0x4701, 0}, {0x4702, 2}, {0x4703, 4}, {0x4704, 6}, {0x4705, 8}, {0x4706, 16},
                              {0x4707, 18}, {0x4708, 20}, {0x4709, 22}, {0x470A, 24}, {0x470B, 26}})
            steps.push_back({reg, word(n)});
        steps.push_back({0x471A, [](B b) { return b[10] & 1; }});
        return steps;
    }
    steps.push_back({0x4717, [](B b) { return (b[12] & 0x7F) | 1; }});
    const bool isB = kind == Model::B;
    const std::vector<int> bytes = isB ? std::vector<int>{14, 15, 19, 48, 49, 50, 13, 51, 16, 17, 18}
                                       : std::vector<int>{14, 15, 54, 48, 49};
    for (size_t i = 0; i < bytes.size(); ++i)
        steps.push_back({0x4718 + static_cast<int>(i), byte(bytes[i])});
    if (!isB) {
        steps.push_back({0x471F, byte(55)});
        steps.push_back({0x4720, byte(16)});
        steps.push_back({0x4721, byte(17)});
    }
    steps.push_back({0x4701, word(24)});
    const std::vector<int> words = isB ? std::vector<int>{20, 22, 0, 2, 4, 6, 8, 10, 26, 28, 30, 32, 34, 40, 42, 36, 38}
                                       : std::vector<int>{20, 22, 0, 2, 4, 6, 26, 28, 30, 32, 34, 40, 42, 36, 38};
    for (size_t i = 0; i < words.size(); ++i) {
        const int reg = isB ? 0x4704 + static_cast<int>(i) : (i < 6 ? 0x4704 + static_cast<int>(i) : 0x470C + static_cast<int>(i) - 6);
        steps.push_back({reg, word(words[i])});
    }
    if (isB) {
        steps.push_back({0x1017, [](B b) { return b[14] >= 13 ? int(b[52]) : (b[12] & 0x10) ? 1 : 0; }});
        for (int o = 124; o < 144; ++o)
            steps.push_back({0x474C, [o](B b) { return o * 256 + b[static_cast<size_t>(o)]; }, true});
        for (int o = 180; o < 220; ++o)
            steps.push_back({0x474C, [o](B b) { return o * 256 + b[static_cast<size_t>(o)]; }, true});
        steps.push_back({0x4726, [](B b) { return b[12] & 1; }});
    } else if (image[15] == 2) {
        steps.push_back({0x4702, word(100)});
        steps.push_back({0x4703, word(102)});
    }
    return steps;
}

struct RoundTripCase {
    const char *Name;
    Model Kind;
    std::vector<std::pair<int, int>> Changes;
    std::vector<int> Compare;  // registers that must come out equal
};

class SimControllerDownload : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(SimControllerDownload, AnUploadedBlockReproducesTheParametersElsewhere)
{
    const RoundTripCase &p = GetParam();
    VirtualClock clock;
    SimController source(clock, Config(p.Kind, 1));
    SimController target(clock, Config(p.Kind, 2));
    for (const auto &[reg, value] : p.Changes)
        ASSERT_TRUE(source.Poke(reg, value)) << std::hex << reg;
    if (p.Kind == Model::B)
        source.SetParameterByte(190, 0x5A);  // a setting no register shows
    const auto image = Upload(source);
    for (const Step &step : DownloadMap(p.Kind, image)) {
        if (step.Unlock) {
            ASSERT_EQ(WriteOne(target, 0x472A, 0x6B2E), 0);
        }
        ASSERT_EQ(WriteOne(target, step.Reg, step.Value(image)), 0) << std::hex << step.Reg;
    }
    for (int reg : p.Compare)
        EXPECT_EQ(target.Peek(reg), source.Peek(reg)) << std::hex << reg;
    if (p.Kind == Model::B) {
        EXPECT_EQ(target.ParameterBlock()[190], 0x5A);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Models, SimControllerDownload,
    ::testing::Values(
        RoundTripCase{"A",
                      Model::A,
                      {{0x4701, 555}, {0x4702, 33}, {0x4705, -44}, {0x4706, 4000}, {0x4707, -100}, {0x4708, 88},
                       {0x4709, 120}, {0x470A, 30}, {0x470B, 5}, {0x470E, 12}, {0x4710, 7}, {0x4711, 1},
                       {0x4712, 9}, {0x4713, 20}, {0x4715, 5}, {0x4716, 6}, {0x4731, 4}, {0x470F, 0x0B}},
                      {0x4701, 0x4702, 0x4703, 0x4704, 0x4705, 0x4706, 0x4707, 0x4708, 0x4709, 0x470A, 0x470B,
                       0x470E, 0x470F, 0x4710, 0x4711, 0x4712, 0x4713, 0x4715, 0x4716, 0x4718, 0x471A, 0x4731}},
        RoundTripCase{"B",
                      Model::B,
                      {{0x4701, -55}, {0x4704, 5000}, {0x4705, -500}, {0x4706, 11}, {0x470B, 66}, {0x470C, 99},
                       {0x470F, 300}, {0x4711, 250}, {0x4712, -30}, {0x4714, 7}, {0x4715, 90}, {0x4716, 5},
                       {0x4718, 3}, {0x4719, 1}, {0x471A, 2}, {0x471B, 5}, {0x471C, 7}, {0x471D, -40},
                       {0x471E, 11}, {0x471F, 3}, {0x4720, 1}, {0x4722, 9}, {0x4724, 0}, {0x4725, 0}},
                      {0x4701, 0x4704, 0x4705, 0x4706, 0x4707, 0x4708, 0x4709, 0x470A, 0x470B, 0x470C, 0x470D,
                       0x470E, 0x470F, 0x4710, 0x4711, 0x4712, 0x4713, 0x4714, 0x4715, 0x4716, 0x4717, 0x4718,
                       0x4719, 0x471A, 0x471B, 0x471C, 0x471D, 0x471E, 0x471F, 0x4720, 0x4721, 0x4722, 0x4724,
                       0x4725, 0x4726}},
        RoundTripCase{"C",
                      Model::C,
                      {{0x4701, 321}, {0x4704, 2000}, {0x4709, 45}, {0x470D, 0}, {0x4714, 15}, {0x4718, 12},
                       {0x4719, 2}, {0x4702, 420}, {0x4703, 150}, {0x471A, 1}, {0x471F, 0}, {0x4720, 7}},
                      {0x4701, 0x4702, 0x4703, 0x4704, 0x4705, 0x4706, 0x4707, 0x4708, 0x4709, 0x470C, 0x470D,
                       0x470E, 0x470F, 0x4710, 0x4711, 0x4712, 0x4713, 0x4714, 0x4717, 0x4718, 0x4719, 0x471A,
                       0x471B, 0x471C, 0x471F, 0x4720, 0x4721}}),
    [](const auto &info) { return std::string(info.param.Name); });

} // namespace
