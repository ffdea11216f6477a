// Replay: a record file shown on the trend chart as if it were recorded
// again, one record per 20 ms tick, with play, pause and stop, a track bar
// and typed jumps. The file is read in windows of 4096 records. No widgets
// here: the window shows what ReplayView is told, and Timer1 drives it.
#pragma once

#include "ClockTimer.h"
#include "RecordFile.h"
#include "RecorderState.h"
#include "TrendChart.h"

#include <QString>

#include <array>

class ReplayView {
public:
    virtual ~ReplayView() = default;
    // Which of play, pause, stop, the track bar, the counter and the
    // replay button can be used.
    virtual void ShowReplayState(TReplayState state) = 0;
    virtual void ShowPositionText(const QString &text) = 0;  // LoopCnt
    virtual void ShowTrackPosition(int position) = 0;        // TrackBar, without a jump
    virtual QString PositionText() const = 0;                // what LoopCnt holds
    // The values of the address spin edits.
    virtual std::array<int, RecorderSlotCount> AddressEdits() const = 0;
    virtual void ShowSampleTime(const QString &text) = 0;    // ErrMess
    // "File Error": the file cannot be read (any more).
    virtual void ShowFileError() = 0;
    // A typed position that is no whole number.
    virtual void ShowConversionError(const QString &text) = 0;
};

class Replayer {
public:
    static constexpr int PlayIntervalMs = 20;
    static constexpr int TypedJumpDelayMs = 2000;
    static constexpr int TrackJumpDelayMs = 1000;

    Replayer(TRecorderState &state, TChartState &chartState, TrendChart &chart, ClockTimer &timer, ReplayView &view);

    // Loads a record file for replay; false (after the "File Error" box)
    // when it cannot be read.
    bool Load(const QString &path, RecordFile::Header &header);
    int RecordTotal() const { return Window.RecordTotal; }
    const RecordFile::ReplayWindow &LoadedWindow() const { return Window; }
    const QString &FilePath() const { return Path; }

    // PlayBtClick for each of the three buttons.
    void Play();
    void Pause();
    void Stop();
    // Timer1 outside recording: a pending jump, or one playback step.
    void Timer1Timer();
    // LoopCntKeyUp: Enter jumps at once, any other key 2 s after the last.
    void LoopCntKeyUp(bool enter);
    void TrackBarChange(int position);
    // Shows the chart as it looks just before the record in LoopCnt.
    void JumpTo();

private:
    void Step();
    void End();
    bool LoadWindow(int first);
    void FileFailed();
    void ResetSlots();

    TRecorderState &State;
    TChartState &ChartData;
    TrendChart &Chart;
    ClockTimer &Timer;
    ReplayView &View;
    RecordFile::ReplayWindow Window;
    QString Path;
};
