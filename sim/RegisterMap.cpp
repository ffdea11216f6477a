#include "RegisterMap.h"

#include <algorithm>
#include <vector>

namespace {

using Q = Quantity;

constexpr int TempMin = -1999;  // what a four-digit display shows, in tenths
constexpr int TempMax = 9999;
constexpr int CalMin = -999;
constexpr int CalMax = 999;

RegisterDef Status(int address, Quantity what)
{
    return {address, what, Access::ReadOnly, false, Storage::None, -1, 0, 0};
}

RegisterDef Setting(int address, Quantity what, int min, int max, bool unlock = false)
{
    return {address, what, Access::ReadWrite, unlock, Storage::None, -1, min, max};
}

RegisterDef Stored(int address, Quantity what, Storage where, int offset, int min, int max, bool unlock = false)
{
    return {address, what, Access::ReadWrite, unlock, where, offset, min, max};
}

RegisterDef Command(int address, Quantity what)
{
    return {address, what, Access::WriteOnly, true, Storage::None, -1, UnlockCode, UnlockCode};
}

void AddProgramRegisters(std::vector<RegisterDef> &map)
{
    for (int i = 0; i <= ProgramLastRegister - ProgramFirstRegister; ++i) {
        RegisterDef def{ProgramFirstRegister + i, Q::ProgramRegister, Access::ReadWrite, false, Storage::Byte,
                        PatternBytesOffset + i, 0, 0};
        if (i == 0 || i <= 8) {
            def.Max = 7;  // start pattern, last step of each pattern
        } else if (i <= 16) {
            def.Max = 99;  // loop counts
        } else if (i <= 24) {
            def.Max = 8;  // links; 8 ends the program
        } else {
            const int word = i - 25;
            def.Where = Storage::RampWord;
            def.Offset = 2 * word;
            if (word % 2 == 0) {
                def.Min = TempMin;
                def.Max = TempMax;
            } else {
                def.Max = 900;  // minutes, 15 h at most
            }
        }
        map.push_back(def);
    }
}

std::vector<RegisterDef> ModelAMap()
{
    return {
        Status(0x4700, Q::ProcessValue),
        Stored(0x4701, Q::SetValue, Storage::Word, 0, TempMin, TempMax),
        Stored(0x4702, Q::UpLimit1, Storage::Word, 2, TempMin, TempMax),
        Stored(0x4703, Q::DownLimit1, Storage::Word, 4, TempMin, TempMax),
        Stored(0x4704, Q::UpLimit2, Storage::Word, 6, TempMin, TempMax),
        Stored(0x4705, Q::DownLimit2, Storage::Word, 8, TempMin, TempMax),
        Stored(0x4706, Q::RangeHigh, Storage::Word, 16, TempMin, TempMax),
        Stored(0x4707, Q::RangeLow, Storage::Word, 18, TempMin, TempMax),
        Stored(0x4708, Q::Pb, Storage::Word, 20, 1, 9999),
        Stored(0x4709, Q::Ti, Storage::Word, 22, 0, 9999),
        Stored(0x470A, Q::Td, Storage::Word, 24, 0, 9999),
        Stored(0x470B, Q::Hysteresis1, Storage::Word, 26, 0, 9999),
        Stored(0x470C, Q::TuneOutHigh, Storage::Word, 34, 0, 100),
        Stored(0x470D, Q::TuneOutLow, Storage::Word, 36, 0, 100),
        Stored(0x470E, Q::IOffset, Storage::Byte, 29, 0, 100),
        Stored(0x470F, Q::ConfigFlags, Storage::Byte, 10, 0, 15),
        Stored(0x4710, Q::InputType, Storage::Byte, 12, 0, 18),
        Stored(0x4711, Q::ControlMethod, Storage::Byte, 13, 0, 2),
        Stored(0x4712, Q::Period1, Storage::Byte, 28, 1, 99),
        Stored(0x4713, Q::PdOffset, Storage::Byte, 30, 0, 100),
        Stored(0x4714, Q::PvOffset, Storage::SignedByte, 31, -100, 100, true),
        Stored(0x4715, Q::Alarm1Mode, Storage::Byte, 14, 0, 13),
        Stored(0x4716, Q::Alarm2Mode, Storage::Byte, 15, 0, 13),
        Stored(0x4717, Q::Unit, Storage::Byte, 32, 0, 2),
        // Heat or cool is bit 2 of the flags byte, the communication
        // write bit 0: both live in block byte 10.
        Setting(0x4718, Q::HeatCool, 0, 1),
        Setting(0x4719, Q::RunStop, 0, 1),
        Setting(0x471A, Q::ComWrite, 0, 1),
        Setting(0x471B, Q::FirmwareOrUnlock, UnlockCode, UnlockCode),
        Status(0x471C, Q::LedByte),
        Status(0x471D, Q::ChangeFlags),
        Status(0x471E, Q::Output1Percent),
        Status(0x471F, Q::ColdJunctionReading),
        Setting(0x4720, Q::OutputType1, 0, 5, true),
        Setting(0x4721, Q::RtdOffset, CalMin, CalMax, true),
        Setting(0x4722, Q::RtdGain, CalMin, CalMax, true),
        Setting(0x4723, Q::ColdJOffset, CalMin, CalMax, true),
        Command(0x4724, Q::RestoreDefault),
        Command(0x4725, Q::ClearAdjust),
        Setting(0x4726, Q::TcGain, CalMin, CalMax, true),
        Setting(0x4727, Q::TcOffset, CalMin, CalMax, true),
        Status(0x4728, Q::InputVoltage),
        Setting(0x4729, Q::AutoTuning, 0, 1),
        Stored(0x472A, Q::ManualOutput, Storage::Byte, 38, 0, 100),
        Status(0x472B, Q::PvFaultCode),
        Setting(0x472F, Q::ParameterStream, 0, 0xFFFF, true),
        Stored(0x4731, Q::LockStatus, Storage::Byte, 11, 0, 11),
        Status(0x4733, Q::Reserved),
        // No ramp/soak programs on model A: the display registers read 0.
        Status(0x4762, Q::Reserved),
        Status(0x4763, Q::Reserved),
        Status(0x4764, Q::Reserved),
        Status(0x4765, Q::Reserved),
        Status(0x4766, Q::Reserved),
    };
}

std::vector<RegisterDef> ModelBCMap(Model model)
{
    const bool b = model == Model::B;
    std::vector<RegisterDef> map{
        Status(0x4700, Q::ProcessValue),
        Stored(0x4701, Q::SetValue, Storage::Word, 24, TempMin, TempMax),
        Stored(0x4702, Q::Output1Level, Storage::Word, 100, 0, 1000),
        Stored(0x4703, Q::Output2Level, Storage::Word, 102, 0, 1000),
        Stored(0x4704, Q::RangeHigh, Storage::Word, 20, TempMin, TempMax),
        Stored(0x4705, Q::RangeLow, Storage::Word, 22, TempMin, TempMax),
        Stored(0x4706, Q::UpLimit1, Storage::Word, 0, TempMin, TempMax),
        Stored(0x4707, Q::DownLimit1, Storage::Word, 2, TempMin, TempMax),
        Stored(0x4708, Q::UpLimit2, Storage::Word, 4, TempMin, TempMax),
        Stored(0x4709, Q::DownLimit2, Storage::Word, 6, TempMin, TempMax),
        Stored(0x470A, Q::UpLimit3, Storage::Word, 8, TempMin, TempMax),
        Stored(0x470B, Q::DownLimit3, Storage::Word, 10, TempMin, TempMax),
        Stored(0x470C, Q::Pb, Storage::Word, 26, 1, 9999),
        Stored(0x470D, Q::Ti, Storage::Word, 28, 0, 9999),
        Stored(0x470E, Q::Td, Storage::Word, 30, 0, 9999),
        Stored(0x470F, Q::IOffset, Storage::Word, 32, 0, 1000),
        Stored(0x4710, Q::PdOffset, Storage::Word, 34, 0, 1000),
        Stored(0x4711, Q::Coefficient, Storage::Word, 40, 1, 999),
        Stored(0x4712, Q::DeadBand, Storage::Word, 42, CalMin, CalMax),
        Stored(0x4713, Q::Hysteresis1, Storage::Word, 36, 0, 9999),
        Stored(0x4714, Q::Hysteresis2, Storage::Word, 38, 0, 9999),
        Stored(0x4715, Q::TuneOutHigh, Storage::Word, 124, 0, 100),
        Stored(0x4716, Q::TuneOutLow, Storage::Word, 126, 0, 100),
        Stored(0x4717, Q::ConfigFlags, Storage::Byte, 12, 0, 127),
        Stored(0x4718, Q::InputType, Storage::Byte, 14, 0, 17),
        Stored(0x4719, Q::ControlMethod, Storage::Byte, 15, 0, 3),
        b ? Stored(0x471A, Q::HeatCool, Storage::Byte, 19, 0, 3)
          : Stored(0x471A, Q::Output1Function, Storage::Byte, 54, 0, 3),
        Stored(0x471B, Q::Period1, Storage::Byte, 48, 1, 99),
        Stored(0x471C, Q::Period2, Storage::Byte, 49, 1, 99),
        // Model B takes its PV offset without the unlock: its parameter
        // download writes it among the plain parameters.
        Stored(0x471D, Q::PvOffset, Storage::SignedByte, 50, -100, 100, !b),
        Stored(0x471E, Q::LockStatus, Storage::Byte, 13, 0, 11),
        b ? Stored(0x471F, Q::SystemAlarm, Storage::Byte, 51, 0, 3)
          : Stored(0x471F, Q::Output2Function, Storage::Byte, 55, 0, 2),
        Stored(0x4720, Q::Alarm1Mode, Storage::Byte, 16, 0, 13),
        Stored(0x4721, Q::Alarm2Mode, Storage::Byte, 17, 0, 13),
        Stored(0x4722, Q::Alarm3Mode, Storage::Byte, 18, 0, 13),
        Setting(0x4723, Q::RunStop, 0, 3),
        Stored(0x4724, Q::Unit, Storage::Byte, 128, 0, 2),
        // Model C keeps the decimal point at the front panel only.
        b ? Stored(0x4725, Q::DecimalPoint, Storage::Byte, 52, 0, 3)
          : RegisterDef{0x4725, Q::DecimalPoint, Access::ReadOnly, false, Storage::Byte, 52, 0, 0},
        Setting(0x4726, Q::ComWrite, 0, 1),
        Setting(0x4727, Q::AutoTuning, 0, 1),
        Status(0x4728, Q::LedByte),
        Status(0x4729, Q::ChangeFlags),
        Setting(0x472A, Q::FirmwareOrUnlock, UnlockCode, UnlockCode),
        Status(0x472B, Q::ProgramRunning),
        Status(0x472C, Q::ProgramDisplayValue),
        Status(0x472D, Q::CtCurrent),
        Status(0x472E, Q::ColdJunctionReading),
        Status(0x472F, Q::InputVoltage),
        Setting(0x4730, Q::OutputType1, 0, 5, true),
        Setting(0x4731, Q::OutputType2, 0, 2, true),
        Setting(0x4732, Q::RtdOffset, CalMin, CalMax, true),
        Setting(0x4733, Q::RtdGain, CalMin, CalMax, true),
        Setting(0x4734, Q::TcOffset, CalMin, CalMax, true),
        Setting(0x4735, Q::TcGain, CalMin, CalMax, true),
        Setting(0x4736, Q::ColdJOffset, CalMin, CalMax, true),
        Setting(0x4737, Q::LinearOffset, CalMin, CalMax, true),
        Setting(0x4738, Q::LinearGain, CalMin, CalMax, true),
        Setting(0x474C, Q::ParameterStream, 0, 0xFFFF, true),
        Setting(0x474D, Q::RampStream, 0, 0xFFFF, true),
        Command(0x474E, Q::RestoreDefault),
        Command(0x474F, Q::ClearAdjust),
        Status(0x4751, Q::SecurityStatus),
        Stored(0x4762, Q::ProgramDisplayMode, Storage::Byte, 130, 0, 2),
        Status(0x4763, Q::ProgramSecondsLeft),
        Status(0x4764, Q::ProgramMinutesLeft),
        Status(0x4765, Q::ProgramStep),
        Status(0x4766, Q::ProgramPattern),
    };
    AddProgramRegisters(map);
    if (b) {
        // The decimal point once more, where a download sets it.
        map.push_back(Stored(0x1017, Q::DecimalPoint, Storage::Byte, 52, 0, 3));
    } else {
        for (int k = 0; k < 3; ++k) {
            map.push_back({0x106B + k, Q::LevelPassword, Access::WriteOnly, false, Storage::None, -1, 0, 0xFFFF});
            map.push_back({0x106E + k, Q::KeySwitch, Access::WriteOnly, false, Storage::None, -1, 0, 0xFFFF});
        }
    }
    return map;
}

struct Maps {
    std::vector<RegisterDef> ByModel[3];
    Maps()
    {
        ByModel[0] = ModelAMap();
        ByModel[1] = ModelBCMap(Model::B);
        ByModel[2] = ModelBCMap(Model::C);
        for (auto &map : ByModel)
            std::sort(map.begin(), map.end(),
                      [](const RegisterDef &a, const RegisterDef &b) { return a.Address < b.Address; });
    }
};

const std::vector<RegisterDef> &MapOf(Model model)
{
    static const Maps maps;
    return maps.ByModel[static_cast<int>(model)];
}

} // namespace

const RegisterDef *FindRegister(Model model, int address)
{
    const auto &map = MapOf(model);
    const auto found = std::lower_bound(map.begin(), map.end(), address,
                                        [](const RegisterDef &def, int a) { return def.Address < a; });
    return found != map.end() && found->Address == address ? &*found : nullptr;
}

const RegisterDef *FindQuantity(Model model, Quantity what)
{
    const auto &map = MapOf(model);
    const RegisterDef *first = nullptr;
    for (const RegisterDef &def : map) {
        // The 0x47xx register rather than its alias in the 0x10xx range.
        if (def.What == what && (!first || (first->Address < 0x4700 && def.Address >= 0x4700)))
            first = &def;
    }
    return first;
}
