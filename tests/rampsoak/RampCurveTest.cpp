// The set-value curve as numbers: polylines and their pens.
#include "RampCurve.h"
#include "RampTestSupport.h"

#include <gtest/gtest.h>

namespace {

using Pen = CurvePen;

CurveSegment Segment(Pen pen, std::initializer_list<QPoint> points)
{
    return {pen, points};
}

void Step(RampSoakProgram &program, int pattern, int step, int value, int minutes)
{
    program.SetValue[static_cast<size_t>(StepIndex(pattern, step))] = value;
    program.ExecuteTime[static_cast<size_t>(StepIndex(pattern, step))] = minutes;
}

// Every pattern linked to the program end unless a test says otherwise.
RampSoakProgram Ending()
{
    RampSoakProgram program;
    program.LinkPattern.fill(ProgEnd);
    return program;
}

TEST(RampCurve, AProgramSetOfZerosHasNoCurve)
{
    const CurvePicture picture = CurveOf(RampSoakProgram{});
    EXPECT_FALSE(picture.Shown);
    EXPECT_EQ(picture.Duration, 0);
    EXPECT_TRUE(picture.Segments.empty());
}

// Two steps, 10.0 and 20.0 after 10 and 20 minutes: R = 100 is more than
// h = 90, so y = (200 - v) / 2 + 2; D = 30 gives 17 pixels a minute.
TEST(RampCurve, TheWorkedExample)
{
    RampSoakProgram program = Ending();
    program.StepMax[0] = 1;
    Step(program, 0, 0, 100, 10);
    Step(program, 0, 1, 200, 20);
    const CurvePicture picture = CurveOf(program);
    EXPECT_TRUE(picture.Shown);
    EXPECT_EQ(picture.Duration, 30);
    EXPECT_EQ(picture.Highest, 200);
    EXPECT_EQ(picture.Lowest, 100);
    EXPECT_EQ(picture.EndPattern, ProgEnd);
    const std::vector<CurveSegment> expected{
        Segment(Pen::FirstRun, {{0, 52}, {170, 52}, {510, 2}}),
        Segment(Pen::Hold, {{510, 2}, {558, 2}}),
    };
    EXPECT_EQ(picture.Segments, expected);
}

TEST(RampCurve, RepeatsAreNavyAndTheNextPatternGreenAgain)
{
    RampSoakProgram program = Ending();
    program.LoopCount[0] = 1;
    program.LinkPattern[0] = 1;
    Step(program, 0, 0, 100, 10);
    Step(program, 1, 0, 200, 20);
    const CurvePicture picture = CurveOf(program);
    EXPECT_EQ(picture.Duration, 40);  // fx = 530 / 40 = 13
    const std::vector<CurveSegment> expected{
        Segment(Pen::FirstRun, {{0, 52}, {130, 52}}),
        Segment(Pen::Repeat, {{130, 52}, {260, 52}}),
        Segment(Pen::FirstRun, {{260, 52}, {520, 2}}),
        Segment(Pen::Hold, {{520, 2}, {558, 2}}),
    };
    EXPECT_EQ(picture.Segments, expected);
}

// Pattern 0 linked to itself, run twice: the cycle closes at pattern 0,
// which the drawing starts at; the first arrival after the two runs turns
// the pen grey, and grey goes on to the right edge.
TEST(RampCurve, ASelfLinkedPatternRepeatsInGrey)
{
    RampSoakProgram program = Ending();
    program.StepMax[0] = 1;
    program.LoopCount[0] = 1;
    program.LinkPattern[0] = 0;
    Step(program, 0, 0, 0, 10);
    Step(program, 0, 1, 90, 10);  // R = 90 = h: y = 92 - v
    const CurvePicture picture = CurveOf(program);
    EXPECT_EQ(picture.EndPattern, 0);
    EXPECT_EQ(picture.Duration, 40);
    const std::vector<CurveSegment> expected{
        Segment(Pen::FirstRun, {{0, 92}, {130, 92}, {260, 2}}),
        Segment(Pen::Repeat, {{260, 2}, {390, 92}, {520, 2}}),
        Segment(Pen::Cycle, {{520, 2}, {650, 92}}),
    };
    EXPECT_EQ(picture.Segments, expected);
}

// 0 -> 1 -> 2 -> 1: the cycle 1, 2 is drawn once in colour, then in grey.
TEST(RampCurve, AChainThatClosesACycleLaterOn)
{
    RampSoakProgram program = Ending();
    program.LinkPattern[0] = 1;
    program.LinkPattern[1] = 2;
    program.LinkPattern[2] = 1;
    Step(program, 0, 0, 0, 100);
    Step(program, 1, 0, 90, 100);
    Step(program, 2, 0, 0, 100);
    const CurvePicture picture = CurveOf(program);
    EXPECT_EQ(picture.EndPattern, 1);
    EXPECT_EQ(picture.Duration, 300);  // fx = 1
    const std::vector<CurveSegment> expected{
        Segment(Pen::FirstRun, {{0, 92}, {100, 92}, {200, 2}, {300, 92}}),
        Segment(Pen::Cycle, {{300, 92}, {400, 2}, {500, 92}, {600, 2}}),
    };
    EXPECT_EQ(picture.Segments, expected);
}

TEST(RampCurve, AZeroTimeStepDrawsNothingButCountsForTheScale)
{
    RampSoakProgram program = Ending();
    program.StepMax[0] = 2;
    Step(program, 0, 0, 100, 10);
    Step(program, 0, 1, 300, 0);
    Step(program, 0, 2, 200, 20);
    const CurvePicture picture = CurveOf(program);
    EXPECT_EQ(picture.Highest, 300);  // R = 200: y = (300 - v) / 3 + 2
    const std::vector<CurveSegment> expected{
        Segment(Pen::FirstRun, {{0, 68}, {170, 68}, {510, 35}}),
        Segment(Pen::Hold, {{510, 35}, {558, 35}}),
    };
    EXPECT_EQ(picture.Segments, expected);
}

TEST(RampCurve, TheChainStartsAtTheStartPatternAndEndsWithAHold)
{
    RampSoakProgram program = Ending();
    program.StartPattern = 5;
    Step(program, 0, 0, 999, 500);  // not in the chain
    Step(program, 5, 0, 50, 900);   // D = 900 > 530: x = t / 2
    const CurvePicture picture = CurveOf(program);
    EXPECT_EQ(picture.Duration, 900);
    const std::vector<CurveSegment> expected{
        Segment(Pen::FirstRun, {{0, 2}, {450, 2}}),
        Segment(Pen::Hold, {{450, 2}, {558, 2}}),
    };
    EXPECT_EQ(picture.Segments, expected);
}

TEST(RampCurve, AStartPatternOutsideTheEightHasNoCurve)
{
    RampSoakProgram program = ExampleProgram();
    for (int start : {8, 12, 255, -1}) {
        program.StartPattern = start;
        const CurvePicture picture = CurveOf(program);
        EXPECT_FALSE(picture.Shown) << start;
        EXPECT_TRUE(picture.Segments.empty()) << start;
    }
}

// Step counts beyond the pattern stop at its last step, loop counts above
// 99 count as 99, negative times as none, a link outside the patterns
// ends the program.
TEST(RampCurve, HostileValuesStayInsideThePatterns)
{
    RampSoakProgram program = Ending();
    program.StepMax[0] = 200;
    program.LoopCount[0] = 255;
    program.LinkPattern[0] = 9;
    for (int s = 0; s < 8; ++s)
        Step(program, 0, s, s % 2 ? -32768 : 32767, 1);
    Step(program, 0, 7, 0, -5);
    const CurvePicture picture = CurveOf(program);
    EXPECT_EQ(picture.Duration, 7 * 100);
    EXPECT_EQ(picture.EndPattern, ProgEnd);
    ASSERT_FALSE(picture.Segments.empty());
    EXPECT_EQ(picture.Segments.back().Pen, Pen::Hold);
    size_t lines = 0;
    for (const CurveSegment &segment : picture.Segments) {
        lines += segment.Points.size() - 1;
        for (const QPoint &point : segment.Points) {
            EXPECT_GE(point.x(), 0);
            EXPECT_LE(point.x(), 558);
            EXPECT_GE(point.y(), 2);
            EXPECT_LE(point.y(), 92);
        }
    }
    EXPECT_EQ(lines, 7u * 100u + 1u);
}

TEST(RampCurve, ACycleWithoutTimeEnds)
{
    RampSoakProgram program = Ending();
    program.LinkPattern[0] = 1;
    program.LinkPattern[1] = 1;
    program.LoopCount[1] = 99;
    program.StepMax[1] = 7;
    Step(program, 0, 0, 100, 10);
    const CurvePicture picture = CurveOf(program);
    EXPECT_EQ(picture.EndPattern, 1);
    const std::vector<CurveSegment> expected{Segment(Pen::FirstRun, {{0, 2}, {530, 2}})};
    EXPECT_EQ(picture.Segments, expected);
}

TEST(RampCurve, ThePictureHasAFrameAndTheCurvesColours)
{
    RampSoakProgram program = Ending();
    program.StepMax[0] = 1;
    Step(program, 0, 0, 100, 10);
    Step(program, 0, 1, 200, 20);
    const QImage image = DrawCurve(CurveOf(program));
    EXPECT_EQ(image.size(), QSize(560, 95));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(559, 94), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(300, 80), QColor(Qt::white));
    const auto near = [&](int x, int y, const QColor &colour) {
        for (int dy = -1; dy <= 1; ++dy) {
            if (image.pixelColor(x, y + dy) == colour)
                return true;
        }
        return false;
    };
    EXPECT_TRUE(near(85, 52, QColor(0, 128, 0)));
    EXPECT_TRUE(near(540, 2, QColor(128, 128, 0)));
    EXPECT_EQ(PenColour(Pen::Repeat), QColor(0, 0, 128));
    EXPECT_EQ(PenColour(Pen::Cycle), QColor(128, 128, 128));
}

} // namespace
