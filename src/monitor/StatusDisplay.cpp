#include "StatusDisplay.h"

#include "Conversions.h"
#include "MessageTable.h"

namespace {

// Two digits, or all of them for a value that has more (a controller's
// word may be anything).
QString AtLeastTwoDigits(int value)
{
    return value >= 0 && value < 100 ? FixedDigits(value, 2) : QString::number(value);
}

} // namespace

QString ScaledValueText(int value, int decimalsCode)
{
    bool negative = false;
    long long v = value;
    if (v > 0x7FFF && v <= 0xFFFF) {
        negative = true;
        v = (v ^ 0xFFFF) + 1;
    } else if (v < 0) {
        negative = true;
        v = -v;
    }
    QString text;
    switch (decimalsCode) {
    case 255:
        text = QString::number(v / 10 + (v % 10 > 4 ? 1 : 0));
        break;
    case 0:
        text = QString::number(v);
        break;
    case 1:
        text = QString::number(v / 10) + QLatin1Char('.') + QString::number(v % 10);
        break;
    case 2:
        text = QString::number(v / 100) + QLatin1Char('.') + FixedDigits(static_cast<int>(v % 100), 2);
        break;
    case 3:
        text = QString::number(v / 1000) + QLatin1Char('.') + FixedDigits(static_cast<int>(v % 1000), 3);
        break;
    default:
        return QString();
    }
    return negative ? QStringLiteral("- ") + text : text;
}

QString PvFaultText(int faultCode)
{
    switch (faultCode & 0x0F) {
    case 1:
    case 2: return MessageTable::WaitingText;
    case 3: return MessageTable::NoConnectText;
    case 4:
    case 6: return MessageTable::InputErrorText;
    case 5: return MessageTable::OverRangeText;
    case 7: return MessageTable::MemoryFailText;
    default: return QString();
    }
}

QString FirmwareText(int version)
{
    return MessageTable::FwVersionText + QString::number((version >> 8) & 0xFF) + QLatin1Char('.')
        + ByteToHex(version & 0xFF);
}

int CommonLedByte(std::uint8_t model, int ledByte)
{
    if (model != ModelA)
        return ledByte & 0xFF;
    const int b = ledByte & 0xFF;
    int common = b & ~(0x02 | 0x04 | 0x08 | 0x10);
    if (b & 0x10)
        common |= 0x02;
    if (b & 0x20)
        common |= 0x10;
    if (b & 0x04)
        common |= 0x08;
    if (b & 0x08)
        common |= 0x04;
    return common;
}

LedLights DecodeLeds(int b)
{
    LedLights l;
    l.Alarm3 = b & 0x01;
    l.Alarm2 = b & 0x02;
    l.DegC = b & 0x04;
    l.DegF = b & 0x08;
    l.Alarm1 = b & 0x10;
    l.Out2 = b & 0x20;
    l.Out1 = b & 0x40;
    l.AutoTuning = b & 0x80;
    return l;
}

QString UnitText(const LedLights &lights)
{
    if (lights.DegC)
        return QStringLiteral("C");
    if (lights.DegF)
        return QStringLiteral("F");
    return QStringLiteral("EU");
}

OutputsView ComputeOutputs(const MonitorSlot &slot)
{
    using namespace MonitorColors;
    OutputsView v;
    const auto heating = [&v](int output, bool heats) {
        (output == 1 ? v.Out1Label : v.Out2Label) = heats ? Red : Blue;
        (output == 1 ? v.Out1Gauge : v.Out2Gauge) = heats ? Fuchsia : SkyBlue;
    };
    if (slot.SlotModel == ModelC) {
        (slot.Output1Function == 2 ? v.Out1Visible : v.Alarm1Visible) = false;
        (slot.Output2Function == 2 ? v.Out2Visible : v.Alarm2Visible) = false;
        heating(1, slot.Output1Function == 0);
        heating(2, slot.Output2Function == 0);
        return v;
    }
    if (slot.SlotModel == ModelA)
        v.Out2Visible = false;
    if (slot.SlotModel == ModelB && slot.HeatCoolCode <= 1) {
        v.Out2Visible = false;
        v.Alarm3Visible = true;
    }
    const bool coolFirst = slot.HeatCoolCode & 1;
    heating(1, !coolFirst);
    heating(2, coolFirst);
    return v;
}

QString ProgramText(const std::array<int, 5> &w, const MonitorSlot &slot, bool calibrationMode)
{
    switch (w[0]) {
    case 0:
        return QStringLiteral("0") + QString::number(w[4]) + QLatin1Char('-') + AtLeastTwoDigits(w[3]);
    case 1:
        return ScaledValueText(calibrationMode ? slot.ProgramDisplayValue : slot.SetValue, slot.DecimalsCode);
    case 2:
        return AtLeastTwoDigits(w[2] / 60) + QLatin1Char(':') + AtLeastTwoDigits((w[1] % 3600) / 60) + QLatin1Char(':')
            + AtLeastTwoDigits(w[1] % 60);
    default:
        return QString();
    }
}

QColor LedColor(LinkLed led)
{
    using namespace MonitorColors;
    switch (led) {
    case LinkLed::Green: return Green;
    case LinkLed::Red: return Red;
    case LinkLed::Yellow: return Yellow;
    case LinkLed::Blue: return Blue;
    case LinkLed::Gray: break;
    }
    return Gray;
}
