#include "Sampler.h"

#include "MessageTable.h"

#include <algorithm>

namespace {

std::size_t At(int i)
{
    return static_cast<std::size_t>(i);
}

} // namespace

int SampleIntervalMs(int sampleTime)
{
    sampleTime = std::clamp(sampleTime, 0, MaxSampleTime);
    return sampleTime == 0 ? 500 : sampleTime * 1000;
}

Sampler::Sampler(TRecorderState &state, TSessionState &session, SamplerLink &link, TrendChart &chart,
                 ClockTimer &timer, SamplerView &view)
    : State(state), Session(session), Link(link), Chart(chart), Timer(timer), View(view)
{
    Link.OnReply = [this] {
        ProcessReply();
        ReportPending();
    };
    Link.OnFailure = [this](const QString &text) { LineFailed(text); };
}

void Sampler::StartBtClick(const std::array<int, RecorderSlotCount> &addresses, int sampleTime)
{
    if (State.Recording)
        Stop();
    else
        Start(addresses, sampleTime);
}

void Sampler::Start(const std::array<int, RecorderSlotCount> &addresses, int sampleTime)
{
    if (State.Recording)
        return;
    sampleTime = std::clamp(sampleTime, 0, MaxSampleTime);
    View.ShowFaultLine(QString());
    State.CurrentDevice = 0;
    for (int s = 0; s < RecorderSlotCount; ++s)
        State.DeviceAddress[At(s)] = static_cast<std::uint8_t>(std::clamp(addresses[At(s)], 0, MaxStation));
    const int first = State.FirstUsedSlot();
    if (first < 0) {
        StopRecording();
        return;
    }
    State.CurrentDevice = first;
    State.Recording = true;

    if (State.SaveArmed && !Writer.IsOpen()) {
        if (State.RecordFileUsed && !View.ConfirmOverwrite(CurrentFileName)) {
            State.Recording = false;
            DisarmSaving();
            return;
        }
        // Nothing runs yet that a message box could interleave with.
        if (!CreateRecordFile(sampleTime))
            View.ShowFailure(MessageTable::DataCanNotSave);
    }

    View.ShowRecording(true);
    State.ClearFailures();
    for (int s = 0; s < RecorderSlotCount; ++s)
        View.ShowSlotLook(s, State.DeviceShown[At(s)] ? SlotLook::Shown : SlotLook::Hidden);
    Chart.UpdateChartHasCurves();
    Chart.ClearRing();
    Chart.ClearChart();
    State.SampleRecord.fill(0);
    State.SampleCount = 0;
    View.ShowCounter(ZeroCounterText());

    // A refused open ends the recording through LineFailed.
    if (!Link.IsOpen() && !Link.Open(LinkSettings))
        return;
    Timer.SetInterval(SampleIntervalMs(sampleTime));
    SendSampleRequest();
    if (State.Recording)
        Timer.SetEnabled(true);
}

void Sampler::Stop()
{
    State.ClearFailures();
    State.Recording = false;
    StopRecording();
}

void Sampler::FormClose()
{
    State.Recording = false;
    DisarmSaving();
    StopRecording();
}

void Sampler::StopRecording()
{
    Timer.SetEnabled(false);
    View.ShowRecording(false);
    Link.Close();
    CloseRecordFile();
}

void Sampler::DisarmSaving()
{
    State.SaveArmed = false;
    View.ShowSavingDisarmed();
}

void Sampler::CloseRecordFile()
{
    Writer.Close();
    CurrentFileHandle = 0;
}

bool Sampler::CreateRecordFile(int sampleTime)
{
    RecordFile::Header header;
    header.Addresses = State.DeviceAddress;
    header.SampleTime = sampleTime;
    if (!Writer.Create(State.RecordFilePath, header)) {
        DisarmSaving();
        return false;
    }
    State.RecordFileUsed = true;
    CurrentFileHandle = Writer.Handle();
    return true;
}

void Sampler::Tick()
{
    if (State.Recording && !Link.Busy())
        SendSampleRequest();
    ReportPending();
}

void Sampler::SendSampleRequest()
{
    Link.Request(State.DeviceAddress[At(State.CurrentDevice)]);
}

void Sampler::ProcessReply()
{
    if (!State.Recording)
        return;
    const FrameCodec::RecorderVerdict verdict = Link.Judge();
    if (verdict.ResultCode != ResultOk) {
        HandleFault();
        return;
    }
    const int slot = State.CurrentDevice;
    Chart.StoreChartValue(slot, verdict.Value);
    State.SampleRecord[At(2 * slot)] = static_cast<std::uint8_t>((verdict.Value >> 8) & 0xFF);
    State.SampleRecord[At(2 * slot + 1)] = static_cast<std::uint8_t>(verdict.Value & 0xFF);

    const int next = State.NextUsedSlot(slot);
    if (next < 0) {
        CompleteSample();
        return;
    }
    State.CurrentDevice = next;
    Link.RequestNext(State.DeviceAddress[At(next)]);
}

void Sampler::CompleteSample()
{
    const QTime now = TimeOfDay();
    const std::array<std::uint8_t, 4> time = {
        static_cast<std::uint8_t>(now.hour()), static_cast<std::uint8_t>(now.minute()),
        static_cast<std::uint8_t>(now.second()), static_cast<std::uint8_t>(now.msec() & 0xFF)};
    std::copy(time.begin(), time.end(), State.SampleRecord.begin() + 20);
    State.SampleRecord[24] = RecordFile::RecordEnd;
    Chart.StoreSampleTime(State.SampleCount, time);
    for (int s = 0; s < RecorderSlotCount; ++s) {
        if (State.DroppedAt[At(s)] != -1) {
            State.SampleRecord[At(2 * s)] = DroppedMarker >> 8;
            State.SampleRecord[At(2 * s + 1)] = DroppedMarker & 0xFF;
        }
    }
    Chart.UpdateChart(State.SampleCount);

    if (Writer.IsOpen() && !Writer.Append(State.SampleRecord)) {
        // The records written so far stay; the recording goes on without
        // the file, and the user is told at once.
        CloseRecordFile();
        DisarmSaving();
        PendingReports << MessageTable::DataCanNotSave;
    }
    View.SampleTaken(State.SampleCount, State.SampleRecord);
    State.SampleRecord.fill(0);
    State.CurrentDevice = std::max(State.FirstUsedSlot(), 0);
    ++State.SampleCount;
    View.ShowCounter(CounterText(State.SampleCount));
}

void Sampler::HandleFault()
{
    const int slot = State.CurrentDevice;
    View.ShowFaultLine(MessageTable::DeviceText + QLatin1Char(' ') + QString::number(slot + 1)
                       + MessageTable::ResultText(Session.ResultCode));
    if (++State.FailCount[At(slot)] < FailLimit)
        return;
    View.ShowSlotLook(slot, SlotLook::Dropped);
    State.FailCount[At(slot)] = 0;
    State.DeviceAddress[At(slot)] = 0;
    State.DroppedAt[At(slot)] = State.SampleCount;
    State.SampleRecord[At(2 * slot)] = DroppedMarker >> 8;
    State.SampleRecord[At(2 * slot + 1)] = DroppedMarker & 0xFF;
    const int next = State.NextUsedSlot(slot);
    if (next >= 0) {
        State.CurrentDevice = next;
        return;
    }
    CompleteSample();
    if (State.FirstUsedSlot() < 0) {
        State.Recording = false;
        StopRecording();
    }
}

void Sampler::LineFailed(const QString &text)
{
    State.Recording = false;
    StopRecording();
    PendingReports << text;
    ReportPending();
}

void Sampler::ReportPending()
{
    while (!PendingReports.isEmpty())
        View.ShowFailure(PendingReports.takeFirst());
}
