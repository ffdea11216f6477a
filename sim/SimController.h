// One simulated controller: its registers, parameter and ramp/soak blocks,
// write protection (communication write, unlock code, model C security
// levels), the process it controls, and the faults it is told to show.
// It answers request PDUs; framing and timing belong to the bus.
#pragma once

#include "ControllerConfig.h"
#include "EventClock.h"
#include "FactorySettings.h"
#include "Faults.h"
#include "ProcessModel.h"
#include "RegisterMap.h"
#include "SimFraming.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>

class SimController {
public:
    using Block = BlockBytes;

    // Exception codes this controller answers with.
    static constexpr int IllegalFunction = 1;
    static constexpr int IllegalAddress = 2;  // no such register, or not writable
    static constexpr int IllegalData = 3;     // value, count or password refused
    static constexpr int IllegalCommand = 4;  // not allowed now: locked, not unlocked, write disabled
    static constexpr int TooFewData = 12;
    static constexpr int TooManyData = 13;
    static constexpr int MaxReadCount = 32;
    // An unlock not followed by a write within this time lapses.
    static constexpr qint64 UnlockLifetimeMs = 10'000;
    // A block stream left alone this long starts again at offset 0.
    static constexpr qint64 StreamRestartMs = 3'000;

    SimController(EventClock &clock, const ControllerConfig &config);

    const ControllerConfig &Config() const { return Setup; }
    int Address() const { return Setup.Address; }
    Model Kind() const { return Setup.Kind; }
    // New address, link settings or firmware, as set at the front panel;
    // the model stays what it is.
    void SetConfig(const ControllerConfig &config);

    // One request (station, function, data) that reached this controller,
    // addressed to it or broadcast. The reply, or nothing for a broadcast.
    std::optional<Pdu> Execute(const Pdu &request);
    // The reply an exception would give to this request.
    Pdu ExceptionReply(const Pdu &request, int code) const;

    // Direct access for tests and set-up, bypassing every protection.
    // Peek: the 16-bit word a read would give now (a stream register: the
    // next pair, without moving on); nullopt for a register the model lacks.
    std::optional<int> Peek(int reg);
    // Poke: stores as an accepted write would; false for a register the
    // model lacks or one that only reports.
    bool Poke(int reg, int value);
    Block ParameterBlock();
    const Block &RampBlock() const { return Ramp; }
    void SetParameterByte(int offset, int value);
    void SetRampByte(int offset, int value);

    // Model C security. Level 8, 4, 2 or 1; keys bits 0-2 for keys 1-3.
    int SecurityLevel() const { return Level; }
    int LevelKeys() const { return Keys; }
    void SetSecurity(int level, int keys);
    int Password(int key) const;  // key 1-3
    void SetPassword(int key, int password);
    static constexpr std::array<int, 3> FactoryPasswords{0x1111, 0x2222, 0x3333};

    bool ComWriteEnabled() const;
    void SetComWriteEnabled(bool enabled);
    bool Unlocked() const;

    // The process.
    void SetNoise(bool on) { Noise = on; }
    void SetTimeConstantMs(int ms);
    void SetAmbient(int tenths);
    void SetProcessValue(int tenths);
    // An input fault code (1-7) makes the process value read 0x80nn; 0 clears it.
    void SetSensorFault(int code) { SensorFault = code & 0x7F; }
    void SetProgramMinuteMs(qint64 ms) { ProgramMinuteMs = std::max<qint64>(ms, 1); }

    FaultInjector &Faults() { return Injected; }

    int RequestsExecuted() const { return Executed; }

private:
    Pdu Read(const Pdu &request, int reg, int count);
    Pdu Identify(const Pdu &request, int reg, int count);
    std::optional<int> Write(int reg, int value);
    std::optional<int> WriteSecurity(const RegisterDef &def, int value);
    std::optional<int> Check(const RegisterDef &def, int value, bool unlocked, int &accepted) const;
    std::optional<int> Apply(const RegisterDef &def, int value);
    bool ReadAllowed(int reg) const;

    int ReadValue(const RegisterDef &def, bool advanceStreams);
    int ReadField(const RegisterDef &def) const;
    void WriteField(const RegisterDef &def, int value);
    int StreamRead(int &pointer, qint64 &lastUse, const Block &block, bool advance);

    void Catch();  // brings the process up to the clock
    ControlSettings Settings() const;
    int ParamByte(int offset) const;  // as the block stream shows it
    // A parameter by meaning, signed where it can be negative; 0 when the
    // model has none.
    int Stored(Quantity what) const;
    int FlagsOffset() const { return Setup.Kind == Model::A ? 10 : 12; }
    int DisplayedFlags() const;
    enum class Role { None, Heat, Cool, Alarm, Retransmit };
    Role OutputRole(int output) const;  // output 1 or 2
    std::pair<int, int> OutputLevels() const;  // output 1, output 2 in tenths of a percent
    bool OutputOn(int output, int level) const;
    bool AlarmActive(int alarm) const;  // alarm 1-3
    int LedByte() const;
    int NoiseAt(qint64 ms, int salt) const;
    void RestoreDefaults();
    void ClearAdjustments();

    EventClock &Clock;
    ControllerConfig Setup;
    Block Params{};
    Block Ramp{};
    std::map<Quantity, int> Calibration;
    ProcessModel Process;
    qint64 ProgramMinuteMs = 60'000;
    bool Noise = true;
    int SensorFault = 0;
    bool ChangeLatch = false;

    int Level = 8;
    int Keys = 0;
    std::array<int, 3> Passwords = FactoryPasswords;
    bool UnlockArmed = false;
    qint64 UnlockMs = 0;

    int ParamPointer = 0;
    int RampPointer = 0;
    qint64 ParamStreamMs = -StreamRestartMs;
    qint64 RampStreamMs = -StreamRestartMs;

    FaultInjector Injected;
    int Executed = 0;
};
