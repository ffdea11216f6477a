// The PV trend as numbers: geometry, scale, grid, sampling and the drawing
// plans. At a layout width of 808 the plot runs from x0 = 35 to x1 = 755,
// h = 225, and a ring holds 720 samples.
#include "PvTrend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using Words = std::array<std::optional<int>, TrendSlotCount>;

Words Slot0(int word)
{
    return {word, std::nullopt, std::nullopt, std::nullopt};
}

// Drives a trend as the trend box does, keeping what was drawn.
struct Viewer {
    explicit Viewer(int layoutWidth = 808) : Trend(layoutWidth) {}

    TrendDraw Tick(const Words &words, int selected = 0, bool shown = true)
    {
        const TrendDraw draw = Trend.Sample(words, selected, shown);
        if (draw == TrendDraw::Full) {
            LastFull = Trend.PlanFullRedraw(selected);
            ++FullRedraws;
        } else if (draw == TrendDraw::Incremental) {
            LastStep = Trend.PlanIncremental();
            ++Steps;
        }
        return draw;
    }
    TrendDraw Tick(int word) { return Tick(Slot0(word)); }

    PvTrend Trend;
    TrendFullPlan LastFull;
    TrendStepPlan LastStep;
    int FullRedraws = 0;
    int Steps = 0;
};

// ---- geometry and scale ------------------------------------------------------

struct GeometryCase {
    int Width, X0, X1, H, BoxWidth, BoxHeight, Ring;
};

class TrendGeometryTest : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(TrendGeometryTest, ScalesWithTheLayoutWidth)
{
    const GeometryCase &c = GetParam();
    const TrendGeometry g = TrendGeometryFor(c.Width);
    EXPECT_EQ(g.X0, c.X0);
    EXPECT_EQ(g.X1, c.X1);
    EXPECT_EQ(g.H, c.H);
    EXPECT_EQ(g.BoxWidth, c.BoxWidth);
    EXPECT_EQ(g.BoxHeight, c.BoxHeight);
    EXPECT_EQ(g.RingLength, c.Ring);
}

INSTANTIATE_TEST_SUITE_P(Widths, TrendGeometryTest,
                         ::testing::Values(GeometryCase{808, 35, 755, 225, 785, 250, 720},
                                           GeometryCase{1024, 44, 956, 285, 994, 316, 912},
                                           GeometryCase{100, 4, 93, 27, 97, 30, 89},
                                           // Capped at 2000 samples: the plot ends with the ring.
                                           GeometryCase{2600, 112, 2112, 724, 2525, 804, 2000},
                                           GeometryCase{0, 0, 1, 0, 0, 0, 1}));

TEST(TrendValue, SignedWithFaultCodesAsGaps)
{
    EXPECT_EQ(TrendValue(0x0000), 0);
    EXPECT_EQ(TrendValue(0x00FA), 250);
    EXPECT_EQ(TrendValue(0x7FFF), 32767);
    EXPECT_EQ(TrendValue(0xFFF6), -10);  // -1.0 is not 6553.4
    EXPECT_EQ(TrendValue(0xFFFF), -1);
    EXPECT_EQ(TrendValue(0xF830), -2000);
    EXPECT_EQ(TrendValue(0x8100), -32512);
    for (int fault : {0x8000, 0x8001, 0x8003, 0x8005, 0x8007, 0x80FF})
        EXPECT_FALSE(TrendValue(fault)) << std::hex << fault;
}

struct ScaleCase {
    int Maximum, Minimum;
    ScaleMode Mode;
    int Factor, Base, GridStep;
};

class TrendScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(TrendScaleTest, FitsTheRangeIntoThePlot)
{
    const ScaleCase &c = GetParam();
    const TrendScale s = ScaleFor(c.Maximum, c.Minimum, 225);
    EXPECT_EQ(s.Mode, c.Mode);
    EXPECT_EQ(s.Factor, c.Factor);
    EXPECT_EQ(s.Base, c.Base);
    EXPECT_EQ(s.GridStep, c.GridStep);
    EXPECT_EQ(s.Span, c.Maximum - c.Minimum);
    // Whatever the scale, the range lies inside the plot.
    EXPECT_GT(TrendY(s, c.Maximum, 225), 5);
    EXPECT_LE(TrendY(s, c.Minimum, 225), 225);
}

constexpr auto M = ScaleMode::Multiply;
constexpr auto D = ScaleMode::Divide;
INSTANTIATE_TEST_SUITE_P(Ranges, TrendScaleTest,
                         ::testing::Values(ScaleCase{250, 250, M, 10, 239, 10},      // constant
                                           ScaleCase{-10, -10, M, 10, -21, 10},      // constant -1.0
                                           ScaleCase{269, 250, M, 10, 248, 10},      // 19 x 10 = 190
                                           ScaleCase{270, 250, M, 9, 248, 10},       // 20 x 10 > 195
                                           ScaleCase{290, 250, M, 4, 242, 50},
                                           ScaleCase{444, 250, M, 1, 235, 50},       // span 194
                                           ScaleCase{445, 250, D, 1, 235, 100},      // span 195
                                           ScaleCase{446, 250, D, 2, 124, 100},
                                           ScaleCase{900, 0, D, 5, -110, 100},
                                           ScaleCase{1000, 0, D, 6, -172, 500},
                                           ScaleCase{3800, 0, D, 20, -340, 500},
                                           ScaleCase{3950, 0, D, 21, -377, 1000},
                                           ScaleCase{7700, 0, D, 40, -630, 1000},
                                           ScaleCase{7900, 0, D, 41, -642, 2000},
                                           ScaleCase{32767, -32768, D, 335, -37521, 2000}));

TEST(TrendScale, ValueToYDividesTowardZero)
{
    const TrendScale s = ScaleFor(1000, 0, 225);  // divide by 6, base -172
    EXPECT_EQ(TrendY(s, 1000, 225), 31);
    EXPECT_EQ(TrendY(s, 0, 225), 198);
    EXPECT_EQ(TrendY(s, -180, 225), 227);  // -8 / 6 is -1
    const TrendScale flat = ScaleFor(250, 250, 225);
    EXPECT_EQ(TrendY(flat, 250, 225), 116);
    EXPECT_EQ(TrendY(flat, 251, 225), 106);
}

TEST(TrendScale, ATinyPlotStillGetsAScale)
{
    const TrendScale s = ScaleFor(30000, -30000, 20);
    EXPECT_EQ(s.Mode, ScaleMode::Divide);
    EXPECT_EQ(s.Factor, 30001);
    EXPECT_LE(GridLines(s, 20).size(), 22u);
}

TEST(TrendGrid, ConstantValueHasThreeLinesAroundTheMiddle)
{
    const std::vector<GridLine> lines = GridLines(ScaleFor(250, 250, 225), 225);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Y, 216);
    EXPECT_EQ(lines[0].Value, 240);
    EXPECT_EQ(lines[1].Y, 116);
    EXPECT_EQ(lines[2].Y, 16);
    EXPECT_EQ(GridLabel(lines[2].Value), QStringLiteral("26.0"));
}

TEST(TrendGrid, NegativeValuesGetNegativeLabels)
{
    const std::vector<GridLine> lines = GridLines(ScaleFor(-10, -10, 225), 225);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Value, -20);
    EXPECT_EQ(lines[0].Y, 216);
    EXPECT_EQ(GridLabel(lines[0].Value), QStringLiteral("-2.0"));
    EXPECT_EQ(GridLabel(lines[1].Value), QStringLiteral("-1.0"));
    EXPECT_EQ(GridLabel(lines[2].Value), QStringLiteral("0.0"));
}

TEST(TrendGrid, LinesClimbAndStayInsideThePlot)
{
    for (const auto &[maximum, minimum] : std::vector<std::pair<int, int>>{
             {250, 250}, {300, 100}, {1000, -1000}, {9999, -1999}, {32767, -32768}, {-500, -520}}) {
        const TrendScale s = ScaleFor(maximum, minimum, 225);
        const std::vector<GridLine> lines = GridLines(s, 225);
        ASSERT_FALSE(lines.empty()) << maximum << " " << minimum;
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_GT(lines[i].Y, 0);
            EXPECT_LE(lines[i].Y, 226);
            EXPECT_EQ(((lines[i].Value % s.GridStep) + s.GridStep) % s.GridStep, 0);
            if (i > 0) {
                EXPECT_LT(lines[i].Y, lines[i - 1].Y);
            }
        }
    }
}

TEST(TrendText, TenthsWithTheirSign)
{
    EXPECT_EQ(TenthsText(253), QStringLiteral("25.3"));
    EXPECT_EQ(TenthsText(0), QStringLiteral("0.0"));
    EXPECT_EQ(TenthsText(-5), QStringLiteral("-0.5"));
    EXPECT_EQ(TenthsText(-1999), QStringLiteral("-199.9"));
}

// ---- sampling and drawing ---------------------------------------------------------

TEST(PvTrend, ConstantValueIsAHorizontalLineInTheMiddle)
{
    Viewer v;
    EXPECT_EQ(v.Tick(250), TrendDraw::Full);
    for (int i = 1; i < 10; ++i)
        EXPECT_EQ(v.Tick(250), TrendDraw::Incremental);
    ASSERT_TRUE(v.LastStep.Curve);
    EXPECT_EQ(*v.LastStep.Curve, QLine(44, 116, 45, 116));
    EXPECT_FALSE(v.LastStep.Scroll);

    const TrendFullPlan plan = v.Trend.PlanFullRedraw(0);
    EXPECT_EQ(v.Trend.Scale().Mode, ScaleMode::Multiply);
    EXPECT_EQ(v.Trend.Scale().Factor, 10);
    EXPECT_EQ(v.Trend.Scale().Span, 0);
    ASSERT_EQ(plan.Curve.size(), 10u);  // the first sample and the newest included
    EXPECT_EQ(plan.Curve.front(), QLine(36, 116, 36, 116));
    EXPECT_EQ(plan.Curve[1], QLine(36, 116, 37, 116));
    EXPECT_EQ(plan.Curve.back(), QLine(44, 116, 45, 116));
    EXPECT_EQ(plan.Box, QRect(0, 0, 785, 250));
    EXPECT_EQ(plan.HorizontalAxis, QLine(20, 225, 765, 225));
    EXPECT_EQ(plan.VerticalAxis, QLine(35, 0, 35, 240));
    ASSERT_EQ(plan.Grid.size(), 3u);
    EXPECT_EQ(plan.Grid[1], QLine(35, 116, 760, 116));
    EXPECT_EQ(plan.GridLabels[1].TopLeft, QPoint(3, 112));
    EXPECT_EQ(plan.GridLabels[1].Text, QStringLiteral("25.0"));
    EXPECT_EQ(v.Trend.Pen(), QPoint(45, 116));
}

TEST(PvTrend, IncrementalAndFullDrawsPutEverySampleAtTheSameX)
{
    Viewer v;
    std::vector<int> incremental;
    for (int i = 0; i < 200; ++i) {
        v.Tick(250 + (i % 7) - 3);
        if (v.Steps > 0 && v.LastStep.Curve)
            incremental.push_back(v.LastStep.Curve->x2());
    }
    ASSERT_EQ(v.FullRedraws, 1);
    const TrendFullPlan plan = v.Trend.PlanFullRedraw(0);
    ASSERT_EQ(plan.Curve.size(), 200u);
    std::vector<int> full;
    for (size_t k = 1; k < plan.Curve.size(); ++k)
        full.push_back(plan.Curve[k].x2());
    EXPECT_EQ(full, incremental);
}

TEST(PvTrend, TimeMarksOnceAMinuteWithTheValue)
{
    Viewer v;
    for (int i = 0; i < 150; ++i)
        v.Tick(253);
    const TrendFullPlan plan = v.Trend.PlanFullRedraw(0);
    ASSERT_EQ(plan.TimeMarks.size(), 3u);  // seconds 0, 60, 120
    EXPECT_EQ(plan.TimeMarks[0], QLine(36, 5, 36, 225));
    EXPECT_EQ(plan.TimeMarks[1], QLine(96, 5, 96, 225));
    EXPECT_EQ(plan.TimeMarks[2], QLine(156, 5, 156, 225));
    // The mark at the very left has no label; it would sit on the grid's.
    ASSERT_EQ(plan.ValueLabels.size(), 2u);
    EXPECT_EQ(plan.ValueLabels[0].TopLeft, QPoint(63, 119));
    EXPECT_EQ(plan.ValueLabels[0].Text, QStringLiteral("25.3"));

    // The incremental draw marks the minute as it passes.
    for (int i = 150; i < 180; ++i) {
        v.Tick(253);
        EXPECT_FALSE(v.LastStep.TimeMark);
    }
    v.Tick(253);  // second 180
    ASSERT_TRUE(v.LastStep.TimeMark);
    EXPECT_EQ(*v.LastStep.TimeMark, QLine(216, 0, 216, 225));
    ASSERT_TRUE(v.LastStep.ValueLabel);
    EXPECT_EQ(v.LastStep.ValueLabel->Text, QStringLiteral("25.3"));
    EXPECT_EQ(v.LastStep.ValueLabel->TopLeft, QPoint(183, 119));
}

TEST(PvTrend, AValueLeavingTheBandForcesAFullRedrawWithANewScale)
{
    Viewer v;
    for (int i = 0; i < 5; ++i)
        v.Tick(250);
    EXPECT_EQ(v.Trend.Scale().Base, 239);
    EXPECT_EQ(v.Tick(262), TrendDraw::Full);  // y would be -4
    EXPECT_EQ(v.Trend.Scale().Span, 12);
    EXPECT_EQ(v.Trend.Scale().Base, 245);
    EXPECT_EQ(v.LastFull.Curve.back(), QLine(40, 176, 41, 56));
    EXPECT_EQ(v.Tick(262), TrendDraw::Incremental);
    // Downwards: y would be 276, below h - 15.
    EXPECT_EQ(v.Tick(240), TrendDraw::Full);
    EXPECT_EQ(v.Trend.Scale().Span, 22);
    // A value that stays in the band draws on.
    EXPECT_EQ(v.Tick(251), TrendDraw::Incremental);
}

TEST(PvTrend, TheRingWrapsAndThePlotScrollsOnePixelASecond)
{
    Viewer v;
    for (int i = 0; i < 720; ++i)
        EXPECT_NE(v.Tick(250), TrendDraw::None);
    EXPECT_FALSE(v.Trend.Slot(0).RingFull);
    EXPECT_EQ(*v.LastStep.Curve, QLine(754, 116, 755, 116));
    EXPECT_FALSE(v.LastStep.Scroll);

    EXPECT_EQ(v.Tick(250), TrendDraw::Incremental);
    EXPECT_TRUE(v.Trend.Slot(0).RingFull);
    EXPECT_EQ(v.Trend.Slot(0).WriteIndex, 1);
    EXPECT_TRUE(v.LastStep.Scroll);
    EXPECT_EQ(v.LastStep.ScrollSource, QRect(QPoint(37, 0), QPoint(759, 249)));
    EXPECT_EQ(v.LastStep.ScrollTarget, QPoint(36, 0));
    EXPECT_EQ(*v.LastStep.Curve, QLine(754, 116, 755, 116));

    v.Tick(251);
    EXPECT_EQ(*v.LastStep.Curve, QLine(754, 116, 755, 106));
    EXPECT_EQ(v.Trend.Pen(), QPoint(755, 106));

    // A full redraw shows the 720 newest, oldest at the left.
    const TrendFullPlan plan = v.Trend.PlanFullRedraw(0);
    ASSERT_EQ(plan.Curve.size(), 720u);
    EXPECT_EQ(plan.Curve.front().p2().x(), 36);
    EXPECT_EQ(plan.Curve.back().p2(), QPoint(755, TrendY(v.Trend.Scale(), 251, 225)));
}

TEST(PvTrend, ANegativeValuePlotsBelowZero)
{
    Viewer v;
    v.Tick(0xFFF6);  // -1.0
    const TrendFullPlan &plan = v.LastFull;
    EXPECT_EQ(v.Trend.Slot(0).Maximum, -10);
    EXPECT_EQ(v.Trend.Scale().Base, -21);
    ASSERT_EQ(plan.Curve.size(), 1u);
    EXPECT_EQ(plan.Curve[0].p2(), QPoint(36, 116));
    ASSERT_EQ(plan.GridLabels.size(), 3u);
    EXPECT_EQ(plan.GridLabels[1].Text, QStringLiteral("-1.0"));

    // From -1.0 to +1.0: one range across zero, both in the plot.
    for (int i = 0; i < 3; ++i)
        v.Tick(10);
    EXPECT_EQ(v.Trend.Slot(0).Minimum, -10);
    EXPECT_EQ(v.Trend.Slot(0).Maximum, 10);
    const int yMinus = TrendY(v.Trend.Scale(), -10, 225);
    const int yPlus = TrendY(v.Trend.Scale(), 10, 225);
    EXPECT_GT(yMinus, yPlus);
    EXPECT_LE(yMinus, 210);
    EXPECT_GT(yPlus, 5);
}

TEST(PvTrend, AFaultCodeIsAGapInTheCurve)
{
    Viewer v;
    for (int word : {250, 250, 0x8003, 250, 250})
        v.Tick(word);
    const TrendFullPlan plan = v.Trend.PlanFullRedraw(0);
    ASSERT_EQ(plan.Curve.size(), 4u);
    EXPECT_EQ(plan.Curve[0], QLine(36, 116, 36, 116));
    EXPECT_EQ(plan.Curve[1], QLine(36, 116, 37, 116));
    EXPECT_EQ(plan.Curve[2], QLine(39, 116, 39, 116));  // starts afresh after the gap at x 38
    EXPECT_EQ(plan.Curve[3], QLine(39, 116, 40, 116));
    // The fault did not widen the range.
    EXPECT_EQ(v.Trend.Slot(0).Minimum, 250);
    EXPECT_EQ(v.Trend.Scale().Factor, 10);
}

TEST(PvTrend, AFaultDrawsNothingAndTheNextValueStartsAfresh)
{
    Viewer v;
    v.Tick(250);
    EXPECT_EQ(v.Tick(0x8005), TrendDraw::Incremental);
    EXPECT_FALSE(v.LastStep.Curve);
    EXPECT_FALSE(v.Trend.Pen());
    v.Tick(250);
    EXPECT_EQ(*v.LastStep.Curve, QLine(38, 116, 38, 116));
}

TEST(PvTrend, OnlyFaultsSoFarDrawsFrameAndGridOnly)
{
    Viewer v;
    v.Tick(0x8001);
    EXPECT_TRUE(v.LastFull.Curve.empty());
    EXPECT_FALSE(v.Trend.Slot(0).HasRange);
    EXPECT_FALSE(v.LastFull.Grid.empty());
    v.Tick(300);
    EXPECT_EQ(v.Trend.Slot(0).Maximum, 300);
    EXPECT_EQ(v.Trend.Slot(0).Minimum, 300);
}

TEST(PvTrend, ARangeThatShrankALotRescalesAtTheTwoMinuteCheck)
{
    Viewer v;
    v.Tick(1000);  // a spike at the very start
    for (int i = 1; i < 720; ++i)
        v.Tick(250);
    EXPECT_EQ(v.Trend.Scale().Span, 750);
    EXPECT_EQ(v.Trend.Scale().Factor, 4);
    const int redraws = v.FullRedraws;
    // Second 720 overwrites the spike and is a two-minute check: the plot
    // would waste 750 / 4 pixels.
    EXPECT_EQ(v.Tick(250), TrendDraw::Full);
    EXPECT_EQ(v.FullRedraws, redraws + 1);
    EXPECT_EQ(v.Trend.Scale().Span, 0);
    EXPECT_EQ(v.Trend.Slot(0).Maximum, 250);
}

TEST(PvTrend, ASmallShrinkKeepsTheScaleUntilItGrows)
{
    Viewer v;
    v.Tick(255);
    EXPECT_EQ(v.Tick(245), TrendDraw::Full);
    for (int i = 2; i < 720; ++i)
        EXPECT_EQ(v.Tick(250), TrendDraw::Incremental);
    EXPECT_EQ(v.Trend.Scale().Span, 10);
    EXPECT_EQ(v.Trend.Scale().Factor, 10);
    // Second 720 drops the 25.5: 245..250 would leave 5 x 10 = 50 pixels
    // unused, not worth a redraw.
    EXPECT_EQ(v.Tick(250), TrendDraw::Incremental);
    EXPECT_EQ(v.Trend.Slot(0).Maximum, 250);
    EXPECT_EQ(v.Trend.Slot(0).Minimum, 245);
    for (int second = 721; second < 840; ++second)
        EXPECT_EQ(v.Tick(250), TrendDraw::Incremental);
    // Second 840: the 24.5 is gone too, 100 pixels unused.
    EXPECT_EQ(v.Tick(250), TrendDraw::Full);
    EXPECT_EQ(v.Trend.Scale().Span, 0);
}

TEST(PvTrend, ChangingTheSelectionRedrawsInFull)
{
    Viewer v;
    const Words both{250, 300, std::nullopt, std::nullopt};
    EXPECT_EQ(v.Tick(both, 0), TrendDraw::Full);
    EXPECT_EQ(v.Tick(both, 0), TrendDraw::Incremental);
    EXPECT_EQ(v.Tick(both, 1), TrendDraw::Full);
    EXPECT_EQ(v.Trend.DrawnSlot(), 1);
    EXPECT_EQ(v.LastFull.Curve.size(), 3u);  // slot 1 was sampled all along
    EXPECT_EQ(v.Tick(both, 1), TrendDraw::Incremental);
}

TEST(PvTrend, NothingIsDrawnWhileTheViewIsHiddenButSamplingGoesOn)
{
    Viewer v;
    for (int i = 0; i < 30; ++i)
        EXPECT_EQ(v.Tick(Slot0(250), 0, false), TrendDraw::None);
    EXPECT_EQ(v.Trend.Slot(0).WriteIndex, 30);
    EXPECT_EQ(v.Tick(Slot0(250), 0, true), TrendDraw::Full);
    EXPECT_EQ(v.LastFull.Curve.size(), 31u);
}

TEST(PvTrend, NoSelectionOrAnUnconnectedSelectionDrawsNothing)
{
    Viewer v;
    EXPECT_EQ(v.Tick(Slot0(250), TrendNoSlot), TrendDraw::None);
    EXPECT_EQ(v.Tick(Slot0(250), 2), TrendDraw::None);
    EXPECT_EQ(v.Tick(Slot0(250), -1), TrendDraw::None);
    EXPECT_EQ(v.Trend.Slot(2).WriteIndex, 0);
    EXPECT_EQ(v.Trend.Slot(0).WriteIndex, 3);
}

TEST(PvTrend, SecondsGoOnAt120After11999)
{
    PvTrend trend(100);  // a short ring; the counter does not care
    for (int i = 0; i < 11999; ++i)
        trend.Sample(Slot0(250), 0, false);
    EXPECT_EQ(trend.Slot(0).Seconds, 11999);
    trend.Sample(Slot0(250), 0, false);
    EXPECT_EQ(trend.Slot(0).NewestSecond, 11999);
    EXPECT_EQ(trend.Slot(0).Seconds, 120);
}

TEST(PvTrend, ClearingASlotStartsItsRingAgain)
{
    Viewer v;
    for (int i = 0; i < 10; ++i)
        v.Tick(250);
    v.Trend.ClearSlot(0);
    EXPECT_FALSE(v.Trend.Slot(0).HasSamples());
    EXPECT_EQ(v.Trend.Slot(0).Seconds, 0);
    EXPECT_EQ(v.Trend.DrawnSlot(), TrendNoSlot);
    EXPECT_EQ(v.Tick(400), TrendDraw::Full);
    EXPECT_EQ(v.LastFull.Curve.size(), 1u);
    EXPECT_EQ(v.Trend.Slot(0).Minimum, 400);
    v.Trend.ClearSlot(7);  // no such slot: nothing happens
}

TEST(PvTrend, AFullRingAtTheCapKeepsEveryIndexInside)
{
    // 2000 samples across a very wide plot, then more: every entry lands in
    // the ring (the sanitizers watch), the newest at x1.
    Viewer v(2600);
    for (int i = 0; i < 4100; ++i)
        v.Tick(static_cast<int>(250 + 40 * std::sin(i / 50.0)));
    EXPECT_TRUE(v.Trend.Slot(0).RingFull);
    const TrendFullPlan plan = v.Trend.PlanFullRedraw(0);
    ASSERT_EQ(plan.Curve.size(), 2000u);
    EXPECT_EQ(plan.Curve.back().x2(), v.Trend.Geometry().X1);
}

} // namespace
