// The trend chart as numbers: geometry, scale fitting, the Auto and Fix
// frames of a one-slot chart at W = 808, the grid, the ink, and what one
// new sample costs against a full redraw.
#include "RecorderRig.h"

#include <gtest/gtest.h>

namespace {

TEST(ChartGeometryTest, DesignWidthAndOthers)
{
    struct Case { int Width, Top, Left, Bottom, Right, BoxWidth, BoxHeight, ChartWidth; } cases[] = {
        {808, 5, 35, 345, 755, 795, 365, 720},
        {1280, 7, 55, 546, 1196, 1259, 578, 1141},
        {1616, 10, 70, 690, 1510, 1590, 730, 1440},
        // Wider than the ring: the chart keeps 1800 columns.
        {3000, 18, 129, 1280, 1929, 2951, 1355, 1800},
        // Too narrow for a curve area: laid out as the narrowest usable chart.
        {50, 1, 8, 85, 186, 196, 90, 178},
    };
    for (const Case &c : cases) {
        const ChartGeometry g = GeometryFor(c.Width);
        EXPECT_EQ(g.ChartTop, c.Top) << c.Width;
        EXPECT_EQ(g.ChartLeft, c.Left) << c.Width;
        EXPECT_EQ(g.ChartBottom, c.Bottom) << c.Width;
        EXPECT_EQ(g.ChartRight, c.Right) << c.Width;
        EXPECT_EQ(g.BoxWidth, c.BoxWidth) << c.Width;
        EXPECT_EQ(g.BoxHeight, c.BoxHeight) << c.Width;
        EXPECT_EQ(g.ChartWidth, c.ChartWidth) << c.Width;
        EXPECT_LE(g.ChartWidth, RingColumns);
    }
}

TEST(ChartScaleTest, ComputeScale)
{
    struct Case { int Top, Bottom; bool Auto; int Factor; bool Divides; } cases[] = {
        {251, 249, true, 10, false},   // span 2
        {251, 249, false, 167, false}, // Fix stretches: 335 / 2
        {300, 250, true, 6, false},    // span 50: 10..7 too tall
        {251, 199, false, 6, false},   // the Fix example: 335 / 52
        {1000, 0, true, 3, true},      // 1000 / 3 = 333 fits 335, 1000 / 2 does not
        {1000, 0, false, 3, true},     // Fix: the typed span fits whole
        {335, 0, true, 1, true},       // span equal to the room
        {-32766, 32766, true, 10, false},  // no curve held: an empty range
        {32768, -32768, true, 196, true},  // the widest range a controller can give
    };
    for (const Case &c : cases) {
        const ScaleFit fit = ComputeScale(c.Top, c.Bottom, 345, c.Auto);
        EXPECT_EQ(fit.ScaleFactor, c.Factor) << c.Top << ' ' << c.Bottom << ' ' << c.Auto;
        EXPECT_EQ(fit.ScaleDivides, c.Divides) << c.Top << ' ' << c.Bottom << ' ' << c.Auto;
    }
}

TEST(ChartScaleTest, TextsAndNumbers)
{
    struct Tenths { int Value; const char *Text; } tenths[] = {
        {-5, "-0.5"}, {253, "25.3"}, {-123, "-12.3"}, {0, "0.0"}, {10, "1.0"}, {-32768, "-3276.8"}, {32767, "3276.7"},
    };
    for (const Tenths &t : tenths)
        EXPECT_EQ(TenthsText(t.Value), QString::fromLatin1(t.Text)) << t.Value;
    EXPECT_EQ(TimeText(9, 5, 3), "9:5:3");
    EXPECT_EQ(TimeText(23, 59, 0), "23:59:0");
    EXPECT_EQ(FloorToMultiple(233, 5), 230);
    EXPECT_EQ(FloorToMultiple(-17, 5), -20);
    EXPECT_EQ(FloorToMultiple(-20, 5), -20);

    struct Whole { const char *Text; bool Ok; int Value; } whole[] = {
        {"123", true, 123}, {"  123", true, 123}, {" 0000012", true, 12}, {"-45", true, -45}, {"+7", true, 7},
        {"25.0", false, 0}, {"12 ", false, 0}, {"", false, 0}, {" ", false, 0}, {"-", false, 0}, {"1e3", false, 0},
        {"abc", false, 0}, {"2147483647", true, 2147483647}, {"2147483648", false, 0},
        {"-2147483648", true, -2147483647 - 1},
        {"99999999999999999999", false, 0},
    };
    for (const Whole &w : whole) {
        int value = 0;
        EXPECT_EQ(ParseWholeNumber(QString::fromLatin1(w.Text), value), w.Ok) << w.Text;
        if (w.Ok) {
            EXPECT_EQ(value, w.Value) << w.Text;
        }
    }
}

// One slot at station 1 holding a constant value for n samples.
void Hold(ChartRig &rig, int value, int samples)
{
    for (int n = 0; n < samples; ++n) {
        rig.State.SampleCount = n;
        rig.Chart.StoreChartValue(0, value);
        rig.Chart.UpdateChart(n);
    }
}

TEST(TrendChartTest, AutoFrameOfAConstantValue)
{
    ChartRig rig;
    rig.Chart.UpdateChartHasCurves();
    ASSERT_TRUE(rig.ChartData->ChartHasCurves);
    Hold(rig, 250, 1);
    const ChartScale &scale = rig.ChartData->Scale;
    EXPECT_EQ(scale.ScaleFactor, 10);
    EXPECT_FALSE(scale.ScaleDivides);
    EXPECT_EQ(scale.ScaleOffset, 233);
    EXPECT_EQ(scale.ScaleMax, 267);
    EXPECT_EQ(scale.ScaleMin, 233);
    EXPECT_EQ(rig.View.MaxText, "26.7");
    EXPECT_EQ(rig.View.MinText, "23.3");
    EXPECT_EQ(rig.Canvas.LabelTexts(Qt::black),
              QStringList({"23.5", "24.0", "24.5", "25.0", "25.5", "26.0", "26.5"}));
    // The grid line of 25.0 lies where the curve is drawn.
    EXPECT_EQ(ValueToY(250, scale, 345), 175);
    EXPECT_EQ(rig.ChartData->LastY[0], 175);
}

TEST(TrendChartTest, FixFrameAndItsFallBackToAuto)
{
    ChartRig rig;
    rig.Chart.SetAutoScale(false);
    rig.View.MaxText = QStringLiteral("250");
    rig.View.MinText = QStringLiteral("200");
    rig.Chart.UpdateChartHasCurves();
    Hold(rig, 230, 1);
    EXPECT_EQ(rig.ChartData->Scale.ScaleFactor, 6);
    EXPECT_FALSE(rig.ChartData->Scale.ScaleDivides);
    EXPECT_EQ(TenthsText(rig.ChartData->Scale.ScaleMin), "19.7");
    EXPECT_EQ(TenthsText(rig.ChartData->Scale.ScaleMax), "25.3");
    EXPECT_EQ(rig.Canvas.LabelTexts(Qt::black), QStringList({"20.0", "21.0", "22.0", "23.0", "24.0", "25.0"}));
    // Fix mode leaves the typed limits as they are.
    EXPECT_EQ(rig.View.MaxText, "250");
    EXPECT_FALSE(rig.View.AutoShown);

    for (const char *max : {"25.0", "200", "abc", ""}) {
        ChartRig typed;
        typed.Chart.SetAutoScale(false);
        typed.View.MaxText = QString::fromLatin1(max);
        typed.View.MinText = QStringLiteral("200");
        typed.Chart.UpdateChartHasCurves();
        Hold(typed, 250, 1);
        EXPECT_TRUE(typed.View.AutoShown) << max;
        EXPECT_TRUE(typed.ChartData->AutoScale) << max;
        EXPECT_EQ(typed.ChartData->Scale.ScaleOffset, 233) << max;
        EXPECT_EQ(typed.View.MaxText, "26.7") << max;
    }
}

TEST(TrendChartTest, FixRangeTallerThanTheChartIsShownWhole)
{
    struct Case { const char *Max, *Min; } cases[] = {{"1000", "0"}, {"1600", "850"}, {"999999", "-99999"}};
    for (const Case &c : cases) {
        ChartRig rig;
        rig.Chart.SetAutoScale(false);
        rig.View.MaxText = QString::fromLatin1(c.Max);
        rig.View.MinText = QString::fromLatin1(c.Min);
        rig.Chart.UpdateChartHasCurves();
        Hold(rig, 500, 1);
        EXPECT_TRUE(rig.ChartData->Scale.ScaleDivides) << c.Max;
        EXPECT_GE(rig.ChartData->Scale.ScaleMax, QString::fromLatin1(c.Max).toInt()) << c.Max;
        EXPECT_LE(rig.ChartData->Scale.ScaleMin, QString::fromLatin1(c.Min).toInt()) << c.Max;
        EXPECT_FALSE(rig.View.AutoShown) << c.Max;
    }
}

TEST(TrendChartTest, InkFollowsTheBackground)
{
    for (int index = 0; index < 16; ++index) {
        ChartRig rig;
        rig.Chart.SetBackground(index);
        rig.Chart.ClearChart();
        EXPECT_EQ(rig.Canvas.LastFill, BackgroundColors[static_cast<std::size_t>(index)]) << index;
        const QColor ink = index > 7 ? QColor(Qt::black) : QColor(Qt::white);
        ASSERT_EQ(rig.Canvas.Strokes.size(), 2u);  // the two axes
        for (const auto &stroke : rig.Canvas.Strokes)
            EXPECT_EQ(stroke.Colour, ink) << BackgroundNames[static_cast<std::size_t>(index)].toStdString();
    }
    ChartRig navy;
    navy.Chart.SetBackground(4);
    navy.Chart.UpdateChartHasCurves();
    Hold(navy, 250, 1);
    EXPECT_EQ(navy.Canvas.LabelTexts(Qt::white).size(), 7);
}

TEST(TrendChartTest, NewSampleCostsAColumnUnlessTheScaleGrows)
{
    ChartRig rig;
    rig.Chart.UpdateChartHasCurves();
    Hold(rig, 250, 10);
    rig.Canvas.Forget();

    rig.State.SampleCount = 10;
    rig.Chart.StoreChartValue(0, 260);  // inside 23.3 .. 26.7
    rig.Chart.UpdateChart(10);
    EXPECT_EQ(rig.Canvas.Fills, 0);
    EXPECT_EQ(rig.Canvas.CurveStrokes(DeviceColors[0]), 1);
    EXPECT_EQ(rig.Canvas.Dones, 1);

    rig.Canvas.Forget();
    rig.State.SampleCount = 11;
    rig.Chart.StoreChartValue(0, 300);  // above the range: a wider frame
    rig.Chart.UpdateChart(11);
    EXPECT_EQ(rig.Canvas.Fills, 1);
    EXPECT_EQ(rig.Canvas.CurveStrokes(DeviceColors[0]), 11);  // samples 1 .. 11
    EXPECT_EQ(rig.Canvas.Dones, 1);
    EXPECT_GE(rig.ChartData->Scale.ScaleMax, 300);
    EXPECT_EQ(rig.View.Values[0], "30.0");
}

TEST(TrendChartTest, TimeMarksAndTheScrollWhenTheRingIsFull)
{
    ChartRig rig;
    rig.Chart.UpdateChartHasCurves();
    for (int n = 0; n < 800; ++n) {
        rig.State.SampleCount = n;
        rig.Chart.StoreSampleTime(n, {9, static_cast<std::uint8_t>(n / 60), static_cast<std::uint8_t>(n % 60), 0});
        rig.Chart.StoreChartValue(0, 250);
        rig.Chart.UpdateChart(n);
    }
    int marks = 0;
    for (const auto &stroke : rig.Canvas.Strokes)
        marks += stroke.Dotted;
    EXPECT_EQ(marks, 13);  // samples 60, 120 .. 780
    // The time labels of the marks past the thirtieth column.
    const QStringList times = rig.Canvas.LabelTexts(Qt::black);
    EXPECT_TRUE(times.contains("9:1:0"));
    EXPECT_TRUE(times.contains("9:13:0"));
    // 720 columns fill the chart; each sample after that moves it.
    EXPECT_EQ(rig.Canvas.Shifts, 800 - 1 - 720 + 1);
    EXPECT_EQ(rig.ChartData->ChartColumn, 719);
    EXPECT_EQ(rig.View.Time, "9:13:19");
}

TEST(TrendChartTest, ValuesThatScrolledOutStopHoldingTheScale)
{
    ChartRig rig;
    rig.Chart.UpdateChartHasCurves();
    for (int n = 0; n <= 780; ++n) {
        rig.State.SampleCount = n;
        rig.Chart.StoreChartValue(0, n == 5 ? 1000 : 250);
        if (n == 779) {
            EXPECT_EQ(rig.ChartData->DeviceMax[0], 1000);
        }
    }
    EXPECT_EQ(rig.ChartData->DeviceMax[0], 250);
    EXPECT_EQ(rig.ChartData->DeviceMin[0], 250);
}

TEST(TrendChartTest, DroppedMarkerShowsErrAndEndsTheCurve)
{
    ChartRig rig;
    rig.State.DeviceAddress = {1, 2};
    rig.Chart.UpdateChartHasCurves();
    for (int n = 0; n < 20; ++n) {
        auto &ring = rig.ChartData->ChartRing;
        ring[0][static_cast<std::size_t>(n)] = 250;
        ring[1][static_cast<std::size_t>(n)] = n < 10 ? 240 : DroppedMarker;
    }
    const TRecorderState before = rig.State;
    rig.Chart.RedrawChart(19);
    EXPECT_EQ(rig.View.Values[0], "25.0");
    EXPECT_EQ(rig.View.Values[1], "Err");
    // Drawing changes no data: the drop is the sampler's or the replay's.
    EXPECT_EQ(rig.State.DeviceAddress, before.DeviceAddress);
    EXPECT_EQ(rig.State.DroppedAt, before.DroppedAt);
    EXPECT_EQ(rig.Canvas.CurveStrokes(DeviceColors[0]), 19);
    EXPECT_EQ(rig.Canvas.CurveStrokes(DeviceColors[1]), 9);  // samples 1 .. 9
}

TEST(TrendChartTest, NoCurvesNoDrawing)
{
    ChartRig rig;
    rig.State.DeviceShown[0] = false;
    rig.Chart.UpdateChartHasCurves();
    EXPECT_FALSE(rig.ChartData->ChartHasCurves);
    Hold(rig, 250, 5);
    EXPECT_TRUE(rig.Canvas.Strokes.empty());
    EXPECT_EQ(rig.Canvas.Fills, 0);
}

TEST(TrendChartTest, ExtremeValuesStayInsideTheBox)
{
    ChartRig rig;
    rig.State.DeviceAddress = {1, 2};
    rig.Chart.UpdateChartHasCurves();
    for (int n = 0; n < 50; ++n) {
        rig.State.SampleCount = n;
        rig.Chart.StoreChartValue(0, n % 2 ? 32767 : -32768);
        rig.Chart.StoreChartValue(1, 0);
        rig.Chart.UpdateChart(n);
    }
    const ChartGeometry &g = rig.ChartData->Geometry;
    for (const auto &stroke : rig.Canvas.Strokes) {
        if (stroke.Width != 2)
            continue;
        EXPECT_GE(stroke.To.y(), g.ChartTop);
        EXPECT_LE(stroke.To.y(), g.ChartBottom);
        EXPECT_GE(stroke.From.y(), g.ChartTop);
        EXPECT_LE(stroke.From.y(), g.ChartBottom);
    }
    EXPECT_TRUE(rig.ChartData->Scale.ScaleDivides);
}

} // namespace
