// The paint box of the PV trend ("DrawIme"): keeps the picture in a pixmap
// and paints into it what the trend plans, a whole redraw or one new second.
// The monitor window owns one, feeds it once a second from its timer, and
// shows it for "PV RECORD" and hides it for "SETTING".
#pragma once

#include "PvTrend.h"

#include <QPixmap>
#include <QWidget>

class TrendBox : public QWidget {
    Q_OBJECT
public:
    explicit TrendBox(int layoutWidth, QWidget *parent = nullptr);

    PvTrend &Trend() { return Model; }
    const QPixmap &Canvas() const { return Picture; }

    // The timer's step: words[s] is slot s's process value word, nothing
    // when the slot is not connected.
    void SampleTick(const std::array<std::optional<int>, TrendSlotCount> &words, int selectedSlot);
    // "PV RECORD": shown in front; drawn in full when it was not shown.
    void ShowTrend(int selectedSlot);
    // "SETTING": hidden, and nothing is drawn until it is shown again.
    void HideTrend();
    bool Active() const { return ViewActive; }

    void ClearSlot(int slot) { Model.ClearSlot(slot); }
    void Reset();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Redraw(int selectedSlot);
    void Paint(const TrendFullPlan &plan);
    void Paint(const TrendStepPlan &plan);

    PvTrend Model;
    QPixmap Picture;
    bool ViewActive = false;
};
