#include "RampCurve.h"

#include <QPainter>

#include <algorithm>
#include <array>

namespace {

int Loops(const RampSoakProgram &program, int pattern)
{
    return std::clamp(program.LoopCount[static_cast<size_t>(pattern)], 0, MaxLoopCount);
}

int StepTime(const RampSoakProgram &program, int index)
{
    return std::max(program.ExecuteTime[static_cast<size_t>(index)], 0);
}

int StepValue(const RampSoakProgram &program, int index)
{
    return program.SetValue[static_cast<size_t>(index)];
}

long long CeilDiv(long long a, long long b)
{
    return (a + b - 1) / b;
}

// The picture's integer scales: a scale factor that either multiplies or
// divides, whichever keeps the whole range inside the picture.
class Scale {
public:
    Scale(long long range, long long span)
        : Multiplies(span >= range), Factor(span >= range ? span / range : CeilDiv(range, span))
    {
    }
    long long Of(long long value) const { return Multiplies ? value * Factor : value / Factor; }

private:
    bool Multiplies;
    long long Factor;
};

// Builds the polylines: a new one wherever the pen changes between lines.
class Plotter {
public:
    Plotter(QPoint start, std::vector<CurveSegment> &segments) : Last(start), Segments(segments) {}
    void SetPen(CurvePen pen) { Pen = pen; }
    void LineTo(QPoint point)
    {
        if (Segments.empty() || Segments.back().Pen != Pen)
            Segments.push_back({Pen, {Last}});
        Segments.back().Points.push_back(point);
        Last = point;
    }
    QPoint Current() const { return Last; }

private:
    QPoint Last;
    CurvePen Pen = CurvePen::FirstRun;
    std::vector<CurveSegment> &Segments;
};

} // namespace

CurvePicture CurveOf(const RampSoakProgram &program, int width, int height)
{
    CurvePicture picture;
    picture.Width = width;
    picture.Height = height;
    const int start = program.StartPattern;
    if (!ValidPattern(start))
        return picture;  // the controller would have nothing to run

    // Measuring the chain: to its end, or until it comes back to a pattern
    // it has already run.
    std::array<bool, PatternCount + 1> visited{};
    int p = start;
    picture.Highest = picture.Lowest = StepValue(program, StepIndex(p, 0));
    do {
        visited[static_cast<size_t>(p)] = true;
        long long patternTime = 0;
        for (int s = 0; s <= LastStep(program, p); ++s) {
            patternTime += StepTime(program, StepIndex(p, s));
            picture.Highest = std::max(picture.Highest, StepValue(program, StepIndex(p, s)));
            picture.Lowest = std::min(picture.Lowest, StepValue(program, StepIndex(p, s)));
        }
        picture.Duration += patternTime * (Loops(program, p) + 1);
        p = FollowLink(program, p);
    } while (p != ProgEnd && !visited[static_cast<size_t>(p)]);
    picture.EndPattern = p;
    if (picture.Duration == 0)
        return picture;
    picture.Shown = true;

    const long long range = picture.Highest - picture.Lowest > 0 ? picture.Highest - picture.Lowest : 1;
    const Scale vertical(range, std::max(height - 5, 1));
    const Scale horizontal(picture.Duration, std::max(width - 30, 1));
    const auto y = [&](int value) { return static_cast<int>(vertical.Of(picture.Highest - value) + 2); };
    const auto x = [&](long long minutes) { return static_cast<int>(horizontal.Of(minutes)); };

    // Drawing the chain: a cycle once in colour, then in grey until the
    // right edge. Times never go back, so once a point lies beyond the edge
    // every later one does too and nothing more can be seen.
    p = start;
    Plotter plot(QPoint(0, y(StepValue(program, StepIndex(p, 0)))), picture.Segments);
    long long t = 0;
    bool grey = false;
    bool endSeen = p == picture.EndPattern;
    bool beyondEdge = false;
    for (int j = 1; !beyondEdge; ++j) {
        for (int run = 0; run <= Loops(program, p) && !beyondEdge; ++run) {
            for (int s = 0; s <= LastStep(program, p) && !beyondEdge; ++s) {
                const int k = StepIndex(p, s);
                if (StepTime(program, k) == 0)
                    continue;
                t += StepTime(program, k);
                plot.LineTo(QPoint(x(t), y(StepValue(program, k))));
                beyondEdge = plot.Current().x() >= width;
            }
            if (!grey)
                plot.SetPen(CurvePen::Repeat);
        }
        if (beyondEdge)
            break;
        p = FollowLink(program, p);
        if (p == picture.EndPattern) {
            if (!endSeen) {
                endSeen = true;
            } else {
                grey = true;
                plot.SetPen(CurvePen::Cycle);
            }
        }
        if (!grey)
            plot.SetPen(CurvePen::FirstRun);
        if (j >= width || p == ProgEnd)
            break;
    }
    if (p == ProgEnd && !beyondEdge) {
        plot.SetPen(CurvePen::Hold);
        plot.LineTo(QPoint(width - 2, plot.Current().y()));
    }
    return picture;
}

QColor PenColour(CurvePen pen)
{
    switch (pen) {
    case CurvePen::FirstRun: return QColor(0, 128, 0);
    case CurvePen::Repeat: return QColor(0, 0, 128);
    case CurvePen::Cycle: return QColor(128, 128, 128);
    case CurvePen::Hold: return QColor(128, 128, 0);
    }
    return Qt::black;
}

QImage DrawCurve(const CurvePicture &picture)
{
    QImage image(std::max(picture.Width, 1), std::max(picture.Height, 1), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(0, 0, image.width() - 1, image.height() - 1);
    painter.setBrush(Qt::NoBrush);
    for (const CurveSegment &segment : picture.Segments) {
        painter.setPen(QPen(PenColour(segment.Pen), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(segment.Points.data(), static_cast<int>(segment.Points.size()));
    }
    return image;
}
