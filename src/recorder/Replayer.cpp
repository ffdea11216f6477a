#include "Replayer.h"

#include "MessageTable.h"

#include <algorithm>

namespace {

std::size_t At(int i)
{
    return static_cast<std::size_t>(i);
}

constexpr int NoMax = -32767;
constexpr int NoMin = 32767;

} // namespace

Replayer::Replayer(TRecorderState &state, TChartState &chartState, TrendChart &chart, ClockTimer &timer,
                   ReplayView &view)
    : State(state), ChartData(chartState), Chart(chart), Timer(timer), View(view)
{
}

bool Replayer::Load(const QString &path, RecordFile::Header &header)
{
    if (!RecordFile::LoadRecordFile(path, header, Window)) {
        View.ShowFileError();
        return false;
    }
    Path = path;
    State.DeviceAddress = header.Addresses;
    State.DeviceShown.fill(true);
    State.DroppedAt.fill(-1);
    State.JumpPending = false;
    ChartData.ChartHasCurves = false;
    State.SampleCount = 0;
    Chart.ClearChart();
    return true;
}

void Replayer::ResetSlots()
{
    const std::array<int, RecorderSlotCount> edits = View.AddressEdits();
    for (int s = 0; s < RecorderSlotCount; ++s)
        State.DeviceAddress[At(s)] = static_cast<std::uint8_t>(std::clamp(edits[At(s)], 0, MaxStation));
}

void Replayer::Play()
{
    // A jump still waiting for the clock is made first, so that play starts
    // where the user asked and the clock is left to playing.
    if (State.JumpPending) {
        State.JumpPending = false;
        Timer.SetEnabled(false);
        JumpTo();
    }
    State.ReplayState = ReplayPlaying;
    View.ShowReplayState(ReplayPlaying);
    Chart.UpdateChartHasCurves();
    if (!ChartData.ChartHasCurves)
        return;
    State.ReplayRunning = true;
    State.Recording = false;
    Timer.SetInterval(PlayIntervalMs);
    Timer.SetEnabled(true);
}

void Replayer::Pause()
{
    State.ReplayState = ReplayPaused;
    Timer.SetEnabled(false);
    View.ShowReplayState(ReplayPaused);
    State.ReplayRunning = true;
}

void Replayer::Stop()
{
    State.ReplayState = ReplayStopped;
    Timer.SetEnabled(false);
    State.JumpPending = false;
    View.ShowReplayState(ReplayStopped);
    State.SampleCount = 0;
    View.ShowPositionText(ZeroCounterText());
    View.ShowTrackPosition(0);
    State.ReplayRunning = false;
}

void Replayer::Timer1Timer()
{
    if (State.JumpPending) {
        Timer.SetEnabled(false);
        State.JumpPending = false;
        JumpTo();
    } else if (State.ReplayRunning) {
        Step();
    }
}

void Replayer::Step()
{
    const int n = State.SampleCount;
    if (n < 0 || n >= Window.RecordTotal) {
        End();
        return;
    }
    if (!Window.Holds(n) && !LoadWindow(n))
        return;
    const int k = n - Window.WindowStart;
    const auto &time = Window.ReplayTimes[At(k)];
    View.ShowSampleTime(TimeText(time[0], time[1], time[2]));

    const int c = Chart.Column(n);
    ChartData.ChartTimes[At(c)] = time;
    const auto &values = Window.ReplayValues[At(k)];
    for (int s = 0; s < RecorderSlotCount; ++s) {
        const int v = values[At(s)];
        ChartData.ChartRing[At(s)][At(c)] = v;
        if (v == DroppedMarker) {
            if (State.DroppedAt[At(s)] == -1)
                State.DroppedAt[At(s)] = n;
        } else if (n == 0) {
            ChartData.DeviceMax[At(s)] = v;
            ChartData.DeviceMin[At(s)] = v;
        } else {
            ChartData.DeviceMax[At(s)] = std::max(ChartData.DeviceMax[At(s)], v);
            ChartData.DeviceMin[At(s)] = std::min(ChartData.DeviceMin[At(s)], v);
        }
    }
    Chart.UpdateChart(n);

    State.SampleCount = n + 1;
    View.ShowPositionText(CounterText(State.SampleCount));
    View.ShowTrackPosition(State.SampleCount);
    if (State.SampleCount >= Window.RecordTotal)
        End();
}

void Replayer::End()
{
    // The picture stays on the chart.
    View.ShowReplayState(ReplayStopped);
    Timer.SetEnabled(false);
    ChartData.ChartHasCurves = false;
    State.SampleCount = 0;
    State.ReplayRunning = false;
    State.ReplayState = ReplayStopped;
    State.DroppedAt.fill(-1);
    ResetSlots();
}

bool Replayer::LoadWindow(int first)
{
    if (RecordFile::LoadReplayWindow(Path, first, Window))
        return true;
    FileFailed();
    return false;
}

void Replayer::FileFailed()
{
    // The file shrank or went away: playing ends where it is, and the box
    // comes last, when nothing is left running.
    End();
    State.JumpPending = false;
    View.ShowPositionText(ZeroCounterText());
    View.ShowTrackPosition(0);
    View.ShowFileError();
}

void Replayer::LoopCntKeyUp(bool enter)
{
    if (State.ReplayState == ReplayPlaying)
        return;
    if (enter) {
        State.JumpPending = false;
        Timer.SetEnabled(false);
        JumpTo();
        return;
    }
    Timer.SetInterval(TypedJumpDelayMs);
    if (!State.JumpPending) {
        State.JumpPending = true;
        Timer.SetEnabled(true);
    }
}

void Replayer::TrackBarChange(int position)
{
    if (State.ReplayState == ReplayPlaying)
        return;
    View.ShowPositionText(CounterText(position));
    Timer.SetInterval(TrackJumpDelayMs);
    if (!State.JumpPending) {
        State.JumpPending = true;
        Timer.SetEnabled(true);
    }
}

void Replayer::JumpTo()
{
    const QString text = View.PositionText();
    int target = 0;
    if (!ParseWholeNumber(text, target)) {
        View.ShowConversionError(MessageTable::NotValidInteger.arg(text));
        return;
    }
    ResetSlots();
    // Drops are found again in the records drawn; one found further on must
    // not keep a curve before it out of the scale.
    State.DroppedAt.fill(-1);
    if (target < 0 || target > Window.RecordTotal) {
        State.SampleCount = 0;
        View.ShowPositionText(CounterText(0));
        View.ShowTrackPosition(0);
        return;
    }
    State.SampleCount = target;
    const int width = ChartData.Geometry.ChartWidth;
    const int first = target < width ? 0 : target - width;
    if ((target >= Window.WindowEnd || first < Window.WindowStart) && !LoadWindow(first))
        return;

    for (int s = 0; s < RecorderSlotCount; ++s) {
        ChartData.DeviceMax[At(s)] = NoMax;
        ChartData.DeviceMin[At(s)] = NoMin;
    }
    for (int j = first; j < target; ++j) {
        if (!Window.Holds(j))
            continue;
        const int k = j - Window.WindowStart;
        const int c = Chart.Column(j);
        ChartData.ChartTimes[At(c)] = Window.ReplayTimes[At(k)];
        for (int s = 0; s < RecorderSlotCount; ++s) {
            const int v = Window.ReplayValues[At(k)][At(s)];
            ChartData.ChartRing[At(s)][At(c)] = v;
            if (v == DroppedMarker) {
                if (State.DroppedAt[At(s)] == -1)
                    State.DroppedAt[At(s)] = j;
            } else {
                ChartData.DeviceMax[At(s)] = std::max(ChartData.DeviceMax[At(s)], v);
                ChartData.DeviceMin[At(s)] = std::min(ChartData.DeviceMin[At(s)], v);
            }
        }
    }
    Chart.DrawFrameAndColumns(target - 1, first, target - 1);
    View.ShowPositionText(CounterText(target));
    View.ShowTrackPosition(target);
}
