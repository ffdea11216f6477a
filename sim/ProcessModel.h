// The process behind one controller: a heater or cooler acting on a first-
// order lag, the controller's run state, its ramp/soak program and its
// auto-tuning. Nothing runs by itself: every reading first catches the
// process up to the clock, computed from the time that has passed, so a
// virtual clock never sees a periodic task of ours.
#pragma once

#include <QtGlobal>

#include <array>
#include <utility>

struct ProgramTable {
    int StartPattern = 0;
    std::array<int, 8> StepMax{};
    std::array<int, 8> Loops{};
    std::array<int, 8> Links{};
    std::array<int, 64> SetValue{};  // tenths, by 8 x pattern + step
    std::array<int, 64> Minutes{};
};

// What the controller's parameters say at one moment; all values in
// register units (tenths of a degree, tenths of a percent).
struct ControlSettings {
    int SetValue = 0;
    int ControlMethod = 0;  // 0 PID, 1 ON-OFF, 2 manual, 3 ramp/soak
    bool Heats = true;
    bool Cools = false;
    int Pb = 100;
    int OutputHigh = 1000;
    int OutputLow = 0;
    int PvOffset = 0;
    int ManualHeat = 0;
    int ManualCool = 0;
    ProgramTable Program;
    qint64 ProgramMinuteMs = 60'000;
};

enum RunCode { RunStopped = 0, RunRunning = 1, RunProgramStopped = 2, RunProgramHeld = 3, RunProgramEnded = 4 };

struct ProcessOutputs {
    int Heat = 0;  // tenths of a percent
    int Cool = 0;
};

class ProcessModel {
public:
    // Degrees over ambient per 100 % heating, in tenths.
    static constexpr double OutputSpan = 4000;

    ProcessModel(qint64 nowMs, double pv);

    // Brings the process to nowMs; the settings are those in force since
    // the last call.
    void Advance(qint64 nowMs, const ControlSettings &settings);

    // The value the controller displays, offset included, in tenths.
    double Pv() const { return TruePv + Offset; }
    void SetPv(double pv) { TruePv = pv - Offset; }
    double Ambient = 250;
    double TimeConstantMs = 20'000;

    int RunState() const { return Run; }
    // false when the code makes no sense now (hold without a program).
    bool SetRunState(int code, const ControlSettings &settings);
    // Starts or ends the program when the control method changes.
    void SettingsChanged(const ControlSettings &settings);
    // Control acts on the outputs.
    bool Controlling() const { return Run == RunRunning || Run == RunProgramHeld; }

    bool ProgramActive() const { return Program.Active; }
    // The set value the control uses now.
    int EffectiveSetValue(const ControlSettings &settings) const;
    int ProgramTarget(const ControlSettings &settings) const;
    int ProgramPattern() const { return Program.Active ? Program.Pattern : 0; }
    int ProgramStep() const { return Program.Active ? Program.Step : 0; }
    qint64 ProgramMsLeft(const ControlSettings &settings) const;

    bool AutoTuning() const { return TuningEndMs >= 0; }
    void StartAutoTuning(qint64 nowMs) { TuningEndMs = nowMs + static_cast<qint64>(6 * TimeConstantMs); }
    void StopAutoTuning() { TuningEndMs = -1; }
    // One-shot news for the controller since it last asked.
    bool TakeTuningDone() { return std::exchange(TuningDone, false); }
    bool TakeProgramEnded() { return std::exchange(ProgramEnded, false); }

    ProcessOutputs Outputs(const ControlSettings &settings) const;

private:
    struct ProgramState {
        bool Active = false;
        bool Held = false;
        int Pattern = 0;
        int Step = 0;
        int LoopsDone = 0;
        double ElapsedMs = 0;
        double StartSv = 0;
    };

    void StartProgram(const ControlSettings &settings);
    void EndProgram();
    void NextStep(const ControlSettings &settings);
    double StepDurationMs(const ControlSettings &settings) const;
    double ProgramSv(const ControlSettings &settings, double elapsedMs) const;
    double Target(double sv, const ControlSettings &settings) const;

    qint64 LastMs;
    double TruePv;
    double Offset = 0;
    int Run = RunRunning;
    ProgramState Program;
    qint64 TuningEndMs = -1;
    bool TuningDone = false;
    bool ProgramEnded = false;
};
