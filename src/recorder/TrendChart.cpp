#include "TrendChart.h"

#include "MessageTable.h"

#include <algorithm>

TChartState ChartState;

const std::array<QColor, RecorderSlotCount> DeviceColors = {
    QColor(0x80, 0x80, 0x00), QColor(0x00, 0x00, 0x80), QColor(0x80, 0x00, 0x80), QColor(0x00, 0x80, 0x80),
    QColor(0x80, 0x80, 0x80), QColor(0x00, 0x00, 0xFF), QColor(0x80, 0x00, 0x00), QColor(0x00, 0x80, 0x00),
    QColor(0xA0, 0xA0, 0xA4), QColor(0xA6, 0xCA, 0xF0),
};

const std::array<QColor, 16> BackgroundColors = {
    QColor(0x00, 0x00, 0x00), QColor(0x80, 0x00, 0x00), QColor(0x00, 0x80, 0x00), QColor(0x80, 0x80, 0x00),
    QColor(0x00, 0x00, 0x80), QColor(0x80, 0x00, 0x80), QColor(0x00, 0x80, 0x80), QColor(0x80, 0x80, 0x80),
    QColor(0xC0, 0xC0, 0xC0), QColor(0xFF, 0x00, 0x00), QColor(0x00, 0xFF, 0x00), QColor(0xFF, 0xFF, 0x00),
    QColor(0x00, 0x00, 0xFF), QColor(0xFF, 0x00, 0xFF), QColor(0x00, 0xFF, 0xFF), QColor(0xFF, 0xFF, 0xFF),
};

const std::array<QString, 16> BackgroundNames = {
    QStringLiteral("Black"), QStringLiteral("Maroon"), QStringLiteral("Green"),  QStringLiteral("Olive"),
    QStringLiteral("Navy"),  QStringLiteral("Purple"), QStringLiteral("Teal"),   QStringLiteral("Gray"),
    QStringLiteral("Silver"), QStringLiteral("Red"),   QStringLiteral("Lime"),   QStringLiteral("Yellow"),
    QStringLiteral("Blue"),  QStringLiteral("Fuchsia"), QStringLiteral("Aqua"),  QStringLiteral("White"),
};

namespace {

// Samples between two time marks.
constexpr int MarkEvery = 60;
constexpr int NoMax = -32767;
constexpr int NoMin = 32767;

std::size_t At(int i)
{
    return static_cast<std::size_t>(i);
}

} // namespace

TrendChart::Batch::Batch(TrendChart &chart) : Owner(chart)
{
    ++Owner.Depth;
}

TrendChart::Batch::~Batch()
{
    if (--Owner.Depth > 0)
        return;
    for (int s = 0; s < RecorderSlotCount; ++s) {
        if (auto &text = Owner.PendingValues[At(s)]) {
            Owner.View.ShowValue(s, *text);
            text.reset();
        }
    }
    if (Owner.PendingTime) {
        Owner.View.ShowSampleTime(*Owner.PendingTime);
        Owner.PendingTime.reset();
    }
    Owner.Canvas.Done();
}

TrendChart::TrendChart(TChartState &chart, TRecorderState &recorder, ChartCanvas &canvas, ChartView &view)
    : Chart(chart), Recorder(recorder), Canvas(canvas), View(view)
{
}

void TrendChart::SetGeometry(const ChartGeometry &geometry)
{
    Chart.Geometry = geometry;
    Chart.ChartColumn = 0;
}

bool TrendChart::Drawn(int slot) const
{
    return Recorder.DeviceShown[At(slot)] && Recorder.DeviceAddress[At(slot)] != 0;
}

int TrendChart::Y(int value) const
{
    return ValueToY(value, Chart.Scale, Chart.Geometry.ChartBottom);
}

int TrendChart::ClampY(int y) const
{
    return std::clamp(y, Chart.Geometry.ChartTop, Chart.Geometry.ChartBottom);
}

void TrendChart::ClearChart()
{
    Batch batch(*this);
    const ChartGeometry &g = Chart.Geometry;
    Canvas.FillBox(QRect(0, 0, g.BoxWidth, g.BoxHeight), Chart.ChartBackground);
    Canvas.Line({g.ChartLeft - 20, g.ChartBottom + 1}, {g.ChartRight + 25, g.ChartBottom + 1}, Chart.ChartInk, 1,
                false);
    Canvas.Line({g.ChartLeft - 1, g.ChartTop + 2}, {g.ChartLeft - 1, g.BoxHeight - 5}, Chart.ChartInk, 1, false);
}

void TrendChart::ClearRing()
{
    for (auto &ring : Chart.ChartRing)
        ring.fill(0);
    for (auto &time : Chart.ChartTimes)
        time.fill(0);
}

void TrendChart::DrawChartFrame(int newest)
{
    Batch batch(*this);
    const ChartGeometry &g = Chart.Geometry;
    ClearChart();
    const int oldest = newest < g.ChartWidth ? 0 : (newest + 1) % g.ChartWidth;

    Chart.Scale.ScaleMax = NoMax;
    Chart.Scale.ScaleMin = NoMin;
    if (!Chart.AutoScale) {
        int top = 0;
        int bottom = 0;
        if (ParseWholeNumber(View.MaxScaleText(), top) && ParseWholeNumber(View.MinScaleText(), bottom)
            && top > bottom) {
            Chart.Scale.ScaleMax = top;
            Chart.Scale.ScaleMin = bottom;
        } else {
            Chart.AutoScale = true;
            View.ShowAutoScale();
        }
    }
    GrowScale();
    Chart.Scale = FrameScale(Chart.Scale.ScaleMax, Chart.Scale.ScaleMin, g.ChartBottom, Chart.AutoScale);
    if (Chart.AutoScale)
        View.ShowScaleTexts(TenthsText(Chart.Scale.ScaleMax), TenthsText(Chart.Scale.ScaleMin));

    const int step = GridStep(Chart.Scale);
    int grid = FloorToMultiple(Chart.Scale.ScaleOffset, step);
    for (;;) {
        grid += step;
        const int y = Y(grid);
        if (y <= 0)
            break;
        Canvas.Line({g.ChartLeft, y}, {g.ChartRight + 20, y}, Chart.ChartInk, 1, false);
        // The label ends just left of the value axis, so that long numbers
        // never run into it.
        if (y > g.ChartTop + 6 && y < g.ChartBottom - 10)
            Canvas.Text({g.ChartLeft - 3, y - 6}, TenthsText(grid), Chart.ChartInk, Qt::AlignRight);
    }

    for (int s = 0; s < RecorderSlotCount; ++s) {
        if (Drawn(s))
            Chart.LastY[At(s)] = Y(Chart.ChartRing[At(s)][At(oldest)]);
    }
    for (int &y : Chart.LastY)
        y = ClampY(y);
    Chart.ChartColumn = 0;
}

void TrendChart::DrawSampleColumn(int n)
{
    Batch batch(*this);
    const ChartGeometry &g = Chart.Geometry;
    const int c = Column(n);
    const auto &time = Chart.ChartTimes[At(c)];
    PendingTime = TimeText(time[0], time[1], time[2]);

    const int x = g.ChartLeft + Chart.ChartColumn;
    for (int s = 0; s < RecorderSlotCount; ++s) {
        const int v = Chart.ChartRing[At(s)][At(c)];
        // A dropped slot's curve ends at its marker; whoever saw the drop
        // (the sampler, the replay) has recorded it already.
        if (v == DroppedMarker) {
            PendingValues[At(s)] = MessageTable::ErrText;
            continue;
        }
        PendingValues[At(s)] = TenthsText(v);
        if (!Drawn(s))
            continue;
        const int y = ClampY(Y(v));
        Canvas.Line({x, Chart.LastY[At(s)]}, {x + 1, y}, DeviceColors[At(s)], 2, false);
        Chart.LastY[At(s)] = y;
    }

    if (n % MarkEvery == 0) {
        Canvas.Line({x, g.ChartTop}, {x, g.ChartBottom}, Chart.ChartInk, 1, true);
        if (Chart.ChartColumn > 30)
            Canvas.Text({x - 35, g.ChartBottom + 4}, TimeText(time[0], time[1], time[2]), Chart.ChartInk,
                        Qt::AlignLeft);
        for (int s = 0; s < RecorderSlotCount; ++s) {
            const int lastY = Chart.LastY[At(s)];
            const int v = Chart.ChartRing[At(s)][At(c)];
            if (Drawn(s) && v != DroppedMarker && lastY > g.ChartTop + 2 && lastY < g.ChartBottom - 16
                && Chart.ChartColumn > 20)
                Canvas.Text({x - 20, lastY + 2}, TenthsText(v), DeviceColors[At(s)], Qt::AlignLeft);
        }
    }

    if (++Chart.ChartColumn >= g.ChartWidth) {
        Canvas.ShiftLeft(QRect(g.ChartLeft + 1, g.ChartTop, g.ChartRight + 14 - g.ChartLeft, g.BoxHeight - g.ChartTop));
        Chart.ChartColumn = g.ChartWidth - 1;
    }
}

void TrendChart::RedrawChart(int newest)
{
    const int width = Chart.Geometry.ChartWidth;
    const int first = newest < width ? 0 : newest - width;
    DrawFrameAndColumns(newest, first + 1, newest);
}

void TrendChart::DrawFrameAndColumns(int newest, int first, int last)
{
    Batch batch(*this);
    DrawChartFrame(newest);
    for (int i = std::max(first, 0); i <= last; ++i)
        DrawSampleColumn(i);
}

void TrendChart::UpdateChart(int n)
{
    if (!Chart.ChartHasCurves)
        return;
    Batch batch(*this);
    if (n == 0)
        DrawChartFrame(0);
    else if (GrowScale())
        RedrawChart(n);
    else
        DrawSampleColumn(n);
}

bool TrendChart::GrowScale()
{
    if (!Chart.AutoScale)
        return false;
    int hi = -32767;
    int lo = 32768;
    for (int s = 0; s < RecorderSlotCount; ++s) {
        if (!Drawn(s) || Recorder.DroppedAt[At(s)] != -1)
            continue;
        hi = std::max(hi, Chart.DeviceMax[At(s)]);
        lo = std::min(lo, Chart.DeviceMin[At(s)]);
    }
    bool changed = false;
    if (hi > Chart.Scale.ScaleMax) {
        Chart.Scale.ScaleMax = hi;
        changed = true;
    }
    if (lo < Chart.Scale.ScaleMin) {
        Chart.Scale.ScaleMin = lo;
        changed = true;
    }
    return changed;
}

void TrendChart::UpdateChartHasCurves()
{
    Chart.ChartHasCurves = false;
    for (int s = 0; s < RecorderSlotCount; ++s)
        Chart.ChartHasCurves = Chart.ChartHasCurves || Drawn(s);
}

void TrendChart::StoreChartValue(int slot, int value)
{
    const int n = Recorder.SampleCount;
    const int width = Chart.Geometry.ChartWidth;
    Chart.ChartRing[At(slot)][At(Column(n))] = value;
    if (n == 0) {
        Chart.DeviceMax[At(slot)] = value;
        Chart.DeviceMin[At(slot)] = value;
    } else if (n < width || n % MarkEvery != 0) {
        Chart.DeviceMax[At(slot)] = std::max(Chart.DeviceMax[At(slot)], value);
        Chart.DeviceMin[At(slot)] = std::min(Chart.DeviceMin[At(slot)], value);
    } else {
        // The ring has wrapped: values that scrolled out stop holding the
        // scale open.
        RecomputeExtremes();
    }
}

void TrendChart::RecomputeExtremes()
{
    const int width = Chart.Geometry.ChartWidth;
    for (int s = 0; s < RecorderSlotCount; ++s) {
        const auto &ring = Chart.ChartRing[At(s)];
        const auto [lo, hi] = std::minmax_element(ring.begin(), ring.begin() + width);
        Chart.DeviceMax[At(s)] = *hi;
        Chart.DeviceMin[At(s)] = *lo;
    }
}

void TrendChart::StoreSampleTime(int n, const std::array<std::uint8_t, 4> &time)
{
    Chart.ChartTimes[At(Column(n))] = time;
}

void TrendChart::SetBackground(int index)
{
    index = std::clamp(index, 0, static_cast<int>(BackgroundColors.size()) - 1);
    Chart.ChartBackground = BackgroundColors[At(index)];
    Chart.ChartInk = index > 7 ? QColor(Qt::black) : QColor(Qt::white);
}
