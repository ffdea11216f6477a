// What the status of a slot looks like: value texts, the LED and alarm
// lights, the outputs, the program display, and the view-state the monitor
// window renders for each slot and for the large front-panel display.
#pragma once

#include "MonitorSlot.h"

#include <QColor>
#include <QString>

#include <array>

// Register value and decimals code to text: 1 and 2 and 3 decimals, 0 for
// none, 255 for tenths shown as whole units (rounded half up); "- " before
// negative values; an unknown code gives empty text.
QString ScaledValueText(int value, int decimalsCode);

// The word that replaces a process value with a fault code (low four bits).
QString PvFaultText(int faultCode);

// "F/W Version 1.12" for 0x0112.
QString FirmwareText(int version);

// The LED byte in the common layout: model A bytes have alarms 1 and 2 and
// the two units in other bits.
int CommonLedByte(std::uint8_t model, int ledByte);

struct LedLights {
    bool Alarm1 = false;
    bool Alarm2 = false;
    bool Alarm3 = false;
    bool DegC = false;
    bool DegF = false;
    bool Out1 = false;
    bool Out2 = false;
    bool AutoTuning = false;
};
LedLights DecodeLeds(int commonByte);
// "C", "F" or "EU".
QString UnitText(const LedLights &lights);

struct OutputsView {
    bool Out1Visible = true;
    bool Out2Visible = true;
    bool Alarm1Visible = true;
    bool Alarm2Visible = true;
    bool Alarm3Visible = false;
    QColor Out1Label, Out1Gauge, Out2Label, Out2Gauge;
};
OutputsView ComputeOutputs(const MonitorSlot &slot);

// The program line of step 8 from its five words: "03-05", a value, or
// "02:02:05".
QString ProgramText(const std::array<int, 5> &words, const MonitorSlot &slot, bool calibrationMode);

namespace MonitorColors {
inline const QColor Red{0xFF, 0x00, 0x00};
inline const QColor Green{0x00, 0xFF, 0x00};
inline const QColor Blue{0x00, 0x00, 0xFF};
inline const QColor Yellow{0xFF, 0xFF, 0x00};
inline const QColor Silver{0xC0, 0xC0, 0xC0};
inline const QColor Gray{0x80, 0x80, 0x80};
inline const QColor Fuchsia{0xFF, 0x00, 0xFF};
inline const QColor SkyBlue{0xA6, 0xCA, 0xF0};
inline const QColor DarkGreen{0x00, 0x80, 0x00};
} // namespace MonitorColors

QColor LedColor(LinkLed led);

// Font sizes are in design units; the window scales them by LayoutWidth / 808.
struct SlotView {
    QString PvText = QStringLiteral("0");
    int PvFontSize = 10;
    QString SvText = QStringLiteral("0");
    QString UnitText = QStringLiteral("C");
    bool OutputsShown = false;  // labels and gauges, hidden until a status step shows them
    OutputsView Outputs;
    int Out1Level = 0;
    int Out2Level = 0;
    bool Alarm1On = false;
    bool Alarm2On = false;
    bool Alarm3On = false;
};

struct LargeView {
    QString PvText;
    bool PvFault = false;  // smaller, centred
    QString SvText;
    int SvFontSize = 32;
    bool ProgDispVisible = false;
    int ProgDispItem = 0;
    bool SvEditVisible = true;
    bool LightsKnown = false;  // gray until the selected slot's LEDs were shown
    LedLights Lights;
    bool OutputsShown = false;
    OutputsView Outputs;
    int Out1Level = 0;
    int Out2Level = 0;
};
