// The side of the simulated controller that faces its process: the
// settings the control works with, output levels, alarms and LEDs.
#include "SimController.h"

#include "FactorySettings.h"

#include <algorithm>
#include <cmath>

namespace {
using Q = Quantity;
} // namespace

void SimController::SetTimeConstantMs(int ms)
{
    Catch();
    Process.TimeConstantMs = std::max(ms, 1);
}

void SimController::SetAmbient(int tenths)
{
    Catch();
    Process.Ambient = tenths;
}

void SimController::SetProcessValue(int tenths)
{
    Catch();
    Process.SetPv(tenths);
}

SimController::Role SimController::OutputRole(int output) const
{
    switch (Setup.Kind) {
    case Model::A:
        if (output != 1)
            return Role::None;
        return (Params[10] & 0x04) ? Role::Cool : Role::Heat;
    case Model::B:
        switch (Params[19]) {
        case 1: return output == 1 ? Role::Cool : Role::None;
        case 2: return output == 1 ? Role::Heat : Role::Cool;
        case 3: return output == 1 ? Role::Cool : Role::Heat;
        default: return output == 1 ? Role::Heat : Role::None;
        }
    case Model::C:
        switch (Params[output == 1 ? 54 : 55]) {
        case 0: return Role::Heat;
        case 1: return Role::Cool;
        case 2: return Role::Alarm;
        default: return Role::Retransmit;
        }
    }
    return Role::None;
}

ControlSettings SimController::Settings() const
{
    ControlSettings s;
    s.SetValue = Stored(Q::SetValue);
    s.ControlMethod = Stored(Q::ControlMethod);
    s.Pb = Stored(Q::Pb);
    s.OutputHigh = Stored(Q::TuneOutHigh) * 10;
    s.OutputLow = Stored(Q::TuneOutLow) * 10;
    s.PvOffset = Stored(Q::PvOffset);
    s.Heats = OutputRole(1) == Role::Heat || OutputRole(2) == Role::Heat;
    s.Cools = OutputRole(1) == Role::Cool || OutputRole(2) == Role::Cool;
    const int manual1 = Setup.Kind == Model::A ? Stored(Q::ManualOutput) * 10 : GetWord(Params, 100);
    const int manual2 = Setup.Kind == Model::A ? 0 : GetWord(Params, 102);
    for (int output : {1, 2}) {
        const int level = output == 1 ? manual1 : manual2;
        if (OutputRole(output) == Role::Heat)
            s.ManualHeat += level;
        else if (OutputRole(output) == Role::Cool)
            s.ManualCool += level;
    }
    if (Setup.Kind != Model::A) {
        ProgramTable &t = s.Program;
        t.StartPattern = Params[PatternBytesOffset];
        for (size_t p = 0; p < 8; ++p) {
            t.StepMax[p] = Params[232 + p];
            t.Loops[p] = Params[240 + p];
            t.Links[p] = Params[248 + p];
        }
        for (size_t k = 0; k < 64; ++k) {
            t.SetValue[k] = static_cast<std::int16_t>(GetWord(Ramp, static_cast<int>(4 * k)));
            t.Minutes[k] = static_cast<std::int16_t>(GetWord(Ramp, static_cast<int>(4 * k + 2)));
        }
    }
    s.ProgramMinuteMs = ProgramMinuteMs;
    return s;
}

void SimController::Catch()
{
    Process.Advance(Clock.NowMs(), Settings());
    if (Process.TakeTuningDone()) {
        // What the tuning found for this process.
        const int tau = static_cast<int>(Process.TimeConstantMs / 1000);
        PutWord(Params, FindQuantity(Setup.Kind, Q::Pb)->Offset, 80);
        PutWord(Params, FindQuantity(Setup.Kind, Q::Ti)->Offset, std::clamp(2 * tau, 1, 9999));
        PutWord(Params, FindQuantity(Setup.Kind, Q::Td)->Offset, std::clamp(tau / 2, 0, 9999));
        ChangeLatch = true;
    }
    if (Process.TakeProgramEnded())
        ChangeLatch = true;
}

int SimController::NoiseAt(qint64 ms, int salt) const
{
    if (!Noise)
        return 0;
    std::uint64_t z = static_cast<std::uint64_t>(ms / 250) * 0x9E3779B97F4A7C15ULL +
                      static_cast<std::uint64_t>(Setup.Address * 131 + salt);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    static constexpr int Steps[4] = {-1, 0, 0, 1};
    return Steps[z & 3];
}

std::pair<int, int> SimController::OutputLevels() const
{
    const ControlSettings s = Settings();
    const ProcessOutputs demand = Process.Outputs(s);
    const bool manual = s.ControlMethod == 2 && Process.Controlling();
    int levels[2] = {0, 0};
    for (int output : {1, 2}) {
        int &level = levels[output - 1];
        switch (OutputRole(output)) {
        case Role::Heat:
        case Role::Cool:
            if (manual)
                level = Setup.Kind == Model::A ? Stored(Q::ManualOutput) * 10 : GetWord(Params, output == 1 ? 100 : 102);
            else
                level = OutputRole(output) == Role::Heat ? demand.Heat : demand.Cool;
            break;
        case Role::Alarm:
            level = AlarmActive(output) ? 1000 : 0;
            break;
        case Role::Retransmit: {
            const int high = Stored(Q::RangeHigh);
            const int low = Stored(Q::RangeLow);
            if (high > low)
                level = std::clamp(static_cast<int>((Process.Pv() - low) * 1000 / (high - low)), 0, 1000);
            break;
        }
        case Role::None:
            break;
        }
    }
    return {std::clamp(levels[0], 0, 1000), std::clamp(levels[1], 0, 1000)};
}

bool SimController::AlarmActive(int alarm) const
{
    int mode = 0;
    int up = 0;
    int down = 0;
    if (Setup.Kind == Model::A) {
        if (alarm > 2)
            return false;
        mode = Params[static_cast<size_t>(13 + alarm)];
        up = static_cast<std::int16_t>(GetWord(Params, 4 * alarm - 2));
        down = static_cast<std::int16_t>(GetWord(Params, 4 * alarm));
    } else {
        mode = Params[static_cast<size_t>(15 + alarm)];
        up = static_cast<std::int16_t>(GetWord(Params, 4 * alarm - 4));
        down = static_cast<std::int16_t>(GetWord(Params, 4 * alarm - 2));
    }
    const double pv = Process.Pv();
    const double sv = Process.EffectiveSetValue(Settings());
    switch (mode) {
    case 1:   // deviation band
    case 8:   // the standby kinds are taken as armed from the start
        return pv > sv + up || pv < sv - down;
    case 2:
    case 9: return pv > sv + up;
    case 3:
    case 10: return pv < sv - down;
    case 4: return pv >= sv - down && pv <= sv + up;
    case 5: return pv > up || pv < down;
    case 6:
    case 11: return pv > up;
    case 7:
    case 12: return pv < down;
    default: return false;  // disabled, and the current alarm without a current input
    }
}

bool SimController::OutputOn(int output, int level) const
{
    if (OutputRole(output) == Role::Alarm)
        return level > 0;
    const int type = Calibration.at(output == 1 ? Q::OutputType1 : Q::OutputType2);
    const bool timeProportioned = type == 0 || type == 1;  // relay, voltage pulse
    const bool none = output == 1 ? type == 5 : type == 2;
    if (none || level <= 0)
        return false;
    if (!timeProportioned || level >= 1000)
        return true;
    const int period = std::max<int>(Params[Setup.Kind == Model::A ? 28 : (output == 1 ? 48 : 49)], 1);
    const qint64 cycle = period * 1000LL;
    return Clock.NowMs() % cycle < cycle * level / 1000;
}

int SimController::LedByte() const
{
    const auto [level1, level2] = OutputLevels();
    const int unit = Stored(Q::Unit);  // 0 F, 1 C, 2 engineering units
    const bool alarm[4] = {false, AlarmActive(1), AlarmActive(2), AlarmActive(3)};
    const bool tuning = Process.AutoTuning();
    if (Setup.Kind == Model::A) {
        return (alarm[1] ? 0x20 : 0) | (alarm[2] ? 0x10 : 0) | (unit == 1 ? 0x08 : 0) | (unit == 0 ? 0x04 : 0) |
               (OutputOn(1, level1) ? 0x40 : 0) | (tuning ? 0x80 : 0);
    }
    return (alarm[3] ? 0x01 : 0) | (alarm[2] ? 0x02 : 0) | (unit == 1 ? 0x04 : 0) | (unit == 0 ? 0x08 : 0) |
           (alarm[1] ? 0x10 : 0) | (OutputOn(2, level2) ? 0x20 : 0) | (OutputOn(1, level1) ? 0x40 : 0) |
           (tuning ? 0x80 : 0);
}
