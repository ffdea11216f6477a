// The monitor's process-value trend: a ring of samples per slot, taken once
// a second, and the drawing of the selected slot's ring as plans of plain
// numbers (lines, dotted marks, labels, the one-pixel scroll) that the trend
// box paints. The scale fits the ring's range into the plot; a sample that
// leaves the drawn band, a change of slot or a range that shrank a lot
// brings a full redraw with a new scale.
#pragma once

#include "Conversions.h"

#include <QLine>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <climits>
#include <optional>
#include <vector>

inline constexpr int TrendSlotCount = 4;
inline constexpr int TrendRingCapacity = 2000;
inline constexpr int TrendNoSlot = 255;
// A ring entry without a value: the controller reported a fault code.
inline constexpr int TrendGap = INT_MIN;

// A process value word as the trend plots it: 16-bit two's complement, so
// that -1.0 is -10 tenths. A word whose high byte is 0x80 carries a fault
// code (waiting, no connection, input error, over range...): no value.
std::optional<int> TrendValue(int word);

struct TrendGeometry {
    int X0 = 0;  // left of the plot: the vertical axis
    int X1 = 0;  // right of the plot: where the newest sample of a full ring goes
    int H = 0;   // bottom of the plot: the horizontal axis
    int BoxWidth = 0;
    int BoxHeight = 0;
    int RingLength = 1;  // samples a ring holds: one per pixel from X0 + 1 to X1
};

// x0 = w x 35 / 808, h = w x 225 / 808, box w x 785 / 808 by w x 250 / 808,
// ring length w x 755 / 808 - x0 (at most 2000, and X1 = X0 + ring length).
TrendGeometry TrendGeometryFor(int layoutWidth);

enum class ScaleMode {
    Divide,    // a value difference d spans d / factor pixels
    Multiply,  // d x factor pixels
};

struct TrendScale {
    ScaleMode Mode = ScaleMode::Multiply;
    int Factor = 10;
    int Base = 0;  // the value drawn at the bottom line
    int Span = 0;  // maximum - minimum when the scale was set
    int GridStep = 10;  // tenths between grid lines
};

// The scale that fits minimum..maximum into a plot of height h.
TrendScale ScaleFor(int maximum, int minimum, int h);
// y = h - (v - base) / factor + 1, or h - (v - base) x factor + 1
// (division toward zero).
int TrendY(const TrendScale &scale, int value, int h);

struct GridLine {
    int Y = 0;
    int Value = 0;  // tenths, a multiple of the grid step
};
// The grid lines from just above the base up to the top of the plot.
std::vector<GridLine> GridLines(const TrendScale &scale, int h);

// "12.0" for a grid value of 120 tenths.
QString GridLabel(int value);

struct TrendLabel {
    QPoint TopLeft;
    QString Text;
};

struct TrendFullPlan {
    QRect Box;  // black
    QLine HorizontalAxis, VerticalAxis;  // white
    std::vector<QLine> Grid;  // gray
    std::vector<TrendLabel> GridLabels;
    std::vector<QLine> Curve;  // white; a line of one point marks a lone sample
    std::vector<QLine> TimeMarks;  // dotted, once a minute
    std::vector<TrendLabel> ValueLabels;  // the value at a time mark
};

struct TrendStepPlan {
    bool Scroll = false;
    QRect ScrollSource;  // moved one pixel to the left, to ScrollTarget
    QPoint ScrollTarget;
    std::optional<QLine> Curve;
    std::optional<QLine> TimeMark;
    std::optional<TrendLabel> ValueLabel;
};

enum class TrendDraw { None, Full, Incremental };

struct TrendSlot {
    std::array<int, TrendRingCapacity> Ring{};
    int WriteIndex = 0;     // where the next sample goes; the ring length once the ring is full
    bool RingFull = false;  // an old sample has been overwritten
    int Seconds = 0;        // number of the next sample since connect; after 11 999 it goes on at 120
    int NewestSecond = 0;   // number of the newest sample
    bool HasRange = false;  // Maximum and Minimum hold a value
    int Maximum = 0;
    int Minimum = 0;

    bool HasSamples() const { return WriteIndex > 0 || RingFull; }
};

class PvTrend {
public:
    explicit PvTrend(int layoutWidth);

    const TrendGeometry &Geometry() const { return Geo; }

    // The window's reset: every slot cleared, the next draw a full one.
    void Reset();
    // On connect and on a change of address.
    void ClearSlot(int slot);
    const TrendSlot &Slot(int slot) const;

    // The once-a-second step. words[s] is slot s's process value word, or
    // nothing when the slot is not connected. A slot whose value is not to
    // be plotted (not read yet, or a model A whose fault code register is
    // set) is given a word with the high byte 0x80, such as 0x8001. Says
    // what the view must draw for the selected slot.
    TrendDraw Sample(const std::array<std::optional<int>, TrendSlotCount> &words, int selectedSlot, bool viewShown);

    // The whole trend of a slot, with a new scale; that slot is now drawn.
    TrendFullPlan PlanFullRedraw(int selectedSlot);
    // The drawn slot's newest sample, after Sample said Incremental.
    TrendStepPlan PlanIncremental();

    void ForceFullRedraw() { Drawn = TrendNoSlot; }
    int DrawnSlot() const { return Drawn; }
    const TrendScale &Scale() const { return CurrentScale; }
    std::optional<QPoint> Pen() const { return PenAt; }

private:
    void Store(int slot, int word, int selectedSlot);
    int NewestIndex(const TrendSlot &slot) const;
    bool InBand(int y) const;

    TrendGeometry Geo;
    std::array<TrendSlot, TrendSlotCount> Slots{};
    int Drawn = TrendNoSlot;
    TrendScale CurrentScale;
    std::optional<QPoint> PenAt;
};
