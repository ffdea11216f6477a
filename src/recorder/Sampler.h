// Recording: the process value of up to ten controllers is read one after
// another at every tick of the sample clock; each completed sample goes to
// the chart and, when saving is armed, to the record file. A slot failing
// three times since Start is dropped; when the last one goes, recording
// ends. No widgets here: the window shows what SamplerView is told.
#pragma once

#include "ClockTimer.h"
#include "Public.h"
#include "RecordFile.h"
#include "RecorderState.h"
#include "SamplerLink.h"
#include "TrendChart.h"

#include <QString>
#include <QStringList>
#include <QTime>

#include <array>
#include <functional>

enum class SlotLook { Shown, Hidden, Dropped };

class SamplerView {
public:
    virtual ~SamplerView() = default;
    // Idle or recording: the start button and its panel, and the controls
    // that are locked while recording.
    virtual void ShowRecording(bool recording) = 0;
    // The slot's address box: white, silver or red.
    virtual void ShowSlotLook(int slot, SlotLook look) = 0;
    virtual void ShowCounter(const QString &text) = 0;     // LoopCnt
    virtual void ShowFaultLine(const QString &text) = 0;   // ErrMess
    // "Over write file : " and the name, OK or Cancel.
    virtual bool ConfirmOverwrite(const QString &fileName) = 0;
    // Saving was disarmed: the save button is raised.
    virtual void ShowSavingDisarmed() = 0;
    // A failure the user must see at once, in a message box.
    virtual void ShowFailure(const QString &text) = 0;
    // Sample `sample` is complete: its record as the record file keeps it
    // (after it went to the file, when saving is armed).
    virtual void SampleTaken(int /*sample*/, const std::array<std::uint8_t, RecordBytes> & /*record*/) {}
};

// The sample clock's interval for a sample time of 0-99 seconds (0: half a second).
int SampleIntervalMs(int sampleTime);

class Sampler {
public:
    using TimeSource = std::function<QTime()>;

    Sampler(TRecorderState &state, TSessionState &session, SamplerLink &link, TrendChart &chart, ClockTimer &timer,
            SamplerView &view);
    Sampler(const Sampler &) = delete;
    Sampler &operator=(const Sampler &) = delete;

    // The time of day stamped on each sample (the system's, unless replaced).
    void SetTimeOfDay(TimeSource source) { TimeOfDay = std::move(source); }

    // StartBtClick: starts with the typed addresses and sample time, or
    // stops a recording that runs.
    void StartBtClick(const std::array<int, RecorderSlotCount> &addresses, int sampleTime);
    void Start(const std::array<int, RecorderSlotCount> &addresses, int sampleTime);
    void Stop();
    // The window closes: recording ends and saving is disarmed.
    void FormClose();
    // Timer1 while recording: a new request when none is outstanding.
    void Tick();
    void StopRecording();
    // SaveBt raised, or replay entered.
    void DisarmSaving();
    void CloseRecordFile();
    bool RecordFileOpen() const { return Writer.IsOpen(); }

private:
    void SendSampleRequest();
    void ProcessReply();
    void CompleteSample();
    void HandleFault();
    void LineFailed(const QString &text);
    bool CreateRecordFile(int sampleTime);
    // Message boxes wait until the state is whole again: a box runs a
    // nested event loop in which the sample clock and the replies go on.
    void ReportPending();

    TRecorderState &State;
    TSessionState &Session;
    SamplerLink &Link;
    TrendChart &Chart;
    ClockTimer &Timer;
    SamplerView &View;
    RecordFile::RecordWriter Writer;
    TimeSource TimeOfDay = [] { return QTime::currentTime(); };
    QStringList PendingReports;
};
