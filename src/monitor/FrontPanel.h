// The selected controller's front panel, large: the picture `ImeA1` in the
// panel `QMX1` with the process value `PVDisp`, the set value `SVDisp` and
// the lamps `O1LED`, `O2LED`, `ATLED`, `ALM1LED`, `DegC`, `DegF`; below it
// the two output gauges `Out1Qty` and `Out2Qty` with their labels.
#pragma once

#include "StatusDisplay.h"

#include <QWidget>

class LedShape;
class OutputGauge;
class QLabel;

// The controller's body as we draw it: bezel, the two display windows, the
// lamp captions and the keys. The texts and lamps lie on top of it.
class FrontPicture : public QWidget {
    Q_OBJECT
public:
    FrontPicture(double scale, QWidget *parent = nullptr);
    // Where the texts and lamps go, in this widget's pixels.
    QRect PvWindow() const;
    QRect SvWindow() const;
    QPoint LampAt(int index) const;  // 0 OUT1, 1 OUT2, 2 AT, 3 ALM, 4 C, 5 F
    int LampDiameter() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect Design(int x, int y, int w, int h) const;
    double Scale;
};

class FrontPanel : public QWidget {
    Q_OBJECT
public:
    FrontPanel(double scale, QWidget *parent = nullptr);
    void Render(const LargeView &view);

private:
    double Scale;
    FrontPicture *ImeA1 = nullptr;
    QLabel *PVDisp = nullptr;
    QLabel *SVDisp = nullptr;
    LedShape *O1LED = nullptr;
    LedShape *O2LED = nullptr;
    LedShape *ATLED = nullptr;
    LedShape *ALM1LED = nullptr;
    LedShape *DegC = nullptr;
    LedShape *DegF = nullptr;
    QLabel *O1Lb = nullptr;
    QLabel *O2Lb = nullptr;
    OutputGauge *Out1Qty = nullptr;
    OutputGauge *Out2Qty = nullptr;
    double PvPoints = 0;
    double SvPoints = 0;
};
