// The holding registers of the three controller models: what each address
// holds, who may write it, and where its value lives in the controller's
// 256-byte parameter block (so that the block and the registers always tell
// the same story, and an uploaded block downloads into another controller
// register by register).
#pragma once

#include "ControllerConfig.h"

enum class Quantity {
    ProcessValue,
    SetValue,
    Output1Level,  // B/C: the output; writable as the manual output in manual mode
    Output2Level,
    Output1Percent,  // A: the output in whole percent
    ManualOutput,    // A: the manual output in whole percent
    RangeHigh,
    RangeLow,
    UpLimit1,
    DownLimit1,
    UpLimit2,
    DownLimit2,
    UpLimit3,
    DownLimit3,
    Pb,
    Ti,
    Td,
    IOffset,
    PdOffset,
    Coefficient,
    DeadBand,
    Hysteresis1,
    Hysteresis2,
    TuneOutHigh,
    TuneOutLow,
    ConfigFlags,  // A 0x470F, B/C 0x4717: bit 0 is the communication write
    InputType,
    ControlMethod,
    HeatCool,
    Output1Function,
    Output2Function,
    Period1,
    Period2,
    PvOffset,
    LockStatus,
    SystemAlarm,
    Alarm1Mode,
    Alarm2Mode,
    Alarm3Mode,
    RunStop,
    Unit,
    DecimalPoint,
    ComWrite,
    AutoTuning,
    LedByte,
    ChangeFlags,
    FirmwareOrUnlock,  // reads the firmware word, takes the unlock code
    ProgramRunning,
    ProgramDisplayValue,
    CtCurrent,
    ColdJunctionReading,
    InputVoltage,
    PvFaultCode,
    Reserved,
    OutputType1,
    OutputType2,
    RtdOffset,
    RtdGain,
    TcOffset,
    TcGain,
    ColdJOffset,
    LinearOffset,
    LinearGain,
    ParameterStream,
    RampStream,
    RestoreDefault,
    ClearAdjust,
    SecurityStatus,
    ProgramDisplayMode,
    ProgramSecondsLeft,
    ProgramMinutesLeft,
    ProgramStep,
    ProgramPattern,
    ProgramRegister,  // 0x4767-0x47FF
    LevelPassword,    // 0x106B-0x106D
    KeySwitch,        // 0x106E-0x1070
};

enum class Access { ReadOnly, ReadWrite, WriteOnly };

enum class Storage {
    None,        // state of its own, or computed
    Word,        // big-endian word in the parameter block
    Byte,        // one unsigned byte of the parameter block
    SignedByte,  // one byte of the parameter block holding a signed value
    RampWord,    // big-endian word in the ramp/soak step block
};

struct RegisterDef {
    int Address = 0;
    Quantity What = Quantity::Reserved;
    Access Rights = Access::ReadOnly;
    bool NeedsUnlock = false;
    Storage Where = Storage::None;
    int Offset = -1;  // in the block that Where names
    int Min = 0;      // accepted values of a write; Min < 0 means the
    int Max = 0;      // 16-bit value is taken as signed
};

inline constexpr int UnlockCode = 0x6B2E;
inline constexpr int BlockSize = 256;
inline constexpr int ProgramFirstRegister = 0x4767;
inline constexpr int ProgramLastRegister = 0x47FF;
inline constexpr int PatternBytesOffset = 231;  // start pattern, step max, loops, links

// nullptr when the model has no register at that address.
const RegisterDef *FindRegister(Model model, int address);
// The register holding a quantity on a model; nullptr when it has none.
// For program registers and the security registers, the first of them.
const RegisterDef *FindQuantity(Model model, Quantity what);
