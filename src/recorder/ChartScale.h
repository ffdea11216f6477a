// The numbers of the trend chart: where its areas lie for a window width,
// how a value range is fitted into the curve area, where a value is drawn,
// the grid step, and the value and time texts. Pure functions.
#pragma once

#include "Conversions.h"

#include <QString>

// Columns the chart's ring holds; wider windows get a chart of this many
// columns instead of a write past the ring.
inline constexpr int RingColumns = 1800;
// Below this width the curve area would have no room at all.
inline constexpr int MinChartWidth = 200;

struct ChartGeometry {
    int ChartTop = 0;     // top of the curve area
    int ChartLeft = 0;    // x of the first sample column
    int ChartBottom = 0;  // y of the value axis origin (x axis one below)
    int ChartRight = 0;   // right end of the curve area
    int BoxWidth = 0;     // painted with the background
    int BoxHeight = 0;
    int ChartWidth = 0;  // sample columns, at most RingColumns
};

// The geometry for a window `width` pixels wide (designed at 808).
ChartGeometry GeometryFor(int width);

// How a span of values fits the room of the curve area: Factor pixels per
// value unit, or (Divides) value units per pixel.
struct ScaleFit {
    int ScaleFactor = 1;
    bool ScaleDivides = false;
};
// Auto mode picks a round factor (10 down to 1 pixels per unit); Fix mode
// stretches the span over the room. A span taller than the room takes the
// fewest units per pixel that fit it, in either mode.
ScaleFit ComputeScale(int top, int bottom, int chartBottom, bool autoScale);

// The range a frame shows: Min on the x axis, Max at the top, the middle
// of the asked range at half height.
struct ChartScale {
    int ScaleMax = 0;
    int ScaleMin = 0;
    int ScaleFactor = 1;
    bool ScaleDivides = false;
    int ScaleOffset = 0;  // the value drawn on the x axis
};
ChartScale FrameScale(int scaleMax, int scaleMin, int chartBottom, bool autoScale);

int ValueToY(int value, const ChartScale &scale, int chartBottom);

// Grid step in tenths for a scale.
int GridStep(const ChartScale &scale);
// The largest multiple of `step` not above `value`.
int FloorToMultiple(int value, int step);

// "9:5:3": hour, minute, second without leading zeros.
QString TimeText(int hour, int minute, int second);

// A whole number as typed: leading blanks, an optional sign, digits, and
// nothing else; false for anything else or a number beyond an int.
bool ParseWholeNumber(const QString &text, int &value);
