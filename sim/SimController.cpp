#include "SimController.h"

#include "FactorySettings.h"

#include <algorithm>
#include <cmath>

namespace {

using Q = Quantity;

bool IsCalibration(Quantity what)
{
    switch (what) {
    case Q::OutputType1:
    case Q::OutputType2:
    case Q::RtdOffset:
    case Q::RtdGain:
    case Q::TcOffset:
    case Q::TcGain:
    case Q::ColdJOffset:
    case Q::LinearOffset:
    case Q::LinearGain:
        return true;
    default:
        return false;
    }
}

// What model C shows below security level 4: the front panel's values.
bool ReadableWhenLocked(int reg)
{
    return (reg >= 0x4700 && reg <= 0x4703) || reg == 0x4728 || reg == 0x4751 || (reg >= 0x4762 && reg <= 0x4766) ||
           (reg >= 0x106B && reg <= 0x1070);
}

} // namespace

SimController::SimController(EventClock &clock, const ControllerConfig &config)
    : Clock(clock), Setup(config), Params(FactoryParameters(config.Kind)), Ramp(FactoryRamp(config.Kind)),
      Process(clock.NowMs(), 250)
{
    for (Quantity what : {Q::OutputType1, Q::OutputType2, Q::RtdOffset, Q::RtdGain, Q::TcOffset, Q::TcGain,
                          Q::ColdJOffset, Q::LinearOffset, Q::LinearGain})
        Calibration[what] = 0;
    Injected.SetSeed(0x5EED0000ULL + static_cast<std::uint64_t>(config.Address));
}

void SimController::SetConfig(const ControllerConfig &config)
{
    const Model kind = Setup.Kind;
    Setup = config;
    Setup.Kind = kind;
}

// ---- stored values ---------------------------------------------------------

int SimController::ParamByte(int offset) const
{
    if (offset == FlagsOffset())
        return DisplayedFlags();
    return Params[static_cast<size_t>(offset)];
}

int SimController::DisplayedFlags() const
{
    if (Setup.Kind == Model::A)
        return Params[10] & 0x0F;
    // Bit 4: a decimal point is shown; bit 5: a program runs. Both follow
    // the controller's state, whatever was written.
    return (Params[12] & 0x4F) | (Params[52] != 0 ? 0x10 : 0) | (Process.ProgramActive() ? 0x20 : 0);
}

int SimController::ReadField(const RegisterDef &def) const
{
    switch (def.Where) {
    case Storage::Word: return GetWord(Params, def.Offset);
    case Storage::Byte: return ParamByte(def.Offset);
    case Storage::SignedByte: return static_cast<std::int8_t>(Params[static_cast<size_t>(def.Offset)]) & 0xFFFF;
    case Storage::RampWord: return GetWord(Ramp, def.Offset);
    case Storage::None: break;
    }
    return 0;
}

void SimController::WriteField(const RegisterDef &def, int value)
{
    switch (def.Where) {
    case Storage::Word: PutWord(Params, def.Offset, value); break;
    case Storage::Byte:
    case Storage::SignedByte: Params[static_cast<size_t>(def.Offset)] = static_cast<std::uint8_t>(value & 0xFF); break;
    case Storage::RampWord: PutWord(Ramp, def.Offset, value); break;
    case Storage::None: break;
    }
}

int SimController::Stored(Quantity what) const
{
    const RegisterDef *def = FindQuantity(Setup.Kind, what);
    if (!def || def->Where == Storage::None)
        return 0;
    const int raw = ReadField(*def);
    return def->Min < 0 ? static_cast<std::int16_t>(raw) : raw;
}

bool SimController::ComWriteEnabled() const
{
    return Params[static_cast<size_t>(FlagsOffset())] & 1;
}

void SimController::SetComWriteEnabled(bool enabled)
{
    auto &flags = Params[static_cast<size_t>(FlagsOffset())];
    flags = static_cast<std::uint8_t>(enabled ? flags | 1 : flags & ~1);
}

bool SimController::Unlocked() const
{
    return UnlockArmed && Clock.NowMs() - UnlockMs <= UnlockLifetimeMs;
}

void SimController::SetSecurity(int level, int keys)
{
    if (Setup.Kind != Model::C || (level != 8 && level != 4 && level != 2 && level != 1))
        return;
    Level = level;
    Keys = keys & 7;
}

int SimController::Password(int key) const
{
    return key >= 1 && key <= 3 ? Passwords[static_cast<size_t>(key - 1)] : 0;
}

void SimController::SetPassword(int key, int password)
{
    if (key >= 1 && key <= 3)
        Passwords[static_cast<size_t>(key - 1)] = password & 0xFFFF;
}

SimController::Block SimController::ParameterBlock()
{
    Catch();
    Block copy = Params;
    copy[static_cast<size_t>(FlagsOffset())] = static_cast<std::uint8_t>(DisplayedFlags());
    return copy;
}

void SimController::SetParameterByte(int offset, int value)
{
    if (offset < 0 || offset >= BlockSize)
        return;
    Catch();
    Params[static_cast<size_t>(offset)] = static_cast<std::uint8_t>(value & 0xFF);
    Process.SettingsChanged(Settings());
}

void SimController::SetRampByte(int offset, int value)
{
    if (offset < 0 || offset >= BlockSize)
        return;
    Catch();
    Ramp[static_cast<size_t>(offset)] = static_cast<std::uint8_t>(value & 0xFF);
}

void SimController::RestoreDefaults()
{
    // Parameters go back to the factory's; the programs stay.
    const Block factory = FactoryParameters(Setup.Kind);
    std::copy(factory.begin(), factory.begin() + PatternBytesOffset, Params.begin());
    Process.StopAutoTuning();
}

void SimController::ClearAdjustments()
{
    if (const RegisterDef *offset = FindQuantity(Setup.Kind, Q::PvOffset))
        WriteField(*offset, 0);
    for (auto &[what, value] : Calibration) {
        if (what != Q::OutputType1 && what != Q::OutputType2)
            value = 0;
    }
}

// ---- reading ---------------------------------------------------------------

int SimController::StreamRead(int &pointer, qint64 &lastUse, const Block &block, bool advance)
{
    const qint64 now = Clock.NowMs();
    const int at = now - lastUse > StreamRestartMs ? 0 : pointer;
    const int byte = &block == &Params ? ParamByte(at) : block[static_cast<size_t>(at)];
    if (advance) {
        pointer = (at + 1) & 0xFF;
        lastUse = now;
    }
    return at * 256 + byte;
}

int SimController::ReadValue(const RegisterDef &def, bool advance)
{
    const qint64 now = Clock.NowMs();
    const ControlSettings s = Settings();
    switch (def.What) {
    case Q::ProcessValue:
        if (SensorFault)
            return 0x8000 | SensorFault;
        return static_cast<int>(std::lround(Process.Pv())) + NoiseAt(now, 0);
    case Q::SetValue: return Process.EffectiveSetValue(s);
    case Q::Output1Level: return OutputLevels().first;
    case Q::Output2Level: return OutputLevels().second;
    case Q::Output1Percent: return OutputLevels().first / 10;
    case Q::ConfigFlags: return DisplayedFlags();
    case Q::HeatCool:
        if (def.Where == Storage::None)
            return (Params[10] >> 2) & 1;
        break;
    case Q::ComWrite: return ComWriteEnabled() ? 1 : 0;
    case Q::RunStop: return Process.RunState();
    case Q::AutoTuning: return Process.AutoTuning() ? 1 : 0;
    case Q::FirmwareOrUnlock: return Setup.Firmware & 0xFFFF;
    case Q::LedByte: return LedByte();
    case Q::ChangeFlags: {
        const int flags = (ChangeLatch ? 0 : 1) | (Process.Controlling() ? 2 : 0) | (Process.AutoTuning() ? 4 : 0);
        if (advance)
            ChangeLatch = false;  // reported once
        return flags;
    }
    case Q::ProgramRunning: return Process.ProgramActive() ? 1 : 0;
    case Q::ProgramDisplayValue: return Process.ProgramTarget(s);
    case Q::ColdJunctionReading: return static_cast<int>(Process.Ambient) + NoiseAt(now, 1);
    case Q::InputVoltage: return std::max(0, static_cast<int>(Process.Pv() * 41 / 100));
    case Q::PvFaultCode: return SensorFault;
    case Q::ParameterStream: return StreamRead(ParamPointer, ParamStreamMs, Params, advance);
    case Q::RampStream: return StreamRead(RampPointer, RampStreamMs, Ramp, advance);
    case Q::SecurityStatus: return (Level << 3) | Keys;
    case Q::ProgramSecondsLeft:
        return static_cast<int>(std::min<qint64>((Process.ProgramMsLeft(s) + 999) / 1000, 0xFFFF));
    case Q::ProgramMinutesLeft:
        return static_cast<int>(std::min<qint64>((Process.ProgramMsLeft(s) + 999) / 1000 / 60, 0xFFFF));
    case Q::ProgramStep: return Process.ProgramStep();
    case Q::ProgramPattern: return Process.ProgramPattern();
    default:
        if (IsCalibration(def.What))
            return Calibration[def.What];
        break;
    }
    return ReadField(def);
}

bool SimController::ReadAllowed(int reg) const
{
    return Setup.Kind != Model::C || Level >= 4 || ReadableWhenLocked(reg);
}

Pdu SimController::Read(const Pdu &request, int reg, int count)
{
    if (count < 1 || count > MaxReadCount)
        return ExceptionReply(request, IllegalData);
    std::vector<const RegisterDef *> defs;
    for (int a = reg; a < reg + count; ++a) {
        const RegisterDef *def = a <= 0xFFFF ? FindRegister(Setup.Kind, a) : nullptr;
        if (!def)
            return ExceptionReply(request, IllegalAddress);
        if (!ReadAllowed(a))
            return ExceptionReply(request, IllegalCommand);
        defs.push_back(def);
    }
    Pdu reply{request[0], request[1], static_cast<std::uint8_t>(2 * count)};
    for (const RegisterDef *def : defs) {
        const int value = def->Rights == Access::WriteOnly ? 0 : ReadValue(*def, true) & 0xFFFF;
        reply.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
        reply.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    return reply;
}

Pdu SimController::Identify(const Pdu &request, int reg, int count)
{
    if (reg != 0x0012)
        return ExceptionReply(request, IllegalAddress);
    if (count < 1 || count > 3)
        return ExceptionReply(request, IllegalData);
    const int words[3] = {2, Setup.Kind == Model::B ? 1 : 2, Setup.Firmware & 0xFFFF};
    Pdu reply{request[0], request[1], static_cast<std::uint8_t>(2 * count)};
    for (int i = 0; i < count; ++i) {
        reply.push_back(static_cast<std::uint8_t>(words[i] >> 8));
        reply.push_back(static_cast<std::uint8_t>(words[i] & 0xFF));
    }
    return reply;
}

// ---- writing ---------------------------------------------------------------

std::optional<int> SimController::Check(const RegisterDef &def, int value, bool unlocked, int &accepted) const
{
    const bool unlock = def.What == Q::FirmwareOrUnlock;
    // With writing disabled only the switch itself (and the flags word
    // that carries it) can be written, so that it can be switched on again.
    if (!ComWriteEnabled() && def.What != Q::ComWrite && def.What != Q::ConfigFlags)
        return IllegalCommand;
    if (Setup.Kind == Model::C && !unlock) {
        const bool allowed = Level >= 8 || (Level >= 4 && (def.What == Q::SetValue || def.What == Q::AutoTuning)) ||
                             (Level >= 2 && def.What == Q::SetValue);
        if (!allowed)
            return IllegalCommand;
    }
    if (def.NeedsUnlock && !unlocked)
        return IllegalCommand;
    int v = value & 0xFFFF;
    if (def.Where == Storage::SignedByte && v >= 0x80 && v <= 0xFF)
        v -= 0x100;  // a byte-wide value as a download sends it
    else if (def.Min < 0)
        v = static_cast<std::int16_t>(v);
    if (v < def.Min || v > def.Max)
        return IllegalData;
    if (def.What == Q::LockStatus) {
        if (Setup.Kind == Model::A) {
            // Model A keeps its lock codes in a form of its own: 0, 1 and 11
            // are stored as 0, 2 and 4 (which a download writes back as
            // they are), and read back as the list item the master chose.
            if (v == 1 || v == 11)
                v = v == 1 ? 2 : 4;
            else if (v != 0 && v != 2 && v != 4)
                return IllegalData;
        } else if (v != 0 && v != 1 && v != 11) {
            return IllegalData;
        }
    }
    if (def.What == Q::DecimalPoint && Stored(Q::InputType) < 13 && v > 1)
        return IllegalData;  // temperatures have one decimal at most
    accepted = v;
    return std::nullopt;
}

std::optional<int> SimController::Apply(const RegisterDef &def, int v)
{
    const ControlSettings before = Settings();
    switch (def.What) {
    case Q::SetValue:
        if (Process.ProgramActive())
            return IllegalCommand;  // the program owns the set value
        WriteField(def, v);
        break;
    case Q::Output1Level:
    case Q::Output2Level:
        if (before.ControlMethod != 2)
            return IllegalCommand;  // outputs are set by hand in manual mode only
        WriteField(def, v);
        break;
    case Q::ConfigFlags:
        Params[static_cast<size_t>(FlagsOffset())] = static_cast<std::uint8_t>(Setup.Kind == Model::A ? v & 0x0F : v & 0x4F);
        break;
    case Q::HeatCool:
        if (def.Where == Storage::None)
            Params[10] = static_cast<std::uint8_t>((Params[10] & ~0x04) | (v ? 0x04 : 0));
        else
            WriteField(def, v);
        break;
    case Q::ComWrite: SetComWriteEnabled(v != 0); break;
    case Q::RunStop:
        if (!Process.SetRunState(v, before))
            return IllegalCommand;
        break;
    case Q::AutoTuning:
        if (v == 0) {
            Process.StopAutoTuning();
        } else if (!Process.AutoTuning()) {
            if (!Process.Controlling() || before.ControlMethod != 0)
                return IllegalCommand;  // tuning needs PID control running
            Process.StartAutoTuning(Clock.NowMs());
        }
        break;
    case Q::FirmwareOrUnlock:
        UnlockArmed = true;
        UnlockMs = Clock.NowMs();
        // An upload starts with the unlock: its stream starts at offset 0.
        ParamPointer = 0;
        RampPointer = 0;
        break;
    case Q::ParameterStream: Params[static_cast<size_t>(v >> 8)] = static_cast<std::uint8_t>(v & 0xFF); break;
    case Q::RampStream: Ramp[static_cast<size_t>(v >> 8)] = static_cast<std::uint8_t>(v & 0xFF); break;
    case Q::RestoreDefault: RestoreDefaults(); break;
    case Q::ClearAdjust: ClearAdjustments(); break;
    case Q::InputType:
        WriteField(def, v);
        if (Setup.Kind == Model::B && v < 13 && Params[52] > 1)
            Params[52] = 1;
        break;
    default:
        if (IsCalibration(def.What))
            Calibration[def.What] = v;
        else if (def.Where != Storage::None)
            WriteField(def, v);
        else
            return IllegalAddress;
        break;
    }
    Process.SettingsChanged(Settings());
    return std::nullopt;
}

std::optional<int> SimController::WriteSecurity(const RegisterDef &def, int value)
{
    if (def.What == Q::LevelPassword) {
        const int key = def.Address - 0x106B;
        if (key == 0) {
            // Anything but the level-1 key locks everything.
            Level = value == Passwords[0] ? 8 : 1;
            return std::nullopt;
        }
        if (value != Passwords[static_cast<size_t>(key)])
            return IllegalData;
        Level = key == 1 ? 4 : 2;
        return std::nullopt;
    }
    const int key = def.Address - 0x106E;
    if (value != Passwords[static_cast<size_t>(key)])
        return IllegalData;
    Keys ^= 1 << key;
    return std::nullopt;
}

std::optional<int> SimController::Write(int reg, int value)
{
    const RegisterDef *def = FindRegister(Setup.Kind, reg);
    if (!def || def->Rights == Access::ReadOnly)
        return IllegalAddress;
    const bool unlocked = Unlocked();
    if (def->What != Q::FirmwareOrUnlock)
        UnlockArmed = false;  // an unlock covers the one write after it
    if (def->What == Q::LevelPassword || def->What == Q::KeySwitch)
        return WriteSecurity(*def, value);
    int accepted = 0;
    if (const auto refused = Check(*def, value, unlocked, accepted))
        return refused;
    return Apply(*def, accepted);
}

Pdu SimController::ExceptionReply(const Pdu &request, int code) const
{
    return {request.empty() ? static_cast<std::uint8_t>(Setup.Address) : request[0],
            static_cast<std::uint8_t>((request.size() > 1 ? request[1] : 0) | 0x80), static_cast<std::uint8_t>(code)};
}

std::optional<Pdu> SimController::Execute(const Pdu &request)
{
    if (request.size() < 2)
        return std::nullopt;
    ++Executed;
    Catch();
    const bool broadcast = request[0] == 0;
    const int function = request[1];
    const auto answer = [broadcast](Pdu reply) -> std::optional<Pdu> {
        if (broadcast)
            return std::nullopt;  // a broadcast is never answered
        return reply;
    };
    const bool known = function == 0x03 || function == 0x06 || (function == 0x67 && Setup.Kind != Model::A);
    if (!known)
        return answer(ExceptionReply(request, IllegalFunction));
    if (request.size() < 6)
        return answer(ExceptionReply(request, TooFewData));
    if (request.size() > 6)
        return answer(ExceptionReply(request, TooManyData));
    const int reg = request[2] * 256 + request[3];
    const int value = request[4] * 256 + request[5];
    switch (function) {
    case 0x03:
        if (broadcast)
            return std::nullopt;
        return Read(request, reg, value);
    case 0x67:
        if (broadcast)
            return std::nullopt;
        return Identify(request, reg, value);
    default:
        if (const auto refused = Write(reg, value))
            return answer(ExceptionReply(request, *refused));
        return answer(request);
    }
}

std::optional<int> SimController::Peek(int reg)
{
    const RegisterDef *def = FindRegister(Setup.Kind, reg);
    if (!def)
        return std::nullopt;
    Catch();
    return def->Rights == Access::WriteOnly ? 0 : ReadValue(*def, false) & 0xFFFF;
}

bool SimController::Poke(int reg, int value)
{
    const RegisterDef *def = FindRegister(Setup.Kind, reg);
    if (!def || def->Rights == Access::ReadOnly)
        return false;
    Catch();
    if (def->What == Q::LevelPassword || def->What == Q::KeySwitch)
        return !WriteSecurity(*def, value);
    int v = value & 0xFFFF;
    if (def->Min < 0 || def->Where == Storage::SignedByte)
        v = def->Where == Storage::SignedByte ? static_cast<std::int8_t>(v & 0xFF) : static_cast<std::int16_t>(v);
    return !Apply(*def, v);
}
