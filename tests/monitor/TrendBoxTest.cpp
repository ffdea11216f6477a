// The trend's paint box: what ends up in its picture.
#include "Screenshots.h"
#include "TrendBox.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Words = std::array<std::optional<int>, TrendSlotCount>;

Words Slot0(int word)
{
    return {word, std::nullopt, std::nullopt, std::nullopt};
}

QColor Pixel(const TrendBox &box, int x, int y)
{
    return box.Canvas().toImage().pixelColor(x, y);
}

TEST(TrendBox, IsDrawImeAndHasTheBoxSize)
{
    TrendBox box(808);
    EXPECT_EQ(box.objectName(), QStringLiteral("DrawIme"));
    EXPECT_EQ(box.size(), QSize(785, 250));
    EXPECT_FALSE(box.Active());
}

TEST(TrendBox, ShowingItDrawsFrameAxesAndGrid)
{
    TrendBox box(808);
    box.ShowTrend(0);
    EXPECT_TRUE(box.Active());
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(Pixel(box, 600, 50), QColor(Qt::black));
    EXPECT_EQ(Pixel(box, 35, 100), QColor(Qt::white));   // vertical axis
    EXPECT_EQ(Pixel(box, 400, 225), QColor(Qt::white));  // horizontal axis
    EXPECT_EQ(Pixel(box, 400, 116), QColor(0x80, 0x80, 0x80));  // grid line of 0.0
}

TEST(TrendBox, ConstantValueDrawsAWhiteLineInTheMiddle)
{
    TrendBox box(808);
    box.ShowTrend(0);
    for (int i = 0; i < 30; ++i)
        box.SampleTick(Slot0(250), 0);
    for (int x = 36; x <= 65; ++x)
        EXPECT_EQ(Pixel(box, x, 116), QColor(Qt::white)) << x;
    EXPECT_EQ(Pixel(box, 70, 116), QColor(0x80, 0x80, 0x80));  // the grid beyond the newest
    EXPECT_EQ(Pixel(box, 50, 117), QColor(Qt::black));
}

TEST(TrendBox, AfterTheRingWrapsThePictureMovesOnePixelLeft)
{
    TrendBox box(808);
    box.ShowTrend(0);
    for (int i = 0; i < 720; ++i)
        box.SampleTick(Slot0(i == 700 ? 253 : 250), 0);
    // The peak of 25.3 stands at x 736, y 86.
    EXPECT_EQ(Pixel(box, 736, 86), QColor(Qt::white));
    EXPECT_EQ(Pixel(box, 735, 86), QColor(Qt::black));
    box.SampleTick(Slot0(250), 0);
    EXPECT_EQ(Pixel(box, 735, 86), QColor(Qt::white));
    EXPECT_EQ(Pixel(box, 736, 86), QColor(Qt::black));
    // The axis and the grid labels stay where they are.
    EXPECT_EQ(Pixel(box, 35, 100), QColor(Qt::white));
}

TEST(TrendBox, HiddenItDrawsNothingButGoesOnSampling)
{
    TrendBox box(808);
    box.ShowTrend(0);
    box.HideTrend();
    EXPECT_FALSE(box.Active());
    EXPECT_FALSE(box.isVisible());
    const QImage before = box.Canvas().toImage();
    for (int i = 0; i < 5; ++i)
        box.SampleTick(Slot0(250), 0);
    EXPECT_EQ(box.Canvas().toImage(), before);
    EXPECT_EQ(box.Trend().Slot(0).WriteIndex, 5);
    box.ShowTrend(0);
    EXPECT_EQ(Pixel(box, 40, 116), QColor(Qt::white));
}

TEST(TrendBox, AFewMinutesOfAMovingValue)
{
    // A heater run up from 24 C with a sensor fault half-way, five
    // minutes of it, selected slot 1.
    TrendBox box(808);
    box.ShowTrend(1);
    for (int s = 0; s < 300; ++s) {
        const double rise = 240 + 110 * (1 - std::exp(-s / 80.0));
        const int value = static_cast<int>(std::lround(rise + 4 * std::sin(s / 9.0)));
        const bool fault = s >= 130 && s < 138;
        const Words words{250, fault ? 0x8003 : value, std::nullopt, -15};
        box.SampleTick(words, 1);
    }
    KeepScreenshot(box, QStringLiteral("trend.png"));
    EXPECT_EQ(box.Trend().DrawnSlot(), 1);
    const int newestX = 35 + 300;
    const int y = TrendY(box.Trend().Scale(), *TrendValue(box.Trend().Slot(1).Ring[299]), 225);
    EXPECT_EQ(Pixel(box, newestX, y), QColor(Qt::white));
    // The gap of the sensor fault: nothing white at the second in its middle.
    for (int py = 1; py < 224; ++py) {
        const QColor c = Pixel(box, 36 + 133, py);
        EXPECT_NE(c, QColor(Qt::white)) << py;
    }
}

} // namespace
