// The set-value curve of a program set: every step a straight line to its
// set value at the end of its time, patterns repeated by their loop counts
// and chained by their links from the start pattern on. A chain that ends
// is finished by a hold line to the right edge; a chain that closes a cycle
// is drawn once in colour, then repeated in grey up to the right edge.
#pragma once

#include "RampProgram.h"

#include <QColor>
#include <QImage>
#include <QPoint>

#include <vector>

inline constexpr int CurveWidth = 560;
inline constexpr int CurveHeight = 95;

enum class CurvePen {
    FirstRun,  // green: the first run of a pattern
    Repeat,    // navy: its repeats
    Cycle,     // grey: the cycle once more and after
    Hold,      // olive: the hold after the program end
};

// One polyline drawn with one pen; it starts where the one before ended.
struct CurveSegment {
    CurvePen Pen = CurvePen::FirstRun;
    std::vector<QPoint> Points;
    bool operator==(const CurveSegment &) const = default;
};

struct CurvePicture {
    int Width = CurveWidth;
    int Height = CurveHeight;
    // Whether there is a curve at all: a chain without duration (or with a
    // start pattern outside the eight) leaves the picture cleared and its
    // visibility as it was.
    bool Shown = false;
    long long Duration = 0;  // minutes of the chain up to its end or cycle
    int Highest = 0;         // set values of the chain's steps
    int Lowest = 0;
    int EndPattern = ProgEnd;  // where the chain ends (8) or closes its cycle
    std::vector<CurveSegment> Segments;
};

// Values from a file or a controller are used only within bounds: steps
// beyond the seventh, links outside the eight patterns (taken as the
// program end), loop counts above 99 (taken as 99) and negative times
// (taken as none) change nothing outside the program set.
CurvePicture CurveOf(const RampSoakProgram &program, int width = CurveWidth, int height = CurveHeight);

QColor PenColour(CurvePen pen);

// The picture: white with a black frame, and the curve in pens of width 2.
QImage DrawCurve(const CurvePicture &picture);
