#include "StatusDecoding.h"

namespace {

class Decoder {
public:
    Decoder(MonitorSlot &slot, bool selected, const std::vector<int> &words)
        : Slot(slot), Selected(selected), Words(words)
    {
    }

    int W(size_t i) const { return i < Words.size() ? Words[i] : 0; }

    void Led(int value)
    {
        if (value != Slot.LedByte) {
            Slot.LedByte = value;
            Effects.LedChanged = true;
        }
    }
    // The run state and auto-tuning of the selected slot: the editor's
    // controls follow changes made at the controller.
    void Follow(int &field, int value)
    {
        if (!Selected)
            return;
        if (value != field) {
            field = value;
            Effects.RefreshRequested = true;
        }
    }
    void RunStop(int value) { Follow(Slot.RunStopCode, value); }
    void AutoTuning(int value) { Follow(Slot.AutoTuning, value); }
    // Bit 0 clear: a setting was changed at the controller.
    void Flags(int value)
    {
        Slot.FlagWord = value;
        if ((Slot.SlotModel == ModelA || Slot.SlotModel == ModelB) && Selected && !(value & 1))
            Effects.RefreshRequested = true;
    }
    void Security(int word)
    {
        Slot.SecurityLevel = (word >> 3) & 0x0F;
        Slot.LevelKeys = word & 7;
        Effects.SecurityRead = true;
    }
    void PvSv()
    {
        Slot.ProcessValue = W(0);
        Slot.SetValue = W(1);
        Slot.PvRead = true;
        if (Slot.SlotModel != ModelA)
            Slot.PvFaultCode = (Slot.ProcessValue & 0xFF00) == 0x8000 ? Slot.ProcessValue : 0;
        Effects.PvShown = true;
    }

    // Models B and C (from level 4) read the same words at steps 3/5, 4 and 6.
    void Outputs()
    {
        Slot.Output1Level = W(2);
        Slot.Output2Level = W(3);
        Effects.OutputsShown = true;
    }
    void StatusBlock()  // 0x4728 x8
    {
        Led(W(0));
        Flags(W(1));
        Slot.FirmwareVersion = W(2);
        Slot.ProgramRunning = W(3);
        Slot.ProgramDisplayValue = W(4);
        Slot.ColdJunction = W(6);
        Slot.InputVoltage = W(7);
    }
    void RunBlock()  // from 0x4723: run state, auto-tuning, LED byte
    {
        RunStop(W(0));
        AutoTuning(W(4));
        Led(W(5));
        Effects.Diagnostics = Selected;
    }

    StatusEffects Decode(int step);

private:
    StatusEffects DecodeA(int step);
    StatusEffects DecodeB(int step);
    StatusEffects DecodeC(int step);

    MonitorSlot &Slot;
    bool Selected;
    const std::vector<int> &Words;
    StatusEffects Effects;
};

StatusEffects Decoder::Decode(int step)
{
    if (step == 8) {
        for (size_t i = 0; i < Effects.ProgramWords.size(); ++i)
            Effects.ProgramWords[i] = W(i);
        Effects.ProgramShown = Slot.ProgramRunning != 0;
        return Effects;
    }
    switch (Slot.SlotModel) {
    case ModelA: return DecodeA(step);
    case ModelB: return DecodeB(step);
    case ModelC: return DecodeC(step);
    default: return Effects;  // not recognised: nothing is stored
    }
}

StatusEffects Decoder::DecodeA(int step)
{
    switch (step) {
    case 1:
        Slot.HeatCoolCode = (W(0) & 0x04) ? 1 : 0;
        Slot.DecimalsCode = TenthsInputType(W(1)) ? 1 : 255;
        if (Selected) {
            Effects.UploadMenu = true;
            Effects.RampSoakMenu = false;
        }
        break;
    case 2:
        Slot.InputVoltage = W(0);
        AutoTuning(W(1));
        Slot.PvFaultCode = W(3);
        break;
    case 3:
    case 5:
        PvSv();
        Effects.OutputsShown = true;
        break;
    case 4:
        Slot.HeatCoolCode = W(0);
        RunStop(W(1));
        Slot.ComWriteEnabled = W(2);
        Slot.FirmwareVersion = W(3);
        Led(W(4));
        Flags(W(5));
        Slot.Output1Level = 10 * W(6);
        Slot.ColdJunction = W(7);
        break;
    case 6:
        Led(W(0));
        Flags(W(1));
        Slot.Output1Level = 10 * W(2);
        Effects.Diagnostics = Selected;
        break;
    default:
        break;
    }
    return Effects;
}

StatusEffects Decoder::DecodeB(int step)
{
    switch (step) {
    case 1:
        Slot.DecimalsCode = W(1) == 0 && W(0) < 2 ? 255 : W(1);
        if (Selected) {
            Effects.UploadMenu = true;
            Effects.RampSoakMenu = false;
        }
        break;
    case 2:
        Slot.ProgramRunning = (W(0) >> 5) & 1;
        Slot.ComWriteEnabled = W(0) & 1;
        Slot.HeatCoolCode = W(3);
        if (Selected)
            Effects.RampSoakMenu = Slot.ComWriteEnabled != 0;
        break;
    case 3:
    case 5:
        PvSv();
        Outputs();
        break;
    case 4:
        StatusBlock();
        break;
    case 6:
        RunBlock();
        Flags(W(6));
        break;
    default:
        break;
    }
    return Effects;
}

StatusEffects Decoder::DecodeC(int step)
{
    const bool full = Slot.SecurityLevel >= 4;
    switch (step) {
    case 1:
        Security(W(0));
        Slot.DecimalsCode = 1;
        if (Selected) {
            const bool readable = (Slot.SecurityLevel & 0x0C) != 0;
            Effects.UploadMenu = readable;
            Effects.RampSoakMenu = readable;
        }
        break;
    case 2:
        if (full) {
            Slot.Output1Function = W(0);
            Slot.Output2Function = W(5);
        }
        break;
    case 3:
    case 5:
        PvSv();
        if (full)
            Outputs();
        break;
    case 4:
        if (full)
            StatusBlock();
        else
            Led(W(0));
        break;
    case 6:
        // Model C's step 6 carries no flag word.
        if (full)
            RunBlock();
        else
            Led(W(0));
        break;
    case 7:
        Security(W(0));
        break;
    default:
        break;
    }
    return Effects;
}

} // namespace

bool TenthsInputType(int type)
{
    switch (type) {
    case 1: case 3: case 5: case 11: case 12: case 14: case 15: return true;
    default: return false;
    }
}

StatusEffects DecodeStatus(int step, MonitorSlot &slot, bool selected, const std::vector<int> &words)
{
    return Decoder(slot, selected, words).Decode(step);
}
