// The scrolling trend of the ten device slots: one pixel column per sample,
// a value grid with labels, dotted time marks every 60 samples, and the
// latest value of every slot in its value box. The last samples are kept in
// a ring so that the chart can redraw itself on a rescale or a change of
// colours or shown slots. What it draws goes to a ChartCanvas (the paint
// box keeps the picture); what it shows in controls goes to a ChartView.
#pragma once

#include "ChartScale.h"
#include "RecorderState.h"

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class ChartCanvas {
public:
    virtual ~ChartCanvas() = default;
    virtual void FillBox(const QRect &box, const QColor &colour) = 0;
    virtual void Line(QPoint from, QPoint to, const QColor &colour, int width, bool dotted) = 0;
    // Text with its top left corner at `at`, or with Qt::AlignRight its top
    // right corner.
    virtual void Text(QPoint at, const QString &text, const QColor &colour, Qt::Alignment align) = 0;
    // Moves the picture inside `source` one pixel to the left.
    virtual void ShiftLeft(const QRect &source) = 0;
    // A chart operation is complete: the picture may be shown.
    virtual void Done() = 0;
};

class ChartView {
public:
    virtual ~ChartView() = default;
    virtual void ShowValue(int slot, const QString &text) = 0;  // PV0-PV9
    virtual void ShowSampleTime(const QString &text) = 0;       // ErrMess
    virtual QString MaxScaleText() const = 0;
    virtual QString MinScaleText() const = 0;
    virtual void ShowScaleTexts(const QString &max, const QString &min) = 0;
    // The Fix limits were unusable: the mode list shows "Auto" again.
    virtual void ShowAutoScale() = 0;
};

// The colour of each slot's curve, value labels and device panel.
extern const std::array<QColor, RecorderSlotCount> DeviceColors;

// The 16 standard colours of the background list, in its order; from
// index 8 (silver) on they are light and take black ink.
extern const std::array<QColor, 16> BackgroundColors;
extern const std::array<QString, 16> BackgroundNames;

struct TChartState {
    ChartGeometry Geometry = GeometryFor(808);
    std::array<std::array<int, RingColumns>, RecorderSlotCount> ChartRing{};
    std::array<std::array<std::uint8_t, 4>, RingColumns> ChartTimes{};
    std::array<int, RecorderSlotCount> DeviceMax{};
    std::array<int, RecorderSlotCount> DeviceMin{};
    ChartScale Scale;  // ScaleMax, ScaleMin, ScaleFactor, ScaleDivides, ScaleOffset
    std::array<int, RecorderSlotCount> LastY{};
    int ChartColumn = 0;
    bool AutoScale = true;
    QColor ChartBackground = Qt::white;
    QColor ChartInk = Qt::black;
    bool ChartHasCurves = false;
};

extern TChartState ChartState;

class TrendChart {
public:
    TrendChart(TChartState &chart, TRecorderState &recorder, ChartCanvas &canvas, ChartView &view);

    const TChartState &State() const { return Chart; }
    void SetGeometry(const ChartGeometry &geometry);
    // The ring column of sample n.
    int Column(int n) const { return n % Chart.Geometry.ChartWidth; }

    void ClearChart();
    // Clears the ring, so that nothing of an earlier recording shows.
    void ClearRing();
    void DrawChartFrame(int newest);
    void DrawSampleColumn(int n);
    // Frame plus every held sample up to `newest`.
    void RedrawChart(int newest);
    // The frame for `newest`, then the columns of samples first .. last.
    void DrawFrameAndColumns(int newest, int first, int last);
    // Redraws what is held, newest being the last completed sample.
    void RedrawChart() { RedrawChart(Recorder.SampleCount - 1); }
    // After sample n was stored: first frame, full redraw or one column.
    void UpdateChart(int n);
    bool GrowScale();
    void UpdateChartHasCurves();

    // Live recording: the value of a slot for the sample being collected.
    void StoreChartValue(int slot, int value);
    void StoreSampleTime(int n, const std::array<std::uint8_t, 4> &time);

    void SetAutoScale(bool autoScale) { Chart.AutoScale = autoScale; }
    // A colour of the background list by its index.
    void SetBackground(int index);

private:
    // Collects what the view shows during one operation and hands it over
    // at its end: a full redraw writes each value box once, not per column.
    class Batch {
    public:
        explicit Batch(TrendChart &chart);
        ~Batch();

    private:
        TrendChart &Owner;
    };
    friend class Batch;

    bool Drawn(int slot) const;
    int Y(int value) const;
    int ClampY(int y) const;
    void RecomputeExtremes();

    TChartState &Chart;
    TRecorderState &Recorder;
    ChartCanvas &Canvas;
    ChartView &View;
    int Depth = 0;
    std::array<std::optional<QString>, RecorderSlotCount> PendingValues;
    std::optional<QString> PendingTime;
};
