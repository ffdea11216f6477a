// One of the monitor's four device slots on screen: its address, the
// connect button and link lamp, the process and set value boxes, the unit,
// the two output gauges and the alarm lamps. The panel itself is the slot's
// selection panel (`SelPanel0`-`SelPanel3`); every control carries the
// slot's digit in its name.
#pragma once

#include "MonitorSlot.h"
#include "StatusDisplay.h"

#include <QFrame>

#include <array>

class ColorPanel;
class LedShape;
class OutputGauge;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class SlotPanel : public QFrame {
    Q_OBJECT
public:
    SlotPanel(int slot, double scale, QWidget *parent = nullptr);

    int Index() const { return SlotIndex; }
    int Address() const;
    void Render(const MonitorSlot &slot, const SlotView &view, bool selected);

    QSpinBox *ComAddr = nullptr;
    QPushButton *RunBt = nullptr;
    ColorPanel *AdrLb = nullptr;
    LedShape *RunLED = nullptr;

signals:
    void RunClicked();
    void AddressChanged();
    void AddressPanelClicked();

private:
    QWidget *ValueBox(const QString &panelName, const QString &caption, QLineEdit *&box, const QString &boxName);
    QWidget *BuildAlarms();

    int SlotIndex;
    double Scale;
    QLineEdit *PV = nullptr;
    QLineEdit *SV = nullptr;
    QLabel *DegLb = nullptr;
    QLabel *O1Lb = nullptr;
    QLabel *O2Lb = nullptr;
    OutputGauge *OUT1 = nullptr;
    OutputGauge *OUT2 = nullptr;
    std::array<LedShape *, 3> AlarmLeds{};
    std::array<QLabel *, 3> AlarmLabels{};
    QFrame *StatusPl = nullptr;
    int PvPointSize = 0;  // of the design, before scaling
};
