#include "ParameterMap.h"

namespace {

using B = PageBox;
constexpr int D = SlotDecimals;
constexpr int N = NoRegister;

ParamControl Edit(Pc id, const char *name, const char *labelName, const char *label, int regA, int regBC, int decA,
                  int decBC, int scaleA, int scaleBC, bool unlock, PageBox box)
{
    return {id, name, labelName, label, ControlKind::Edit, regA, regBC, decA, decBC, scaleA, scaleBC, unlock, box, {}};
}

ParamControl List(Pc id, const char *name, const char *labelName, const char *label, int regA, int regBC, bool unlock,
                  PageBox box, QStringList items)
{
    return {id, name, labelName, label, ControlKind::List, regA, regBC, 0, 0, 1, 1, unlock, box, std::move(items)};
}

std::array<ParamControl, ParamControlCount> MakeTable()
{
    const QStringList alarmModes = AlarmModeItems();
    std::array<ParamControl, ParamControlCount> t{{
        Edit(Pc::SV, "SV", "SVLb", "SV", 0x4701, 0x4701, D, D, 10, 10, false, B::None),
        Edit(Pc::RangeHi, "RangeHi", "RangeHiLb", "Range Hi", 0x4706, 0x4704, D, D, 10, 10, false, B::TempBox),
        Edit(Pc::RangeLo, "RangeLo", "RangeLoLb", "Range Lo", 0x4707, 0x4705, D, D, 10, 10, false, B::TempBox),
        Edit(Pc::Pb, "Pb", "PbLb", "Pb", 0x4708, 0x470C, 1, 1, 10, 10, false, B::PIDBox),
        Edit(Pc::Ti, "Ti", "TiLb", "Ti", 0x4709, 0x470D, 0, 0, 1, 1, false, B::PIDBox),
        Edit(Pc::Td, "Td", "TdLb", "Td", 0x470A, 0x470E, 0, 0, 1, 1, false, B::PIDBox),
        Edit(Pc::IOffset, "IOffset", "IOffsetLb", "I Offset", 0x470E, 0x470F, 1, 1, 1, 10, false, B::PIDBox),
        Edit(Pc::PDOffset, "PDOffset", "PDOffsetLb", "PD Offset", 0x4713, 0x4710, 1, 1, 10, 10, false, B::PIDBox),
        Edit(Pc::HCPeriodPID1, "HCPeriodPID1", "PERIOD1Lb", "Ctrl. Period1", 0x4712, 0x471B, 0, 0, 1, 1, false, B::PIDBox),
        Edit(Pc::HCPeriod1, "HCPeriod1", "CPeriod1Lb", "Ctrl. Period1", 0x4712, 0x471B, 0, 0, 1, 1, false, B::ManuBox),
        Edit(Pc::HCPeriodPID2, "HCPeriodPID2", "PERIOD2Lb", "Ctrl. Period2", N, 0x471C, 0, 0, 1, 1, false, B::PIDBox),
        Edit(Pc::HCPeriod2, "HCPeriod2", "CPeriod2Lb", "Ctrl. Period2", N, 0x471C, 0, 0, 1, 1, false, B::ManuBox),
        Edit(Pc::Coeff, "Coeff", "CoeffLb", "P Coefficient", N, 0x4711, 2, 2, 100, 100, false, B::PIDBox),
        Edit(Pc::DeadBand1, "DeadBand1", "DeadLb1", "DeadBand", N, 0x4712, 1, 1, 10, 10, false, B::PIDBox),
        Edit(Pc::DeadBand2, "DeadBand2", "DeadLb2", "DeadBand", N, 0x4712, 1, 1, 10, 10, false, B::OnOffBox),
        Edit(Pc::Hyst1, "Hyst1", "Hyst1Lb", "Hystersis 1", 0x470B, 0x4713, D, D, 10, 10, false, B::OnOffBox),
        Edit(Pc::Hyst2, "Hyst2", "Hyst2Lb", "Hysterisis 2", N, 0x4714, D, D, 10, 10, false, B::OnOffBox),
        Edit(Pc::OUTQ1, "OUTQ1", "OUTQ1Lb", "Output 1 %", 0x472A, 0x4702, 255, 1, 1, 10, false, B::ManuBox),
        Edit(Pc::OUTQ2, "OUTQ2", "OUTQ2Lb", "Output 2 %", N, 0x4703, 1, 1, 10, 10, false, B::ManuBox),
        Edit(Pc::CurrHi, "CurrHi", "CurrHiLb", "Tune Out High ", 0x470C, 0x4715, 0, 0, 1, 1, false, B::PIDBox),
        Edit(Pc::CurrLo, "CurrLo", "CurrLoLb", "Tune Out Low", 0x470D, 0x4716, 0, 0, 1, 1, false, B::PIDBox),
        Edit(Pc::UpLimit1, "UpLimit1", "UP1LLb", "Up", 0x4702, 0x4706, D, D, 10, 10, false, B::AlmBox),
        Edit(Pc::DnLimit1, "DnLimit1", "DN1LLb", "Down", 0x4703, 0x4707, D, D, 10, 10, false, B::AlmBox),
        Edit(Pc::UpLimit2, "UpLimit2", "UP2LLb", "Up", 0x4704, 0x4708, D, D, 10, 10, false, B::AlmBox),
        Edit(Pc::DnLimit2, "DnLimit2", "DN2LLb", "Down", 0x4705, 0x4709, D, D, 10, 10, false, B::AlmBox),
        Edit(Pc::UpLimit3, "UpLimit3", "UP3LLb", "Up", N, 0x470A, D, D, 10, 10, false, B::AlmBox),
        Edit(Pc::DnLimit3, "DnLimit3", "DN3LLb", "Down", N, 0x470B, D, D, 10, 10, false, B::AlmBox),
        Edit(Pc::PVTune, "PVTune", "PVTuneLb", "PV Offset", 0x4714, 0x471D, 1, 1, 10, 10, true, B::AdjustBox),
        Edit(Pc::ColdJ, "ColdJ", "ColdJLb", "Cold-J Offset", 0x4723, 0x4736, 1, 1, 10, 10, true, B::AdjustBox),
        Edit(Pc::RTDOfs, "RTDOfs", "RTDOfsLb", "RTD Offset", 0x4721, 0x4732, 1, 1, 10, 10, true, B::AdjustBox),
        Edit(Pc::RTDGain, "RTDGain", "RTDGainLb", "RTD Gain", 0x4722, 0x4733, 0, 0, 1, 1, true, B::AdjustBox),
        Edit(Pc::TCOfs, "TCOfs", "TCOfsLb", "TC Offset", 0x4727, 0x4734, 0, 0, 1, 1, true, B::AdjustBox),
        Edit(Pc::TCGain, "TCGain", "TCGainLb", "TC Gain", 0x4726, 0x4735, 0, 0, 1, 1, true, B::AdjustBox),
        Edit(Pc::mVOfs, "mVOfs", "mVOfsLb", "Linear Offset", N, 0x4737, 0, 0, 1, 1, true, B::AdjustBox),
        Edit(Pc::mVGain, "mVGain", "mVGainLb", "Linear Gain", N, 0x4738, 0, 0, 1, 1, true, B::AdjustBox),

        List(Pc::CtrlSet, "CtrlSet", "CtrlSetLb", "Ctrl. Method", 0x4711, 0x4719, false, B::CtrlBox,
             {"PID", "ON-OFF", "Manual", "Ramp Soak"}),
        List(Pc::RunStop, "RunStop", "RunStopLb", "Run/Stop", 0x4719, 0x4723, false, B::CtrlBox,
             {"Stop", "Run", "Stop Program", "Hold Program"}),
        List(Pc::HeatCool, "HeatCool", "HeatCoolLb", "Heat/Cool", 0x4718, 0x471A, false, B::CtrlBox,
             {"Heat", "Cool", "Heat/Cool", "Cool/Heat"}),
        List(Pc::Out1Sel, "Out1Sel", "HeatCoolLb", "Out1", 0x4718, 0x471A, false, B::CtrlBox,
             {"Heat", "Cool", "Alarm", "ReTransmission"}),
        List(Pc::Out2Sel, "Out2Sel", "ComWLb", "Out2", N, 0x471F, false, B::None, {"Heat", "Cool", "Alarm"}),
        List(Pc::ComWrite, "ComWrite", "ComWLb", "Com. Write", 0x471A, 0x4726, false, B::None, {"Disable", "Enable"}),
        List(Pc::LockStatus, "LockStatus", "LockStatusLb", "Lock Status", 0x4731, 0x471E, false, B::CtrlBox,
             {"Normal", "Lock All", "Not SV"}),
        List(Pc::AT, "AT", "ATLb", "Auto tuning", 0x4729, 0x4727, false, B::None, {"Stop", "Start"}),
        List(Pc::InputA, "InputA", "InputBLb", "Input Type", 0x4710, N, false, B::TempBox,
             {"K-Type1", "K-Type2", "J-Type1", "J-Type2", "T-Type1", "T-Type2", "E-Type", "N-Type", "R-Type", "S-Type",
              "B-Type", "JPt100-1", "JPt100-2", "Pt100-1", "Pt100-2", "Pt100-3", "L-Type", "U-Type", "TXK"}),
        List(Pc::InputB, "InputB", "InputBLb", "Input Type", N, 0x4718, false, B::TempBox,
             {"K-Type", "J-Type", "T-Type", "E-Type", "N-Type", "R-Type", "S-Type", "B-Type", "L-Type", "U-Type", "TXK",
              "JPt100", "Pt100", "0~5V", "0~10V", "0~20mA", "4~20mA", "0~50mV"}),
        List(Pc::Unit, "Unit", "UnitLb", "Unit", 0x4717, 0x4724, false, B::TempBox, {"F", "C", "EU"}),
        List(Pc::Pointer, "Pointer", "PointerLb", "Decimal", N, 0x4725, false, B::TempBox, {"None", "1", "2", "3"}),
        List(Pc::ProgDisp, "ProgDisp", "", "", N, 0x4762, false, B::None, {"Pattern-Step", "SV", "Time Left"}),
        List(Pc::ALM1Mode, "ALM1Mode", "ALM1MLb", "Alarm 1 Mode", 0x4715, 0x4720, false, B::AlmBox, alarmModes),
        List(Pc::ALM2Mode, "ALM2Mode", "ALM2MLb", "Alarm 2 Mode", 0x4716, 0x4721, false, B::AlmBox, alarmModes),
        List(Pc::ALM3Mode, "ALM3Mode", "ALM3MLb", "Alarm 3 Mode", N, 0x4722, false, B::AlmBox, alarmModes),
        List(Pc::SALMode, "SALMode", "SAlmLb", "System Alarm", N, 0x471F, false, B::AlmBox,
             {"Disable", "Alarm1", "Alarm2", "Alarm3"}),
        List(Pc::OutputType1, "OutputType1", "OutType1LB", "Output Type1", 0x4720, 0x4730, true, B::AdjustBox,
             {"Relay", "Voltage Pulse", "4~20mA", "0~5V", "0~10V", "None"}),
        List(Pc::OutputType2, "OutputType2", "OutType2LB", "Output Type2", N, 0x4731, true, B::AdjustBox,
             {"Relay", "Voltage Pulse", "None"}),
    }};
    return t;
}

} // namespace

const QStringList &AlarmModeItems()
{
    static const QStringList items{"Alarm Disable",        "Up-Down Limit",       "Up Limit",
                                   "Down Limit",           "Reverse Up-Down Limit", "Absolute Up-Down Limit",
                                   "Absolute Up Limit",    "Absolute Down Limit", "Standby Up-Down Limit",
                                   "Standby Up Limit",     "Standby Down Limit",  "Hysterics Up Limit",
                                   "Hysterics Down Limit", "CT Alarm"};
    return items;
}

const std::array<ParamControl, ParamControlCount> &ParamControls()
{
    static const std::array<ParamControl, ParamControlCount> table = MakeTable();
    return table;
}

const ParamControl &Control(Pc id)
{
    return ParamControls()[static_cast<size_t>(id)];
}

std::optional<Pc> ControlByName(const QString &name)
{
    for (const ParamControl &c : ParamControls()) {
        if (name == QLatin1String(c.Name))
            return c.Id;
    }
    return std::nullopt;
}

bool IsCalibrationControl(Pc id)
{
    switch (id) {
    case Pc::ColdJ:
    case Pc::RTDOfs:
    case Pc::RTDGain:
    case Pc::TCOfs:
    case Pc::TCGain:
    case Pc::mVOfs:
    case Pc::mVGain:
    case Pc::OutputType1:
    case Pc::OutputType2:
        return true;
    default:
        return false;
    }
}

int RegisterFor(Pc id, std::uint8_t model)
{
    const ParamControl &c = Control(id);
    if (model == ModelA)
        return c.RegisterA;
    if (id == Pc::Pointer && model == ModelC)
        return NoRegister;
    return c.RegisterBC;
}

int DecimalsFor(Pc id, const MonitorSlot &slot)
{
    const ParamControl &c = Control(id);
    const int code = slot.SlotModel == ModelA ? c.DecimalsA : c.DecimalsBC;
    return code == SlotDecimals ? slot.DecimalsCode : code;
}
