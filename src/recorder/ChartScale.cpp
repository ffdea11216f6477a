#include "ChartScale.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

ChartGeometry GeometryFor(int width)
{
    const int w = std::max(width, MinChartWidth);
    ChartGeometry g;
    g.ChartTop = w * 5 / 808;
    g.ChartLeft = w * 35 / 808;
    g.ChartBottom = w * 345 / 808;
    g.ChartRight = w * 755 / 808;
    g.BoxWidth = w * 795 / 808;
    g.BoxHeight = w * 365 / 808;
    if (g.ChartRight - g.ChartLeft > RingColumns)
        g.ChartRight = g.ChartLeft + RingColumns;
    g.ChartWidth = g.ChartRight - g.ChartLeft;
    return g;
}

ScaleFit ComputeScale(int top, int bottom, int chartBottom, bool autoScale)
{
    const long long span = static_cast<long long>(top) - bottom;
    const long long room = std::max(chartBottom - 10, 1);
    ScaleFit fit;
    if (span < room) {
        if (autoScale) {
            long long factor = 10;
            while (factor > 1 && span * factor > room)
                --factor;
            fit.ScaleFactor = static_cast<int>(factor);
        } else {
            // Fix mode always has a span of at least 3 (its limits differ).
            fit.ScaleFactor = static_cast<int>(std::max<long long>(room / std::max<long long>(span, 1), 1));
        }
        fit.ScaleDivides = false;
    } else {
        // The smallest factor with span / factor <= room, that is the first
        // one above span / (room + 1). Fix mode takes it too: a truncated
        // span / room would show less than the typed range.
        fit.ScaleFactor = static_cast<int>(span / (room + 1) + 1);
        fit.ScaleDivides = true;
    }
    return fit;
}

ChartScale FrameScale(int scaleMax, int scaleMin, int chartBottom, bool autoScale)
{
    // Typed limits have at most six characters; anything wider is no range
    // a controller can show and must not overflow the arithmetic below.
    constexpr int Limit = 10'000'000;
    scaleMax = std::clamp(scaleMax, -Limit, Limit);
    scaleMin = std::clamp(scaleMin, -Limit, Limit);
    const ScaleFit fit = ComputeScale(scaleMax + 1, scaleMin - 1, chartBottom, autoScale);
    ChartScale scale;
    scale.ScaleFactor = fit.ScaleFactor;
    scale.ScaleDivides = fit.ScaleDivides;
    const int half = chartBottom / 2;
    const int mid = static_cast<int>((static_cast<long long>(scaleMin) + scaleMax) / 2);
    scale.ScaleOffset = mid - (fit.ScaleDivides ? half * fit.ScaleFactor : half / fit.ScaleFactor);
    scale.ScaleMax = 2 * mid - scale.ScaleOffset;
    scale.ScaleMin = scale.ScaleOffset;
    return scale;
}

int ValueToY(int value, const ChartScale &scale, int chartBottom)
{
    const long long delta = static_cast<long long>(value) - scale.ScaleOffset;
    const long long step = scale.ScaleDivides ? delta / scale.ScaleFactor : delta * scale.ScaleFactor;
    const long long y = chartBottom - step;
    return static_cast<int>(std::clamp<long long>(y, std::numeric_limits<int>::min() / 2,
                                                  std::numeric_limits<int>::max() / 2));
}

int GridStep(const ChartScale &scale)
{
    if (scale.ScaleDivides)
        return 50 * scale.ScaleFactor;
    if (scale.ScaleFactor < 2)
        return 50;
    if (scale.ScaleFactor < 4)
        return 20;
    if (scale.ScaleFactor < 8)
        return 10;
    return 5;
}

int FloorToMultiple(int value, int step)
{
    int q = value / step;
    if (value % step != 0 && value < 0)
        --q;
    return q * step;
}

QString TimeText(int hour, int minute, int second)
{
    return QStringLiteral("%1:%2:%3").arg(hour).arg(minute).arg(second);
}

bool ParseWholeNumber(const QString &text, int &value)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i >= text.size())
        return false;
    long long number = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        number = number * 10 + (c.unicode() - '0');
        if (number > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            return false;
    }
    if (negative)
        number = -number;
    if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(number);
    return true;
}
