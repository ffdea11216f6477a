#include "PvTrend.h"

#include "Conversions.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int SecondsWrap = 12000;  // the seconds counter goes on at 120 (both whole minutes)
constexpr int SecondsRestart = 120;
constexpr int RangeCheckSeconds = 120;
constexpr int ShrinkRedrawPixels = 50;
constexpr int BandMargin = 15;  // a new sample this close to the bottom...
constexpr int BandTop = 5;      // ...or this close to the top needs a new scale
constexpr int ValueLabelMinX = 40;  // time-mark labels stay clear of the grid labels

int FloorMod(int a, int b)
{
    const int r = a % b;
    return r < 0 ? r + b : r;
}

} // namespace

std::optional<int> TrendValue(int word)
{
    const int w = word & 0xFFFF;
    if ((w & 0xFF00) == 0x8000)
        return std::nullopt;
    return w >= 0x8000 ? w - 0x10000 : w;
}

TrendGeometry TrendGeometryFor(int layoutWidth)
{
    const int w = std::clamp(layoutWidth, 1, 100000);
    TrendGeometry g;
    g.X0 = w * 35 / 808;
    g.H = w * 225 / 808;
    g.BoxWidth = w * 785 / 808;
    g.BoxHeight = w * 250 / 808;
    g.RingLength = std::clamp(w * 755 / 808 - g.X0, 1, TrendRingCapacity);
    // On a screen wide enough to cap the ring, the plot ends where the ring
    // does, so that a full ring's newest sample meets the scroll.
    g.X1 = g.X0 + g.RingLength;
    return g;
}

TrendScale ScaleFor(int maximum, int minimum, int h)
{
    TrendScale s;
    s.Span = maximum - minimum;
    // A tiny plot still gets a scale (and every loop below an end).
    const int limit = std::max(h - 30, 1);
    if (s.Span < limit) {
        s.Mode = ScaleMode::Multiply;
        s.Factor = 10;
        while (s.Factor > 1 && s.Span * s.Factor > limit)
            --s.Factor;
    } else {
        s.Mode = ScaleMode::Divide;
        s.Factor = 1;
        while (s.Span / s.Factor > limit)
            ++s.Factor;
    }
    const int middle = minimum + s.Span / 2;
    s.Base = s.Mode == ScaleMode::Divide ? middle - (h / 2) * s.Factor : middle - (h / 2) / s.Factor;
    if (s.Mode == ScaleMode::Multiply)
        s.GridStep = s.Factor > 4 ? 10 : 50;
    else if (s.Factor <= 5)
        s.GridStep = 100;
    else if (s.Factor <= 20)
        s.GridStep = 500;
    else if (s.Factor <= 40)
        s.GridStep = 1000;
    else
        s.GridStep = 2000;
    return s;
}

int TrendY(const TrendScale &scale, int value, int h)
{
    const long long d = static_cast<long long>(value) - scale.Base;
    const long long offset = scale.Mode == ScaleMode::Divide ? d / scale.Factor : d * scale.Factor;
    return static_cast<int>(std::clamp<long long>(h - offset + 1, INT_MIN / 2, INT_MAX / 2));
}

std::vector<GridLine> GridLines(const TrendScale &scale, int h)
{
    std::vector<GridLine> lines;
    int g = scale.Base - FloorMod(scale.Base, scale.GridStep);
    // Every line is at least one pixel above the one before it.
    for (int n = 0; n <= h + 1; ++n) {
        g += scale.GridStep;
        const int y = TrendY(scale, g, h);
        if (y <= 0)
            break;
        lines.push_back({y, g});
    }
    return lines;
}

QString GridLabel(int value)
{
    return QString::number(value / 10) + QStringLiteral(".0");
}

PvTrend::PvTrend(int layoutWidth) : Geo(TrendGeometryFor(layoutWidth)) {}

void PvTrend::Reset()
{
    for (int s = 0; s < TrendSlotCount; ++s)
        ClearSlot(s);
    Drawn = TrendNoSlot;
    PenAt.reset();
}

void PvTrend::ClearSlot(int slot)
{
    if (slot < 0 || slot >= TrendSlotCount)
        return;
    TrendSlot &s = Slots[static_cast<size_t>(slot)];
    s.WriteIndex = 0;
    s.RingFull = false;
    s.Seconds = 0;
    s.NewestSecond = 0;
    s.HasRange = false;
    s.Maximum = s.Minimum = 0;
    if (slot == Drawn)
        ForceFullRedraw();
}

const TrendSlot &PvTrend::Slot(int slot) const
{
    return Slots[static_cast<size_t>(std::clamp(slot, 0, TrendSlotCount - 1))];
}

int PvTrend::NewestIndex(const TrendSlot &slot) const
{
    return slot.WriteIndex > 0 ? slot.WriteIndex - 1 : Geo.RingLength - 1;
}

bool PvTrend::InBand(int y) const
{
    return y <= Geo.H - BandMargin && y > BandTop;
}

void PvTrend::Store(int slot, int word, int selectedSlot)
{
    TrendSlot &s = Slots[static_cast<size_t>(slot)];
    const int length = Geo.RingLength;
    int at = s.WriteIndex;
    if (at >= length) {
        at = 0;
        s.RingFull = true;
    }
    const std::optional<int> value = TrendValue(word);
    s.Ring[static_cast<size_t>(at)] = value ? *value : TrendGap;
    if (value) {
        if (!s.HasRange) {
            s.Maximum = s.Minimum = *value;
            s.HasRange = true;
        } else {
            s.Maximum = std::max(s.Maximum, *value);
            s.Minimum = std::min(s.Minimum, *value);
        }
    }
    s.NewestSecond = s.Seconds;

    // Once the ring is full, old extremes drop out of it: every two minutes
    // the range is taken anew, and when the plot would now waste more than
    // 50 pixels the next draw rescales.
    if (s.RingFull && s.Seconds % RangeCheckSeconds == 0) {
        bool any = false;
        int maximum = 0;
        int minimum = 0;
        for (int i = 0; i < length; ++i) {
            const int v = s.Ring[static_cast<size_t>(i)];
            if (v == TrendGap)
                continue;
            maximum = any ? std::max(maximum, v) : v;
            minimum = any ? std::min(minimum, v) : v;
            any = true;
        }
        if (any != s.HasRange || maximum != s.Maximum || minimum != s.Minimum) {
            s.HasRange = any;
            s.Maximum = maximum;
            s.Minimum = minimum;
            const long long unused = static_cast<long long>(CurrentScale.Span) - (maximum - minimum);
            const long long shrink = CurrentScale.Mode == ScaleMode::Divide ? unused / CurrentScale.Factor
                                                                           : unused * CurrentScale.Factor;
            if (slot == selectedSlot && shrink > ShrinkRedrawPixels)
                ForceFullRedraw();
        }
    }

    s.WriteIndex = at + 1;
    s.Seconds = s.Seconds + 1 >= SecondsWrap ? SecondsRestart : s.Seconds + 1;
}

TrendDraw PvTrend::Sample(const std::array<std::optional<int>, TrendSlotCount> &words, int selectedSlot,
                          bool viewShown)
{
    for (int s = 0; s < TrendSlotCount; ++s) {
        if (words[static_cast<size_t>(s)])
            Store(s, *words[static_cast<size_t>(s)], selectedSlot);
    }
    if (!viewShown || selectedSlot < 0 || selectedSlot >= TrendSlotCount || !words[static_cast<size_t>(selectedSlot)])
        return TrendDraw::None;
    const TrendSlot &slot = Slots[static_cast<size_t>(selectedSlot)];
    if (!slot.HasSamples())
        return TrendDraw::None;
    if (selectedSlot != Drawn)
        return TrendDraw::Full;
    const int value = slot.Ring[static_cast<size_t>(NewestIndex(slot))];
    if (value != TrendGap && !InBand(TrendY(CurrentScale, value, Geo.H)))
        return TrendDraw::Full;
    return TrendDraw::Incremental;
}

TrendFullPlan PvTrend::PlanFullRedraw(int selectedSlot)
{
    const TrendGeometry &g = Geo;
    TrendFullPlan plan;
    plan.Box = QRect(0, 0, g.BoxWidth, g.BoxHeight);
    plan.HorizontalAxis = QLine(g.X0 - 15, g.H, g.X1 + 10, g.H);
    plan.VerticalAxis = QLine(g.X0, 0, g.X0, g.H + 15);
    PenAt.reset();

    const bool known = selectedSlot >= 0 && selectedSlot < TrendSlotCount;
    Drawn = known ? selectedSlot : TrendNoSlot;
    const TrendSlot *slot = known ? &Slots[static_cast<size_t>(selectedSlot)] : nullptr;
    const bool range = slot && slot->HasRange;
    CurrentScale = ScaleFor(range ? slot->Maximum : 0, range ? slot->Minimum : 0, g.H);

    for (const GridLine &line : GridLines(CurrentScale, g.H)) {
        plan.Grid.emplace_back(g.X0, line.Y, g.X1 + 5, line.Y);
        plan.GridLabels.push_back({QPoint(g.X0 - 32, line.Y - 4), GridLabel(line.Value)});
    }
    if (!slot || !slot->HasSamples())
        return plan;

    // Every sample in the ring, oldest first, one pixel each from x0 + 1.
    const int length = g.RingLength;
    const int count = slot->RingFull ? length : slot->WriteIndex;
    const int oldest = slot->RingFull ? slot->WriteIndex % length : 0;
    for (int k = 0; k < count; ++k) {
        const int value = slot->Ring[static_cast<size_t>((oldest + k) % length)];
        const int x = g.X0 + 1 + k;
        const int second = slot->NewestSecond - (count - 1 - k);
        std::optional<QPoint> point;
        if (value != TrendGap) {
            point = QPoint(x, TrendY(CurrentScale, value, g.H));
            plan.Curve.emplace_back(PenAt ? *PenAt : *point, *point);
        }
        PenAt = point;
        if (FloorMod(second, 60) == 0) {
            plan.TimeMarks.emplace_back(x, 5, x, g.H);
            if (point && k + 1 > ValueLabelMinX)
                plan.ValueLabels.push_back({QPoint(x - 33, point->y() + 3), TenthsText(value)});
        }
    }
    return plan;
}

TrendStepPlan PvTrend::PlanIncremental()
{
    const TrendGeometry &g = Geo;
    TrendStepPlan plan;
    if (Drawn < 0 || Drawn >= TrendSlotCount)
        return plan;
    const TrendSlot &slot = Slots[static_cast<size_t>(Drawn)];
    if (!slot.HasSamples())
        return plan;
    const int newest = NewestIndex(slot);
    int x = g.X0 + 1 + newest;
    if (slot.RingFull) {
        plan.Scroll = true;
        plan.ScrollSource = QRect(QPoint(g.X0 + 2, 0), QPoint(g.X1 + 4, g.BoxHeight - 1));
        plan.ScrollTarget = QPoint(g.X0 + 1, 0);
        x = g.X1;
        if (PenAt)
            PenAt = QPoint(PenAt->x() - 1, PenAt->y());
    }
    const int value = slot.Ring[static_cast<size_t>(newest)];
    std::optional<QPoint> point;
    if (value != TrendGap) {
        point = QPoint(x, TrendY(CurrentScale, value, g.H));
        plan.Curve = QLine(PenAt ? *PenAt : *point, *point);
    }
    PenAt = point;
    if (FloorMod(slot.NewestSecond, 60) == 0) {
        plan.TimeMark = QLine(x, 0, x, g.H);
        if (point && x - g.X0 > ValueLabelMinX)
            plan.ValueLabel = TrendLabel{QPoint(x - 33, point->y() + 3), TenthsText(value)};
    }
    return plan;
}
