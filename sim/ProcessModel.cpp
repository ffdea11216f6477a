#include "ProcessModel.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// A program whose steps take no time at all would loop forever: after more
// zero-length steps than a program can hold without a cycle, it ends.
constexpr int MaxZeroSteps = 8 * 8 * 100 + 8;
// However long the clock jumped, one catch-up does a bounded amount of work.
constexpr int MaxIterations = 200'000;
// While the set value ramps, the lag is followed in pieces this long.
constexpr double RampPieceMs = 5'000;

int ClampInt(int v, int lo, int hi)
{
    return std::min(std::max(v, lo), hi);
}

} // namespace

ProcessModel::ProcessModel(qint64 nowMs, double pv) : LastMs(nowMs), TruePv(pv) {}

double ProcessModel::StepDurationMs(const ControlSettings &s) const
{
    const int minutes = s.Program.Minutes[static_cast<size_t>(8 * Program.Pattern + Program.Step)];
    return std::max(minutes, 0) * static_cast<double>(std::max<qint64>(s.ProgramMinuteMs, 1));
}

double ProcessModel::ProgramSv(const ControlSettings &s, double elapsedMs) const
{
    const double target = s.Program.SetValue[static_cast<size_t>(8 * Program.Pattern + Program.Step)];
    const double duration = StepDurationMs(s);
    if (duration <= 0 || elapsedMs >= duration)
        return target;
    return Program.StartSv + (target - Program.StartSv) * std::max(elapsedMs, 0.0) / duration;
}

int ProcessModel::EffectiveSetValue(const ControlSettings &s) const
{
    if (!Program.Active)
        return s.SetValue;
    return static_cast<int>(std::lround(ProgramSv(s, Program.ElapsedMs)));
}

int ProcessModel::ProgramTarget(const ControlSettings &s) const
{
    if (!Program.Active)
        return s.SetValue;
    return s.Program.SetValue[static_cast<size_t>(8 * Program.Pattern + Program.Step)];
}

qint64 ProcessModel::ProgramMsLeft(const ControlSettings &s) const
{
    if (!Program.Active)
        return 0;
    return static_cast<qint64>(std::max(0.0, StepDurationMs(s) - Program.ElapsedMs));
}

void ProcessModel::StartProgram(const ControlSettings &s)
{
    const int start = s.Program.StartPattern;
    if (start < 0 || start > 7) {
        // A start pattern the controller does not have: nothing to run.
        Run = RunProgramEnded;
        ProgramEnded = true;
        return;
    }
    Program = ProgramState{};
    Program.Active = true;
    Program.Pattern = start;
    // The first step ramps from where the process is.
    Program.StartSv = Pv();
}

void ProcessModel::EndProgram()
{
    Program.Active = false;
    Program.Held = false;
    Run = RunProgramEnded;
    ProgramEnded = true;
    TuningEndMs = -1;
}

void ProcessModel::NextStep(const ControlSettings &s)
{
    const ProgramTable &table = s.Program;
    Program.StartSv = table.SetValue[static_cast<size_t>(8 * Program.Pattern + Program.Step)];
    Program.ElapsedMs = 0;
    const int lastStep = ClampInt(table.StepMax[static_cast<size_t>(Program.Pattern)], 0, 7);
    if (++Program.Step <= lastStep)
        return;
    Program.Step = 0;
    const int loops = ClampInt(table.Loops[static_cast<size_t>(Program.Pattern)], 0, 99);
    if (++Program.LoopsDone <= loops)
        return;
    const int link = table.Links[static_cast<size_t>(Program.Pattern)];
    if (link < 0 || link > 7) {
        EndProgram();  // 8 ends the program; anything else cannot be followed
        return;
    }
    Program.Pattern = link;
    Program.LoopsDone = 0;
}

double ProcessModel::Target(double sv, const ControlSettings &s) const
{
    if (!Controlling())
        return Ambient;
    if (s.ControlMethod == 2)
        return Ambient + (s.ManualHeat - s.ManualCool) * OutputSpan / 1000.0;
    if (!s.Heats && !s.Cools)
        return Ambient;
    double target = sv;
    if (!s.Heats)
        target = std::min(target, Ambient);  // a cooler cannot warm
    if (!s.Cools)
        target = std::max(target, Ambient);  // a heater cannot cool
    return target;
}

void ProcessModel::Advance(qint64 nowMs, const ControlSettings &s)
{
    // A changed offset shows at once; the control then works the
    // displayed value back to its set value.
    Offset = s.PvOffset;
    if (nowMs <= LastMs)
        return;
    double remaining = static_cast<double>(nowMs - LastMs);
    double t = static_cast<double>(LastMs);
    int zeroSteps = 0;
    for (int i = 0; i < MaxIterations; ++i) {
        double piece = remaining;
        const bool ramping = Program.Active && !Program.Held;
        // A step whose time is up ends even when the clock stops right there.
        const double left = ramping ? StepDurationMs(s) - Program.ElapsedMs : 1;
        if (remaining <= 0 && left > 0)
            break;
        if (ramping) {
            if (left <= 0) {
                NextStep(s);
                if (++zeroSteps > MaxZeroSteps)
                    EndProgram();
                continue;
            }
            zeroSteps = 0;
            piece = std::min({piece, left, RampPieceMs});
        }
        if (TuningEndMs >= 0) {
            const double left = static_cast<double>(TuningEndMs) - t;
            if (left <= 0) {
                TuningEndMs = -1;
                TuningDone = true;
                continue;
            }
            piece = std::min(piece, left);
        }
        const double sv = Program.Active ? ProgramSv(s, Program.ElapsedMs + (ramping ? piece / 2 : 0)) : s.SetValue;
        const double target = Target(sv, s) - Offset;
        TruePv = target + (TruePv - target) * std::exp(-piece / std::max(TimeConstantMs, 1.0));
        if (ramping)
            Program.ElapsedMs += piece;
        t += piece;
        remaining -= piece;
    }
    if (!Controlling())
        TuningEndMs = -1;
    LastMs = nowMs;
}

bool ProcessModel::SetRunState(int code, const ControlSettings &s)
{
    switch (code) {
    case RunStopped:
    case RunProgramStopped:
        Program.Active = false;
        Program.Held = false;
        TuningEndMs = -1;
        Run = code;
        return true;
    case RunRunning:
        if (s.ControlMethod == 3) {
            if (Program.Active)
                Program.Held = false;
            else
                StartProgram(s);
        }
        if (Run != RunProgramEnded || s.ControlMethod != 3 || Program.Active)
            Run = RunRunning;
        return true;
    case RunProgramHeld:
        if (!Program.Active)
            return false;
        Program.Held = true;
        Run = RunProgramHeld;
        return true;
    default:
        return false;
    }
}

void ProcessModel::SettingsChanged(const ControlSettings &s)
{
    if (s.ControlMethod != 3 && Program.Active) {
        Program.Active = false;
        Program.Held = false;
        Run = RunRunning;
    } else if (s.ControlMethod == 3 && Run == RunRunning && !Program.Active) {
        StartProgram(s);
    }
    if (s.ControlMethod != 0)
        TuningEndMs = -1;
}

ProcessOutputs ProcessModel::Outputs(const ControlSettings &s) const
{
    ProcessOutputs out;
    if (!Controlling())
        return out;
    if (s.ControlMethod == 2) {
        out.Heat = ClampInt(s.ManualHeat, 0, 1000);
        out.Cool = ClampInt(s.ManualCool, 0, 1000);
        return out;
    }
    const double pv = Pv();
    const double sv = EffectiveSetValue(s);
    const int high = ClampInt(s.OutputHigh, 0, 1000);
    const int low = ClampInt(s.OutputLow, 0, high);
    if (AutoTuning()) {
        // Relay tuning: full swing between the tuning output limits.
        out.Heat = pv < sv ? high : low;
        out.Cool = pv > sv ? high : low;
    } else if (s.ControlMethod == 1) {
        out.Heat = pv < sv ? 1000 : 0;
        out.Cool = pv > sv ? 1000 : 0;
    } else {
        const double pb = std::max(s.Pb, 1);
        const double error = (sv - pv) * 1000.0 / pb;
        const double heatHold = std::clamp((sv - Ambient) * 1000.0 / OutputSpan, 0.0, 1000.0);
        const double coolHold = std::clamp((Ambient - sv) * 1000.0 / OutputSpan, 0.0, 1000.0);
        out.Heat = ClampInt(static_cast<int>(std::lround(heatHold + error)), low, high);
        out.Cool = ClampInt(static_cast<int>(std::lround(coolHold - error)), low, high);
    }
    if (!s.Heats)
        out.Heat = 0;
    if (!s.Cools)
        out.Cool = 0;
    return out;
}
