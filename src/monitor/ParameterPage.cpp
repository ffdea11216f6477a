#include "ParameterPage.h"

#include "MessageTable.h"
#include "StatusDecoding.h"
#include "StatusDisplay.h"

namespace {

// Entries of ParameterValues.
enum Entry {
    InputType = 4, UnitEntry = 5, ControlMethod = 6, Period1 = 7, Period2 = 8, PvOffset = 9, Lock = 10,
    SystemAlarm = 11, PbEntry = 12, TiEntry = 13, TdEntry = 14, Hyst1Entry = 15, Hyst2Entry = 16, IOffsetEntry = 17,
    RangeHigh = 18, RangeLow = 19, Alarm1Mode = 20, Alarm2Mode = 21, Alarm3Mode = 22, Up1 = 23, Down1 = 24,
    Up2 = 25, Down2 = 26, Up3 = 27, Down3 = 28, TuneHigh = 29, TuneLow = 30, PdOffset = 31, Coefficient = 32,
    DeadBand = 33, PointerEntry = 34,
};

int Word(const std::vector<int> &w, size_t i)
{
    return i < w.size() ? w[i] : 0;
}

} // namespace

ParameterPage::ParameterPage()
{
    Reset();
}

void ParameterPage::Reset()
{
    for (ControlState &c : Controls)
        c = ControlState{};
    (*this)[Pc::Unit].Item = 1;     // "C"
    (*this)[Pc::Pointer].Item = 1;  // "1"
    ParameterValues.fill(0);
    FirmwareCaption = QStringLiteral("Firmware Version");
    HeatCoolLabel = Control(Pc::HeatCool).Label;
    ComWriteLabel = Control(Pc::ComWrite).Label;
    FrontBox = Front::PID;
    PdOffsetFront = false;
    BoxesEnabled = true;
    SecurityVisible = false;
    Shown = false;
    Blanked = false;
    ShowCalibration(false, ModelNone);
}

void ParameterPage::SetValue(Pc id, int value, const MonitorSlot &slot)
{
    ControlState &c = (*this)[id];
    c.Text = ScaledValueText(value, DecimalsFor(id, slot));
    c.Item = -1;
}

void ParameterPage::SetItem(Pc id, int item)
{
    ControlState &c = (*this)[id];
    // A code a list has no item for shows as itself, never as another item.
    const int items = static_cast<int>(Control(id).Items.size());
    c.Item = item >= 0 && item < items ? item : -1;
    c.Text = c.Item < 0 ? QString::number(item) : QString();
}

void ParameterPage::SetEntry(int entry, Pc id, int value, const MonitorSlot &slot)
{
    ParameterValues[static_cast<size_t>(entry)] = static_cast<std::int16_t>(value);
    SetValue(id, value, slot);
}

void ParameterPage::SetEntryItem(int entry, Pc id, int item)
{
    ParameterValues[static_cast<size_t>(entry)] = static_cast<std::int16_t>(item);
    SetItem(id, item);
}

void ParameterPage::SetVisible(std::initializer_list<Pc> ids, bool visible)
{
    for (Pc id : ids)
        (*this)[id].Visible = visible;
}

ParameterPage::ReadOutResult ParameterPage::ReadOut(int step, MonitorSlot &slot, int selected, const std::vector<int> &w)
{
    ReadOutResult result;
    const bool a = slot.SlotModel == ModelA;
    const bool b = slot.SlotModel == ModelB;
    const auto w_ = [&w](size_t i) { return Word(w, i); };
    const auto runStop = [&](int code) {
        if (selected >= 0 && selected < SlotCount)
            ParameterValues[static_cast<size_t>(selected)] = static_cast<std::int16_t>(code);
        slot.RunStopCode = code;
    };
    switch (step) {
    case 10:
        if (a) {
            SetEntryItem(Lock, Pc::LockStatus, w_(0) / 15 + (w_(0) % 10) / 2);
        } else {
            SetEntryItem(Alarm1Mode, Pc::ALM1Mode, w_(0));
            SetEntryItem(Alarm2Mode, Pc::ALM2Mode, w_(1));
            runStop(w_(3));
            SetEntryItem(UnitEntry, Pc::Unit, w_(4));
            if (b) {
                SetEntryItem(Alarm3Mode, Pc::ALM3Mode, w_(2));
                SetEntryItem(PointerEntry, Pc::Pointer, w_(5));
                slot.DecimalsCode = w_(5);
            } else if ((*this)[Pc::Pointer].Item >= 0) {
                slot.DecimalsCode = (*this)[Pc::Pointer].Item;
            }
            slot.ComWriteEnabled = w_(6);
            if (slot.DecimalsCode == 0 && w_(4) < 2)
                slot.DecimalsCode = 255;
        }
        SetItem(Pc::AT, slot.AutoTuning);
        FirmwareCaption = FirmwareText(slot.FirmwareVersion);
        break;
    case 11:
        if (a) {
            SetEntryItem(InputType, Pc::InputA, w_(0));
            slot.DecimalsCode = TenthsInputType(w_(0)) ? 1 : 255;
            SetEntryItem(ControlMethod, Pc::CtrlSet, w_(1));
            SetEntry(Period1, Pc::HCPeriod1, w_(2), slot);
            SetValue(Pc::HCPeriodPID1, w_(2), slot);
            SetEntry(PdOffset, Pc::PDOffset, 10 * w_(3), slot);
            SetEntry(PvOffset, Pc::PVTune, w_(4), slot);
            SetEntryItem(Alarm1Mode, Pc::ALM1Mode, w_(5));
            SetEntryItem(Alarm2Mode, Pc::ALM2Mode, w_(6));
            SetEntryItem(UnitEntry, Pc::Unit, w_(7));
        } else {
            SetEntry(PdOffset, Pc::PDOffset, w_(0), slot);
            SetEntry(Coefficient, Pc::Coeff, w_(1), slot);
            SetEntry(DeadBand, Pc::DeadBand1, w_(2), slot);
            SetValue(Pc::DeadBand2, w_(2), slot);
            SetEntry(Hyst1Entry, Pc::Hyst1, w_(3), slot);
            SetEntry(Hyst2Entry, Pc::Hyst2, w_(4), slot);
            SetEntry(TuneHigh, Pc::CurrHi, w_(5), slot);
            SetEntry(TuneLow, Pc::CurrLo, w_(6), slot);
        }
        SetVisible({Pc::PDOffset, Pc::ALM1Mode, Pc::ALM2Mode, Pc::Unit}, true);
        break;
    case 12:
        if (a) {
            slot.HeatCoolCode = w_(0);
            runStop(w_(1));
            slot.ComWriteEnabled = w_(2);
        } else {
            SetEntryItem(InputType, Pc::InputB, w_(0));
            SetEntryItem(ControlMethod, Pc::CtrlSet, w_(1));
            SetEntry(Period1, Pc::HCPeriod1, w_(3), slot);
            SetValue(Pc::HCPeriodPID1, w_(3), slot);
            SetEntry(Period2, Pc::HCPeriod2, w_(4), slot);
            SetValue(Pc::HCPeriodPID2, w_(4), slot);
            SetEntry(PvOffset, Pc::PVTune, w_(5), slot);
            if (b) {
                slot.HeatCoolCode = w_(2);
                SetEntryItem(Lock, Pc::LockStatus, w_(6) / 10 + w_(6) % 10);
                SetEntryItem(SystemAlarm, Pc::SALMode, w_(7));
            } else {
                slot.Output1Function = w_(2);
                slot.Output2Function = w_(7);
                SetItem(Pc::Out1Sel, w_(2));
                SetItem(Pc::Out2Sel, w_(7));
                const int level = slot.SecurityLevel;
                SetEntryItem(Lock, Pc::LockStatus, (level & 1) ? 1 : (level & 6) ? 2 : 0);
            }
        }
        SetItem(Pc::HeatCool, slot.HeatCoolCode);
        SetItem(Pc::ComWrite, slot.ComWriteEnabled);
        switch (ParameterValues[ControlMethod]) {
        case 1: FrontBox = Front::OnOff; break;
        case 2: FrontBox = Front::Manual; break;
        default: FrontBox = Front::PID; break;
        }
        // Auto-tuning belongs to PID control.
        (*this)[Pc::AT].Visible = FrontBox == Front::PID;
        SetVisible({Pc::CtrlSet, Pc::PVTune, Pc::HeatCool, Pc::HCPeriod1, Pc::HCPeriodPID1, Pc::LockStatus,
                    Pc::ComWrite},
                   true);
        SetItem(Pc::RunStop, slot.RunStopCode == 4 ? 0 : slot.RunStopCode);
        break;
    case 13:
        if (a) {
            SetEntry(PbEntry, Pc::Pb, w_(0), slot);
            SetEntry(TiEntry, Pc::Ti, w_(1), slot);
            SetEntry(TdEntry, Pc::Td, w_(2), slot);
            SetEntry(Hyst1Entry, Pc::Hyst1, w_(3), slot);
            SetEntry(TuneHigh, Pc::CurrHi, w_(4), slot);
            SetEntry(TuneLow, Pc::CurrLo, w_(5), slot);
            SetEntry(IOffsetEntry, Pc::IOffset, 10 * w_(6), slot);
        } else {
            SetEntry(Up2, Pc::UpLimit2, w_(0), slot);
            SetEntry(Down2, Pc::DnLimit2, w_(1), slot);
            SetEntry(Up3, Pc::UpLimit3, w_(2), slot);
            SetEntry(Down3, Pc::DnLimit3, w_(3), slot);
            SetEntry(PbEntry, Pc::Pb, w_(4), slot);
            SetEntry(TiEntry, Pc::Ti, w_(5), slot);
            SetEntry(TdEntry, Pc::Td, w_(6), slot);
            SetEntry(IOffsetEntry, Pc::IOffset, w_(7), slot);
        }
        SetVisible({Pc::Pb, Pc::Ti, Pc::Td, Pc::IOffset, Pc::Hyst1, Pc::CurrHi, Pc::CurrLo}, true);
        PdOffsetFront = ParameterValues[TiEntry] == 0;
        break;
    case 14:
        slot.SetValue = w_(0);
        SetValue(Pc::SV, w_(0), slot);
        if (a) {
            SetEntry(Up1, Pc::UpLimit1, w_(1), slot);
            SetEntry(Down1, Pc::DnLimit1, w_(2), slot);
            SetEntry(Up2, Pc::UpLimit2, w_(3), slot);
            SetEntry(Down2, Pc::DnLimit2, w_(4), slot);
            SetEntry(RangeHigh, Pc::RangeHi, w_(5), slot);
            SetEntry(RangeLow, Pc::RangeLo, w_(6), slot);
        } else {
            SetEntry(RangeHigh, Pc::RangeHi, w_(3), slot);
            SetEntry(RangeLow, Pc::RangeLo, w_(4), slot);
            SetEntry(Up1, Pc::UpLimit1, w_(5), slot);
            SetEntry(Down1, Pc::DnLimit1, w_(6), slot);
        }
        SetVisible({Pc::RangeHi, Pc::RangeLo, Pc::UpLimit1, Pc::DnLimit1, Pc::UpLimit2, Pc::DnLimit2, Pc::SV}, true);
        if (ParameterValues[ControlMethod] == 2) {
            SetValue(Pc::OUTQ1, slot.Output1Level, slot);
            if (!a)
                SetValue(Pc::OUTQ2, slot.Output2Level, slot);
        }
        result.Completed = true;
        break;
    case 20:
        SetItem(Pc::OutputType1, w_(0));
        if (a) {
            SetValue(Pc::RTDOfs, w_(1), slot);
            SetValue(Pc::RTDGain, w_(2), slot);
            SetValue(Pc::ColdJ, w_(3), slot);
            SetValue(Pc::TCGain, w_(6), slot);
            SetValue(Pc::TCOfs, w_(7), slot);
            result.StepBecomes21 = true;
        } else {
            SetItem(Pc::OutputType2, w_(1));
            SetValue(Pc::RTDOfs, w_(2), slot);
            SetValue(Pc::RTDGain, w_(3), slot);
            SetValue(Pc::TCOfs, w_(4), slot);
            SetValue(Pc::TCGain, w_(5), slot);
            SetValue(Pc::ColdJ, w_(6), slot);
        }
        ShowCalibration(true, slot.SlotModel);
        result.CalibrationRead = true;
        break;
    case 21:
        SetValue(Pc::mVOfs, w_(0), slot);
        SetValue(Pc::mVGain, w_(1), slot);
        ShowCalibration(true, slot.SlotModel);
        result.CalibrationRead = true;
        break;
    default:
        break;
    }
    return result;
}

void ParameterPage::ShowCalibration(bool shown, std::uint8_t model)
{
    CalibrationShown = shown;
    SetVisible({Pc::OutputType1, Pc::RTDOfs, Pc::RTDGain, Pc::TCOfs, Pc::TCGain, Pc::ColdJ}, shown);
    SetVisible({Pc::OutputType2, Pc::mVOfs, Pc::mVGain}, shown && model != ModelA);
}

void ParameterPage::Refresh(const MonitorSlot &slot, bool calibrationCode, PageMenus &menus)
{
    const std::uint8_t model = slot.SlotModel;
    const bool a = model == ModelA;
    const bool b = model == ModelB;
    const bool c = model == ModelC;
    const int f1 = slot.Output1Function;
    const int f2 = slot.Output2Function;
    const bool out2Group = b ? slot.HeatCoolCode >= 2 : c && f2 < 2;

    SetVisible({Pc::ALM1Mode, Pc::UpLimit1, Pc::DnLimit1}, !c || f1 == 2);
    SetVisible({Pc::ALM2Mode, Pc::UpLimit2, Pc::DnLimit2}, !c || f2 == 2);
    SetVisible({Pc::ALM3Mode, Pc::UpLimit3, Pc::DnLimit3}, b && slot.HeatCoolCode < 2);
    SetVisible({Pc::SALMode}, b);
    SetVisible({Pc::Pointer}, !a);
    SetVisible({Pc::HCPeriod1, Pc::HCPeriodPID1, Pc::OUTQ1, Pc::Hyst1}, !c || f1 < 2);
    SetVisible({Pc::HCPeriod2, Pc::HCPeriodPID2, Pc::OUTQ2, Pc::Hyst2}, out2Group);
    SetVisible({Pc::DeadBand1, Pc::DeadBand2, Pc::Coeff}, c ? f1 < 2 && f2 < 2 && f1 != f2 : out2Group);
    SetVisible({Pc::HeatCool, Pc::ComWrite}, !c);
    SetVisible({Pc::Out1Sel, Pc::Out2Sel}, c);
    // Model A's input types are a list of their own.
    SetVisible({Pc::InputA}, a);
    SetVisible({Pc::InputB}, !a);
    HeatCoolLabel = c ? MessageTable::Out1Text : MessageTable::HeatCoolText;
    ComWriteLabel = c ? MessageTable::Out2Text : MessageTable::ComWriteText;
    SecurityVisible = c && !calibrationCode;

    const bool lowLevel = (slot.SecurityLevel & 3) != 0;
    menus.RampSoak = (b || c) && !(c && lowLevel);
    menus.Upload = !(c && lowLevel);

    // Enabling.
    Blanked = false;
    bool writable = false;
    if (!c) {
        writable = slot.ComWriteEnabled == 1;
        (*this)[Pc::AT].Enabled = writable;
        (*this)[Pc::SV].Enabled = writable;
    } else {
        writable = slot.SecurityLevel == 8;
        if (slot.SecurityLevel >= 4) {
            (*this)[Pc::AT].Enabled = true;
            (*this)[Pc::SV].Enabled = true;
            SetItem(Pc::Pointer, slot.DecimalsCode == 255 ? 0 : slot.DecimalsCode);
        } else {
            (*this)[Pc::AT].Enabled = false;
            const bool svOnly = slot.SecurityLevel == 2;
            (*this)[Pc::SV].Enabled = svOnly;
            SetItem(Pc::LockStatus, svOnly ? 2 : 1);
            Blank(slot);
        }
    }
    BoxesEnabled = writable;
}

void ParameterPage::Blank(const MonitorSlot &slot)
{
    Blanked = true;
    for (Pc id : {Pc::PVTune, Pc::ALM1Mode, Pc::ALM2Mode, Pc::ALM3Mode, Pc::UpLimit1, Pc::DnLimit1, Pc::UpLimit2,
                  Pc::DnLimit2, Pc::UpLimit3, Pc::DnLimit3, Pc::SALMode, Pc::OUTQ1, Pc::OUTQ2, Pc::CurrHi, Pc::CurrLo,
                  Pc::Hyst1, Pc::Hyst2, Pc::HCPeriod1, Pc::HCPeriod2, Pc::DeadBand2, Pc::Pb, Pc::Ti, Pc::Td,
                  Pc::HCPeriodPID1, Pc::IOffset, Pc::HCPeriodPID2, Pc::Coeff, Pc::DeadBand1}) {
        (*this)[id].Item = -1;
        (*this)[id].Text = QStringLiteral("?");
    }
    for (Pc id : {Pc::InputA, Pc::InputB, Pc::Unit, Pc::Pointer, Pc::CtrlSet, Pc::RunStop, Pc::HeatCool, Pc::Out1Sel,
                  Pc::Out2Sel, Pc::AT}) {
        (*this)[id].Item = -1;
        (*this)[id].Text.clear();
    }
    (*this)[Pc::RangeHi].Text.clear();
    (*this)[Pc::RangeLo].Text.clear();
    // The set value is what the front panel shows; it stays readable.
    SetValue(Pc::SV, slot.SetValue, slot);
}
