// Value texts, row kinds, the apply rules of the editors and the step block.
#include "RampTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct TextCase {
    int Value;
    const char *Text;
};

class SetValueTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(SetValueTexts, OneDecimalWithTheSignInFront)
{
    EXPECT_EQ(SetValueText(GetParam().Value), QString::fromLatin1(GetParam().Text));
}

INSTANTIATE_TEST_SUITE_P(RampProgram, SetValueTexts,
                         ::testing::Values(TextCase{253, "25.3"}, TextCase{-15, "-1.5"}, TextCase{-5, "-0.5"},
                                           TextCase{0, "0.0"}, TextCase{-100, "-10.0"}, TextCase{1000, "100.0"},
                                           TextCase{32767, "3276.7"}, TextCase{-32768, "-3276.8"}));

class ExecuteTimeTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(ExecuteTimeTexts, HoursAndMinutes)
{
    EXPECT_EQ(ExecuteTimeText(GetParam().Value), QString::fromLatin1(GetParam().Text));
}

// Times outside 0-900 come only from files and controllers; they show as
// they are instead of as characters after the digits.
INSTANTIATE_TEST_SUITE_P(RampProgram, ExecuteTimeTexts,
                         ::testing::Values(TextCase{90, "01:30"}, TextCase{900, "15:00"}, TextCase{0, "00:00"},
                                           TextCase{59, "00:59"}, TextCase{1000, "16:40"}, TextCase{6000, "100:00"},
                                           TextCase{32767, "546:07"}, TextCase{-5, "-00:05"}));

TEST(RampProgram, LinkTextsAreTheLinkListsItems)
{
    EXPECT_EQ(LinkText(8), QStringLiteral("Prog End"));
    EXPECT_EQ(LinkText(3), QStringLiteral("Pattern 3"));
    EXPECT_EQ(LinkText(0), QStringLiteral("Pattern 0"));
    EXPECT_EQ(LinkText(12), QStringLiteral("Pattern 12"));
}

TEST(RampProgram, RowKinds)
{
    const std::vector<std::pair<int, CellKind>> rows{
        {0, CellKind::None},         {1, CellKind::StepMax},      {2, CellKind::SetValue},
        {3, CellKind::ExecuteTime},  {16, CellKind::SetValue},    {17, CellKind::ExecuteTime},
        {18, CellKind::LoopCount},   {19, CellKind::Link},        {20, CellKind::None},
        {-1, CellKind::None}};
    for (const auto &[row, kind] : rows)
        EXPECT_EQ(KindOfRow(row), kind) << row;
    EXPECT_EQ(StepOfRow(2), 0);
    EXPECT_EQ(StepOfRow(3), 0);
    EXPECT_EQ(StepOfRow(17), 7);
    EXPECT_EQ(StepOfRow(1), -1);
    EXPECT_EQ(StepOfRow(18), -1);
}

struct SetValueCase {
    const char *Typed;
    bool Taken;
    int Stored;
};

class SetValueInput : public ::testing::TestWithParam<SetValueCase> {};

TEST_P(SetValueInput, OneDecimalWithinTheRegistersRange)
{
    RampSoakProgram program;
    program.SetValue[10] = 77;
    EXPECT_EQ(ApplySetValue(program, 10, QString::fromLatin1(GetParam().Typed)), GetParam().Taken);
    EXPECT_EQ(program.SetValue[10], GetParam().Taken ? GetParam().Stored : 77);
}

INSTANTIATE_TEST_SUITE_P(RampProgram, SetValueInput,
                         ::testing::Values(SetValueCase{"25.3", true, 253}, SetValueCase{"-0.5", true, -5},
                                           SetValueCase{"12.34", true, 123}, SetValueCase{" -4.5", true, -45},
                                           SetValueCase{"-1000.0", true, -10000}, SetValueCase{"3276.7", true, 32767},
                                           SetValueCase{"abc", false, 0}, SetValueCase{"-1000.1", false, 0},
                                           SetValueCase{"3276.8", false, 0}, SetValueCase{"99999", false, 0},
                                           SetValueCase{"12.a", false, 0}, SetValueCase{"+5", false, 0}));

TEST(RampProgram, SetValueTextWithAnEmbeddedNulIsRefused)
{
    RampSoakProgram program;
    EXPECT_FALSE(ApplySetValue(program, 0, QStringLiteral("12") + QChar(0) + QStringLiteral("x")));
}

TEST(RampProgram, LoopCountsAreWholeNumbersUpTo99)
{
    RampSoakProgram program;
    program.LoopCount[3] = 5;
    EXPECT_TRUE(ApplyLoopCount(program, 3, QStringLiteral("150")));
    EXPECT_EQ(program.LoopCount[3], 99);
    EXPECT_TRUE(ApplyLoopCount(program, 3, QStringLiteral("12.7")));
    EXPECT_EQ(program.LoopCount[3], 12);
    for (const char *refused : {"-3", "abc", "5 ", "1e2"}) {
        EXPECT_FALSE(ApplyLoopCount(program, 3, QString::fromLatin1(refused))) << refused;
        EXPECT_EQ(program.LoopCount[3], 12) << refused;
    }
}

TEST(RampProgram, TimesAreHoursAndMinutesUpTo15Hours)
{
    RampSoakProgram program;
    EXPECT_TRUE(ApplyExecuteTime(program, 63, 1, 30));
    EXPECT_EQ(program.ExecuteTime[63], 90);
    EXPECT_TRUE(ApplyExecuteTime(program, 63, 15, 30));
    EXPECT_EQ(program.ExecuteTime[63], 900);
    // Nothing chosen in the hour or minute editor applies nothing.
    EXPECT_FALSE(ApplyExecuteTime(program, 63, -1, 10));
    EXPECT_FALSE(ApplyExecuteTime(program, 63, 2, -1));
    EXPECT_FALSE(ApplyExecuteTime(program, 63, 16, 0));
    EXPECT_FALSE(ApplyExecuteTime(program, 64, 1, 0));
    EXPECT_EQ(program.ExecuteTime[63], 900);
}

TEST(RampProgram, ListIndexesOutsideTheListsApplyNothing)
{
    RampSoakProgram program;
    program.StepMax[2] = 4;
    program.LinkPattern[2] = 6;
    EXPECT_FALSE(ApplyStepMax(program, 2, -1));
    EXPECT_FALSE(ApplyStepMax(program, 2, 8));
    EXPECT_FALSE(ApplyLink(program, 2, -1));
    EXPECT_FALSE(ApplyLink(program, 2, 9));
    EXPECT_FALSE(ApplyStepMax(program, 8, 1));
    EXPECT_EQ(program.StepMax[2], 4);
    EXPECT_EQ(program.LinkPattern[2], 6);
    EXPECT_TRUE(ApplyStepMax(program, 2, 7));
    EXPECT_TRUE(ApplyLink(program, 2, 8));
    EXPECT_EQ(program.StepMax[2], 7);
    EXPECT_EQ(program.LinkPattern[2], 8);
}

TEST(RampProgram, StepBlockWordsAreSignedHighByteFirst)
{
    RampImage image{};
    image[40] = 0xFF;  // record 10: set value 0xFF9C
    image[41] = 0x9C;
    image[42] = 0x03;  // time 0x0384
    image[43] = 0x84;
    image[256] = 'B';
    RampSoakProgram program;
    DecodeSteps(image, program);
    EXPECT_EQ(program.SetValue[10], -100);
    EXPECT_EQ(SetValueText(program.SetValue[10]), QStringLiteral("-10.0"));
    EXPECT_EQ(program.ExecuteTime[10], 900);
    RampImage again{};
    again[256] = 'B';
    EncodeSteps(program, again);
    EXPECT_EQ(again, image);
}

TEST(RampProgram, GuardsKeepUncheckedValuesInsideThePatterns)
{
    RampSoakProgram program;
    program.StepMax = {200, 7, 0, 3, 8, 255, 1, 2};
    program.LinkPattern = {9, 8, 7, 255, 0, 1, 2, 3};
    EXPECT_EQ(LastStep(program, 0), 7);
    EXPECT_EQ(LastStep(program, 4), 7);
    EXPECT_EQ(LastStep(program, 3), 3);
    EXPECT_EQ(FollowLink(program, 0), ProgEnd);
    EXPECT_EQ(FollowLink(program, 3), ProgEnd);
    EXPECT_EQ(FollowLink(program, 2), 7);
    EXPECT_EQ(FollowLink(program, 12), ProgEnd);
    EXPECT_EQ(LastStep(program, -1), 0);
}

} // namespace
