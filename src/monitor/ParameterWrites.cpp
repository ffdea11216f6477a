#include "ParameterWrites.h"

#include "Conversions.h"
#include "MessageTable.h"

#include <cstdint>

WriteDecision TypedValue(Pc id, const QString &text, const MonitorSlot &slot)
{
    WriteDecision d;
    const ParamControl &c = Control(id);
    const int parsed = ParseScaledDecimal(text.toLatin1().constData(), c.ScaleBC == 100 ? 2 : 1);
    const bool a = slot.SlotModel == ModelA;
    const int scale = a ? c.ScaleA : c.ScaleBC;
    const int value = parsed == InvalidNumber ? parsed : scale == 1 ? parsed / 10 : parsed;
    // Text that is no number, or a number no register can hold, is not
    // written (never wrapped into another value): the page is read again and
    // shows the controller's value.
    if (parsed == InvalidNumber || value < INT16_MIN || value > INT16_MAX) {
        d.Refresh = true;
        return d;
    }
    d.Unlock = c.Unlock;
    const int reg = RegisterFor(id, slot.SlotModel);
    d.Register = reg == NoRegister ? NoRegisterMark : reg;
    d.Value = value & 0xFFFF;
    if (d.Register != NoRegisterMark && slot.ComWriteEnabled == 1)
        d.Write = true;
    else
        d.Message = MessageTable::WrongModelText;
    return d;
}

WriteDecision ListChoice(Pc id, int item, const MonitorSlot &slot)
{
    WriteDecision d;
    if (item < 0)
        return d;
    d.Value = id == Pc::LockStatus && item == 2 ? 11 : item;
    d.Unlock = id == Pc::OutputType1 || id == Pc::OutputType2;
    if (id == Pc::Pointer && slot.SlotModel == ModelC) {
        // Model C keeps its decimal point at the front panel: only the
        // display follows the choice.
        d.Decimals = item;
        d.Refresh = true;
        return d;
    }
    const int reg = RegisterFor(id, slot.SlotModel);
    if (reg == NoRegister)
        return d;
    d.Register = reg;
    d.Write = slot.ComWriteEnabled == 1 || id == Pc::ComWrite;
    return d;
}

WriteDecision CommandWrite(bool restoreDefault, const MonitorSlot &slot)
{
    WriteDecision d;
    d.Register = restoreDefault ? RestoreDefaultRegister(slot.SlotModel) : ClearAdjustRegister(slot.SlotModel);
    if (slot.SlotModel == ModelC || slot.ComWriteEnabled == 1) {
        d.Value = MonitorUnlockCode;
        d.Unlock = true;
        d.Write = true;
    }
    return d;
}
