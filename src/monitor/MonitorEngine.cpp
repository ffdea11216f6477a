#include "MonitorEngine.h"

#include "ErrorReport.h"
#include "FrameCodec.h"
#include "MessageTable.h"
#include "ParameterWrites.h"
#include "StatusDecoding.h"
#include "StepTable.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int AsciiDeadline = 18;
constexpr int AsciiWriteDeadline = 50;
constexpr int AsciiBroadcastDeadline = 5;
constexpr int FaultLimit = 3;  // the fourth in a row acts

// The traffic log names the block transfers apart from the monitor's own
// requests (a password is the monitor's own).
std::optional<TrafficLink> TransferLink(const MonitorJob &job)
{
    if (std::holds_alternative<UploadJob>(job) || std::holds_alternative<DownloadJob>(job))
        return TrafficLink::Parameters;
    if (std::holds_alternative<RampReadJob>(job) || std::holds_alternative<RampWriteJob>(job))
        return TrafficLink::RampSoak;
    return std::nullopt;
}

} // namespace

MonitorEngine::MonitorEngine(TComPort &port, TSessionState &session, MonitorView &view)
    : Port(port), Session(session), Viewer(view), Exchange(port, TrafficLink::Monitor)
{
    Port.OnTrigger = [this](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
        ComPort1Trigger(message, argument);
    };
    Port.OnLineLost = [this](TComPort &, const QString &text) {
        if (Port.Open() || ActiveSlotCount() > 0)
            EndCycle(text);
    };
    Exchange.OnSendFailed = [this](const QString &text) { EndCycle(text); };
    FormShow();
}

MonitorEngine::~MonitorEngine()
{
    Port.OnTrigger = nullptr;
    Port.OnLineLost = nullptr;
    Exchange.Abandon();
    if (Port.Open())
        CloseLink(Port, ModuleMonitor, Session);
}

// ---- window events -------------------------------------------------------

void MonitorEngine::FormShow()
{
    Step = 0;
    Polled = 0;
    Selected = 0;
    ++Generation;
    ReselectPending = false;
    CloseAfterReply = false;
    WritePending = UnlockPending = UnlockDone = false;
    Calibration = false;
    Job = std::monostate{};
    ProgressVisible = false;
    ReadFaultCount = WriteFaultCount = 0;
    Link = LinkSettings;
    RefreshRequested = true;
    // The buffer's commands wait for the next upload or file.
    ImageGood = false;
    MenuState.Save = MenuState.SaveAs = MenuState.WriteSelected = MenuState.WriteAll = MenuState.RampSoak = false;
    KeyListOpen = false;
    for (int s = 0; s < SlotCount; ++s) {
        MonitorSlot &slot = Slots[static_cast<size_t>(s)];
        slot.SlotConnected = false;
        slot.IdentifyPending = false;
        slot.Identified = false;
        slot.PvRead = false;
        slot.LedByte = LedUnknown;
        slot.ComWriteEnabled = ComWriteUnknown;
        slot.ExecCount = 0;
        slot.ErrorCount = 0;
        slot.FailuresInARow = 0;
        ++slot.Generation;
        slot.Led = LinkLed::Gray;
        Views[static_cast<size_t>(s)] = SlotView{};
    }
    Parameters.Reset();
    BlankLargeDisplay();
    MessageText = QStringLiteral("NO Error !!!");
    MessageIsRed = false;
    Viewer.ClearTrend(-1);
    Notify(MonitorAspect::All);
}

void MonitorEngine::FormClose()
{
    SamplingOn = false;
    MenuState.FileMenu = MenuState.ParametersMenu = MenuState.ViewMenu = false;
    MenuState.SettingChecked = MenuState.PvRecordChecked = false;
    Parameters.Shown = false;
    TrendView = false;
    CloseAfterReply = false;
    EndJob(JobEnd::Failed);
    CloseLine();
    Notify(MonitorAspect::All);
}

void MonitorEngine::Close2Click()
{
    // A request whose frame is on the line is let finish, so that the next
    // holder of the line does not receive its answer.
    if (Exchange.OnTheLine()) {
        CloseAfterReply = true;
        return;
    }
    Viewer.CloseWindow();
}

// ---- slots and selection -------------------------------------------------

int MonitorEngine::ActiveSlotCount() const
{
    return static_cast<int>(
        std::count_if(Slots.begin(), Slots.end(), [](const MonitorSlot &slot) { return slot.SlotConnected; }));
}

bool MonitorEngine::SelectedUsable() const
{
    return Selected >= 0 && Selected < SlotCount && Slots[static_cast<size_t>(Selected)].SlotConnected;
}

int MonitorEngine::NextConnected(int after) const
{
    for (int k = 1; k <= SlotCount; ++k) {
        const int next = (after + k) % SlotCount;
        if (Slots[static_cast<size_t>(next)].SlotConnected)
            return next;
    }
    return NoSlot;
}

void MonitorEngine::RunBt0Click(int s, const std::array<int, SlotCount> &addresses)
{
    if (s < 0 || s >= SlotCount)
        return;
    MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    if (!slot.SlotConnected) {
        Connect(s, addresses);
        return;
    }
    slot.ProgramRunning = 0;
    const bool reselect = s == Selected && slot.IsModelC();
    Drop(s);
    if (reselect)
        ReselectPending = true;
    Notify(MonitorAspect::All);
    ReplaceStaleWaitingRequest();
}

void MonitorEngine::Connect(int s, const std::array<int, SlotCount> &addresses)
{
    MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    slot.SlotConnected = true;
    slot.Renew();
    ShowConnection(s);
    const bool first = ActiveSlotCount() == 1;
    if (first) {
        SelectionLost();
        Select(s);
    }
    Viewer.ClearTrend(s);
    slot.SlotAddress = std::clamp(addresses[static_cast<size_t>(s)], 1, 247);
    CopyAddresses(addresses);
    if (first) {
        if (!OpenLine())
            return;
        MenuState.FileMenu = MenuState.ParametersMenu = MenuState.ViewMenu = true;
        MenuState.SettingChecked = true;
        MenuState.PvRecordChecked = false;
        Polled = s;
        Step = 0;
        slot.IdentifyPending = false;
        SamplingOn = true;
        // A request of the slots dropped a moment ago may still be out: its
        // ending sends the next one.
        if (!Exchange.Awaiting())
            SendNext();
    }
    Notify(MonitorAspect::All);
}

void MonitorEngine::Drop(int s)
{
    MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    if (!slot.SlotConnected)
        return;
    slot.SlotConnected = false;
    slot.FailuresInARow = 0;
    ++slot.Generation;
    ShowConnection(s);
    if (s == Selected) {
        SelectionLost();
        Select(NextConnected(s));
    }
    AfterLastSlot();
}

void MonitorEngine::ShowConnection(int s)
{
    MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    if (slot.SlotConnected) {
        slot.Led = LinkLed::Green;
    } else {
        slot.Led = LinkLed::Gray;
        Views[static_cast<size_t>(s)] = SlotView{};
    }
}

void MonitorEngine::SelectionLost()
{
    // Everything that was meant for the selected controller goes with the
    // selection: its pending write and unlock, calibration, the running job
    // and the page read-out. Requests sent for it are no longer answered.
    ++Generation;
    UnlockDone = UnlockPending = false;
    EndPendingWrite(false);
    Calibration = false;
    if (Parameters.CalibrationShown)
        Parameters.ShowCalibration(false, ModelNone);
    KeyListOpen = false;
    PasswordReadBack = false;
    EndJob(JobEnd::Failed);
    if (Step >= 10) {
        Step = 2;
        Polled = 0;
    }
}

void MonitorEngine::Select(int s)
{
    Selected = s;
    if (s == NoSlot)
        return;
    MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    slot.LedByte = LedUnknown;
    slot.Led = LinkLed::Green;
    RefreshRequested = true;
    LargeDisplay.LightsKnown = false;
}

void MonitorEngine::AfterLastSlot()
{
    if (ActiveSlotCount() != 0)
        return;
    SamplingOn = false;
    MenuState.FileMenu = MenuState.ParametersMenu = MenuState.ViewMenu = false;
    Parameters.Shown = false;
    TrendView = false;
    MenuState.SettingChecked = MenuState.PvRecordChecked = false;
}

void MonitorEngine::CopyAddresses(const std::array<int, SlotCount> &addresses)
{
    // A connected slot keeps its address until its own change: its requests
    // and the model it was identified as belong to that address.
    for (int s = 0; s < SlotCount; ++s) {
        MonitorSlot &slot = Slots[static_cast<size_t>(s)];
        if (!slot.SlotConnected)
            slot.SlotAddress = std::clamp(addresses[static_cast<size_t>(s)], 1, 247);
    }
}

void MonitorEngine::ComAddr0Change(int s, const std::array<int, SlotCount> &addresses)
{
    if (s < 0 || s >= SlotCount || !Slots[static_cast<size_t>(s)].SlotConnected)
        return;
    MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    const int address = std::clamp(addresses[static_cast<size_t>(s)], 1, 247);
    CopyAddresses(addresses);
    if (address == slot.SlotAddress)
        return;
    slot.SlotAddress = address;
    slot.Renew();
    if (s == Selected) {
        Viewer.ClearTrend(s);
        SelectionLost();
    }
    Notify(MonitorAspect::All);
    ReplaceStaleWaitingRequest();
}

void MonitorEngine::Adr0LbClick(int s)
{
    if (s < 0 || s >= SlotCount || !Slots[static_cast<size_t>(s)].SlotConnected || s == Selected)
        return;
    ReselectPending = true;
    SelectionLost();
    Select(s);
    Notify(MonitorAspect::All);
    ReplaceStaleWaitingRequest();
}

void MonitorEngine::ClrBt0Click(int s)
{
    if (s < 0 || s >= SlotCount)
        return;
    Slots[static_cast<size_t>(s)].ExecCount = 0;
    Slots[static_cast<size_t>(s)].ErrorCount = 0;
    const bool clean = std::all_of(Slots.begin(), Slots.end(), [](const MonitorSlot &slot) { return slot.ErrorCount == 0; });
    if (clean)
        SetMessage(MessageTable::NoErrorText, false);
    Notify(MonitorAspect::Slots);
}

bool MonitorEngine::OpenLine()
{
    if (Port.Open())
        return true;
    // The session of this port uses the settings of now, whatever the main
    // window decodes meanwhile.
    Link = LinkSettings;
    try {
        OpenLink(Port, Link, ModuleMonitor, Session);
        Exchange.Begin();
    } catch (const ComError &e) {
        EndCycle(e.Text());
        return false;
    }
    Notify(MonitorAspect::Link);
    return true;
}

void MonitorEngine::CloseLine()
{
    Exchange.Abandon();
    SamplingOn = false;
    CloseLink(Port, ModuleMonitor, Session);
}

void MonitorEngine::EndCycle(const QString &text)
{
    // The line failed under us: every slot lets go and the line is free for
    // the other windows; the user hears of it once.
    for (int s = 0; s < SlotCount; ++s) {
        MonitorSlot &slot = Slots[static_cast<size_t>(s)];
        slot.SlotConnected = false;
        ++slot.Generation;
        ShowConnection(s);
    }
    CloseAfterReply = false;
    SelectionLost();
    Selected = NoSlot;
    AfterLastSlot();
    CloseLine();
    BlankLargeDisplay();
    Notify(MonitorAspect::All);
    Viewer.ShowLineFault(text);
}

void MonitorEngine::EndPendingWrite(bool confirmed)
{
    if (std::exchange(WritePending, false))
        Viewer.WriteFinished(confirmed);
}

void MonitorEngine::SetLed(int s, LinkLed led)
{
    if (s >= 0 && s < SlotCount && Slots[static_cast<size_t>(s)].SlotConnected)
        Slots[static_cast<size_t>(s)].Led = led;
}

void MonitorEngine::SetMessage(const QString &text, bool red)
{
    MessageText = text;
    MessageIsRed = red;
    Notify(MonitorAspect::Message);
}

void MonitorEngine::Notify(unsigned aspects)
{
    Viewer.Changed(aspects);
}

void MonitorEngine::SetTrendViewActive(bool active)
{
    TrendView = active;
    MenuState.PvRecordChecked = active;
    MenuState.SettingChecked = !active;
    // "SETTING" brings the page to the front again.
    if (!active && ActiveSlotCount() > 0)
        Parameters.Shown = true;
    Notify(MonitorAspect::Menus | MonitorAspect::Page);
}

void MonitorEngine::PassEditEntered(AccessCode code)
{
    switch (code) {
    case AccessCode::Calibration: {
        CalibrationCode = true;
        if (!SelectedUsable())
            break;
        const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
        if (slot.IsModelC() || slot.ComWriteEnabled == 1) {
            Calibration = true;
            RefreshRequested = true;
            Parameters.SecurityVisible = false;
        }
        break;
    }
    case AccessCode::DiagnosticsOn:
        DebugShown = true;
        break;
    case AccessCode::DiagnosticsOff:
        DebugShown = false;
        break;
    case AccessCode::Other:
        CalibrationCode = false;
        if (Parameters.CalibrationShown)
            Parameters.ShowCalibration(false, ModelNone);
        Calibration = false;
        Parameters.SecurityVisible = SelectedUsable() && Slots[static_cast<size_t>(Selected)].IsModelC();
        break;
    }
    Notify(MonitorAspect::Page | MonitorAspect::Diagnostics | MonitorAspect::Message);
}

// ---- the parameter page's writes -----------------------------------------

bool MonitorEngine::WritableSelection()
{
    if (!SelectedUsable())
        return false;
    // After a new address the page still holds the map of the controller
    // before: nothing is written until the new one has said what it is.
    if (!Slots[static_cast<size_t>(Selected)].Identified) {
        SetMessage(MessageTable::NotIdentifiedYet, true);
        return false;
    }
    return true;
}

void MonitorEngine::RangeHiKeyPress(Pc control, const QString &text)
{
    if (Control(control).Kind != ControlKind::Edit || control == Pc::PDOffset || !WritableSelection())
        return;
    const WriteDecision d = TypedValue(control, text, Slots[static_cast<size_t>(Selected)]);
    if (d.Refresh)
        RefreshRequested = true;
    if (d.Unlock)
        UnlockPending = true;
    if (d.Refresh && !d.Write && !d.Unlock)
        return;
    WriteRegister = d.Register;
    WriteValue = d.Value;
    if (d.Write)
        WritePending = true;
    if (!d.Message.isEmpty())
        SetMessage(d.Message, MessageIsRed);
}

void MonitorEngine::CtrlSetCloseUp(Pc control, int item)
{
    if (Control(control).Kind != ControlKind::List || !WritableSelection())
        return;
    MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    const WriteDecision d = ListChoice(control, item, slot);
    if (d.Decimals) {
        slot.DecimalsCode = *d.Decimals;
        Parameters[Pc::Pointer].Item = *d.Decimals;
        RefreshRequested = true;
        Notify(MonitorAspect::Page);
        return;
    }
    if (d.Unlock)
        UnlockPending = true;
    if (d.Register == NoRegisterMark && !d.Write)
        return;
    WriteRegister = d.Register;
    WriteValue = d.Value;
    if (d.Write)
        WritePending = true;
    else
        RefreshRequested = true;  // the list shows the controller's item again
}

void MonitorEngine::ClearBt1Click(bool restoreDefault)
{
    if (!WritableSelection())
        return;
    const WriteDecision d = CommandWrite(restoreDefault, Slots[static_cast<size_t>(Selected)]);
    WriteRegister = d.Register;
    if (!d.Write)
        return;
    WriteValue = d.Value;
    UnlockPending = true;
    WritePending = true;
}

// ---- the cycle -----------------------------------------------------------

int MonitorEngine::DeadlineTicks(RequestKind kind, bool broadcast) const
{
    if (Link.RtuMode)
        return Link.BaudRate >= 38400 ? 1 : Link.BaudRate >= 9600 ? 2 : 3;
    if (broadcast)
        return AsciiBroadcastDeadline;
    return kind == RequestKind::Unlock || kind == RequestKind::Write ? AsciiWriteDeadline : AsciiDeadline;
}

void MonitorEngine::SendNext()
{
    if (ActiveSlotCount() == 0) {
        CloseLine();
        BlankLargeDisplay();
        Notify(MonitorAspect::All);
        return;
    }
    if (!SelectedUsable()) {
        // Not reached while slot and selection are handed on together; the
        // cycle must not stand if they ever are not.
        SelectionLost();
        Select(NextConnected(SlotCount - 1));
    }
    const MonitorSlot &selected = Slots[static_cast<size_t>(Selected)];
    if (UnlockPending) {
        Send(RequestKind::Unlock, RequestOwner::Selection, Selected, selected.SlotAddress, 0x06,
             UnlockRegister(selected.SlotModel), MonitorUnlockCode);
        return;
    }
    if (WritePending) {
        UnlockDone = false;
        Send(RequestKind::Write, RequestOwner::Selection, Selected, selected.SlotAddress, 0x06, WriteRegister, WriteValue);
        return;
    }
    if (const std::optional<JobRequest> r = NextJobRequest()) {
        const int function = r->Kind == RequestKind::BlockRead ? 0x03 : 0x06;
        Send(r->Kind, RequestOwner::Job, r->Target.Slot, r->Target.Station, function, r->Register, r->Value);
        return;
    }
    if (Step < 10)
        SettleOnConnectedSlot();
    for (int guard = 0; guard < 8; ++guard) {
        const int slot = Step < 10 ? Polled : Selected;
        const MonitorSlot &polled = Slots[static_cast<size_t>(slot)];
        const PollRequest r = StepRequest(Step, polled.SlotModel, polled.SecurityLevel);
        if (r.Sent) {
            Send(RequestKind::Poll, RequestOwner::Cycle, slot, polled.SlotAddress, r.Function, r.Register, r.Count);
            return;
        }
        Advance();  // a step this model does not have
    }
}

void MonitorEngine::Send(RequestKind kind, RequestOwner owner, int slot, int station, int function, int reg, int value)
{
    RequestContext r;
    r.Kind = kind;
    r.Owner = owner;
    r.Slot = slot;
    r.Station = station;
    r.Model = Slots[static_cast<size_t>(slot)].SlotModel;
    r.Step = Step;
    r.Count = function == 0x06 ? 0 : value;
    r.Broadcast = station == 0;
    r.Password = owner == RequestOwner::Job && std::holds_alternative<PasswordJob>(Job);
    r.Generation = Generation;
    r.SlotGeneration = Slots[static_cast<size_t>(slot)].Generation;

    ReplyExchange::Request request;
    request.Frame = FrameCodec::BuildRequest(station, function, reg, value, Link.RtuMode);
    request.Rtu = Link.RtuMode;
    request.DeadlineTicks = DeadlineTicks(kind, r.Broadcast);
    request.ExtraPeriodWhenShort = true;
    if (owner == RequestOwner::Job)
        request.Link = TransferLink(Job);
    if (function == 0x03 || function == FunctionIdentify)
        request.ExpectedLength = Link.RtuMode ? 2 * value + 5 : 4 * value + 11;
    else if (function == 0x06)
        request.ExpectedLength = Link.RtuMode ? 8 : 17;
    else
        request.ExpectedLength = Link.RtuMode ? 3 : 5;
    // Several controllers on RTU: more than 20 ms between the requests, as a
    // wait on the clock.
    if (Link.RtuMode && ActiveSlotCount() > 1)
        request.NotBeforeMs = Port.Timebase().NowMs() + 21;
    // After a failed transaction the rest of a late or damaged reply may
    // still come: it must not be taken for the answer to this request.
    if (std::exchange(QuietBeforeNext, false))
        request.QuietMs = request.DeadlineTicks * TComPort::TickMs;
    r.AfterFailure = request.QuietMs > 0;
    r.Bytes = FrameCodec::RequestBytes(request.Frame, Link.RtuMode);
    Outstanding = std::move(r);

    ++Slots[static_cast<size_t>(slot)].ExecCount;
    try {
        Exchange.Send(request);
    } catch (const ComError &e) {
        EndCycle(e.Text());
        return;
    }
    Notify(MonitorAspect::Slots);
}

void MonitorEngine::ComPort1Trigger(std::uint16_t message, std::uint16_t argument)
{
    try {
        const std::optional<ReplyExchange::Reply> reply = Exchange.Trigger(message, argument);
        Session.ExpectedReplyLength = Exchange.ExpectedLength();
        if (!reply)
            return;
        if (CloseAfterReply) {
            CloseAfterReply = false;
            Viewer.CloseWindow();
            return;
        }
        const RequestContext request = std::exchange(Outstanding, RequestContext{});
        const Judged judged = Judge(*reply, request);
        if (IsCurrent(request)) {
            Exchange.Report(LineVerdict(judged.What));
            Process(request, judged);
        } else {
            // The request no longer stands (its slot was cancelled, the
            // selection or the job changed): nothing of its reply is kept,
            // but a damaged one may still be on its way.
            Exchange.Report(TrafficVerdict::Late);
            if (judged.What != Outcome::Answer)
                QuietBeforeNext = true;
        }
        SendNext();
    } catch (const ComError &e) {
        EndCycle(e.Text());
    }
}

void MonitorEngine::ReplaceStaleWaitingRequest()
{
    // A request still waiting for its turn (the RTU turnaround, a quiet
    // line) that no longer stands is not sent: the next one is chosen now.
    if (!Exchange.Awaiting() || Exchange.OnTheLine() || IsCurrent(Outstanding))
        return;
    Exchange.Abandon();
    QuietBeforeNext = QuietBeforeNext || Outstanding.AfterFailure;
    Outstanding = RequestContext{};
    SendNext();
}

bool MonitorEngine::IsCurrent(const RequestContext &request) const
{
    const MonitorSlot &slot = Slots[static_cast<size_t>(request.Slot)];
    if (!slot.SlotConnected || slot.Generation != request.SlotGeneration || slot.SlotModel != request.Model)
        return false;
    // A status step reads one slot's own state, whoever is selected; the
    // rest belongs to the selection and the job of its time.
    const bool statusStep = request.Kind == RequestKind::Poll && request.Step < 10;
    return statusStep || request.Generation == Generation;
}

MonitorEngine::Judged MonitorEngine::Judge(const ReplyExchange::Reply &reply, const RequestContext &request) const
{
    using Ending = ReplyExchange::Ending;
    Judged j;
    if (reply.How == Ending::Silence && !(reply.Rtu && reply.Count > 0)) {
        // A broadcast is never answered: its deadline is its success.
        if (request.Broadcast)
            j.What = Outcome::Answer;
        else
            j.Status = FrameCodec::StatusTimeout;
        return j;
    }
    const bool identifying = request.Kind == RequestKind::Poll && request.Step == 0;
    const bool write = request.Kind == RequestKind::Unlock || request.Kind == RequestKind::Write;
    FrameCodec::MonitorVerdict v = FrameCodec::CheckMonitorReply(reply.Bytes, reply.Count, request.Station, reply.Rtu,
                                                                 identifying, reply.How == Ending::Overflow);
    j.ExceptionCode = v.ExceptionCode;
    j.Status = v.Status;
    const auto format = [&j] {
        j.What = Outcome::Format;
        j.Status = FrameCodec::StatusFormatFault;
    };
    switch (v.Kind) {
    case FrameCodec::ReplyKind::Fault:
        if (v.Status == FrameCodec::StatusChecksumFault)
            j.What = Outcome::Checksum;
        else if (v.Status != FrameCodec::StatusExceptionFault)
            j.What = Outcome::Format;
        else if (v.Function == 0x86 || v.Function == 0xE8)
            j.What = Outcome::WriteRefused;
        else if (v.Function == 0x83 || v.Function == 0xE7)
            j.What = Outcome::ReadRefused;
        else
            j.What = Outcome::OtherException;
        break;
    case FrameCodec::ReplyKind::ForeignStation:
        j.What = Outcome::Foreign;
        j.Status = FrameCodec::StatusFormatFault;
        break;
    case FrameCodec::ReplyKind::Data:
        // Not the answer to this request: a reply that came late, or one
        // that is short of words.
        if (write || static_cast<int>(v.Words.size()) != request.Count) {
            format();
            break;
        }
        j.What = Outcome::Answer;
        j.Words = std::move(v.Words);
        break;
    case FrameCodec::ReplyKind::Write:
        if (!write) {
            format();
        } else if (v.Function == 0x86) {
            j.What = Outcome::WriteRefused;
            j.Status = FrameCodec::StatusExceptionFault;
            j.ExceptionCode = v.Bytes.size() > 2 ? v.Bytes[2] : 0;
        } else if (request.Password || FrameCodec::EchoMatch(request.Bytes, v.Bytes)) {
            // The controller's answer to a password is not an echo to
            // compare: the attempt ends with it either way.
            j.What = Outcome::Answer;
        } else {
            j.What = Outcome::EchoMismatch;
            j.Status = FrameCodec::StatusEchoMismatch;
        }
        break;
    case FrameCodec::ReplyKind::ModelA:
        j.What = Outcome::Answer;
        j.ModelA = true;
        break;
    }
    if (j.What == Outcome::Answer)
        j.Status = FrameCodec::StatusOk;
    return j;
}

TrafficVerdict MonitorEngine::LineVerdict(Outcome what)
{
    switch (what) {
    case Outcome::Answer:
        return TrafficVerdict::Ok;
    case Outcome::Timeout:
        return TrafficVerdict::Timeout;
    case Outcome::Checksum:
        return TrafficVerdict::Checksum;
    case Outcome::Format:
        return TrafficVerdict::Format;
    case Outcome::Foreign:
        return TrafficVerdict::Foreign;
    case Outcome::ReadRefused:
    case Outcome::WriteRefused:
    case Outcome::OtherException:
        return TrafficVerdict::Exception;
    case Outcome::EchoMismatch:
        return TrafficVerdict::EchoMismatch;
    }
    return TrafficVerdict::None;
}

void MonitorEngine::Process(const RequestContext &request, const Judged &judged)
{
    Status = judged.Status;
    if (judged.What == Outcome::Answer)
        Answered(request, judged);
    else
        Failed(request, judged);
}

void MonitorEngine::Answered(const RequestContext &request, const Judged &judged)
{
    MonitorSlot &slot = Slots[static_cast<size_t>(request.Slot)];
    slot.FailuresInARow = 0;
    ReadFaultCount = WriteFaultCount = 0;

    switch (request.Kind) {
    case RequestKind::Poll:
        if (judged.ModelA) {
            slot.SlotModel = ModelA;
            slot.Identified = true;
        } else {
            Consume(request.Step, request.Slot, judged.Words);
        }
        Advance();
        break;
    case RequestKind::BlockRead:
        JobData(judged.Words.front());
        break;
    case RequestKind::Unlock:
    case RequestKind::Write:
        if (request.Owner == RequestOwner::Job) {
            JobConfirmed(request.Kind);
        } else if (request.Kind == RequestKind::Unlock) {
            UnlockPending = false;
            UnlockDone = true;
        } else {
            RefreshRequested = true;
            EndPendingWrite(true);
        }
        break;
    }

    // The selected slot's LED tells of a page or calibration read-out.
    LinkLed led = LinkLed::Green;
    if (request.Slot == Selected && Step >= 10 && Step <= 14)
        led = LinkLed::Yellow;
    else if (request.Slot == Selected && Step >= 20 && Step <= 21)
        led = LinkLed::Blue;
    SetLed(request.Slot, led);
    Notify(MonitorAspect::Slots);
}

void MonitorEngine::Failed(const RequestContext &request, const Judged &judged)
{
    // What happened: counted and shown.
    MonitorSlot &slot = Slots[static_cast<size_t>(request.Slot)];
    ++slot.ErrorCount;
    ++slot.FailuresInARow;
    SetLed(request.Slot, LinkLed::Red);
    QuietBeforeNext = true;
    QString text;
    switch (judged.What) {
    case Outcome::Answer:
        break;
    case Outcome::Timeout:
        text = MessageTable::TimeoutText;
        break;
    case Outcome::Checksum:
        text = MessageTable::ModbusFaultTexts[10];
        break;
    case Outcome::Format:
        text = MessageTable::FormatFaultText;
        break;
    case Outcome::Foreign:
        text = MessageTable::AddressNotCorrect;
        break;
    case Outcome::ReadRefused:
        text = MessageTable::ReadErrorPrefix + MessageTable::ExceptionText(judged.ExceptionCode);
        ++ReadFaultCount;
        break;
    case Outcome::WriteRefused:
        text = MessageTable::WriteErrorPrefix + MessageTable::ExceptionText(judged.ExceptionCode);
        ++WriteFaultCount;
        break;
    case Outcome::OtherException:
        text = MessageTable::ModbusFaultTexts[9];
        break;
    case Outcome::EchoMismatch:
        text = MessageTable::EchoMismatchText;
        if (request.Owner == RequestOwner::Job)
            ++WriteFaultCount;  // a transfer's write is repeated, but not for ever
        break;
    }
    SetMessage(text, true);

    // What it leads to. The request is repeated, unless:
    if (request.Password && judged.What == Outcome::WriteRefused) {
        PasswordAnswered();  // a refused password is not tried again
    } else if (judged.What == Outcome::EchoMismatch && request.Owner == RequestOwner::Selection) {
        // The controller holds something else: show what it holds.
        UnlockPending = false;
        RefreshRequested = true;
        EndPendingWrite(false);
    }
    if (ReadFaultCount > FaultLimit || WriteFaultCount > FaultLimit) {
        // The controller keeps refusing: give up what was pending.
        UnlockDone = UnlockPending = false;
        EndPendingWrite(false);
        EndJob(JobEnd::Failed);
        if (request.Slot == Selected)
            RefreshRequested = true;
        ReadFaultCount = WriteFaultCount = 0;
        slot.FailuresInARow = 0;
        Advance();
    } else if (slot.FailuresInARow > FaultLimit) {
        // Four failed transactions in a row, of whatever kind: the slot is
        // dropped with the message of the last, and the others go on.
        Drop(request.Slot);
        Advance();
    }
    Notify(MonitorAspect::Slots | MonitorAspect::Message);
}

void MonitorEngine::Advance()
{
    if (ActiveSlotCount() == 0)
        return;
    if (ReselectPending && SelectedUsable()) {
        ReselectPending = false;
        Polled = Selected;
        Slots[static_cast<size_t>(Selected)].IdentifyPending = true;
        Step = 0;
    } else if (Step <= 8) {
        if (Step == 0) {
            Step = 1;
        } else if (Step == 1) {
            Step = 2;
            Polled = 0;
            AdvanceStatusSlot();
        } else {
            ++Polled;
            AdvanceStatusSlot();
        }
        if (Step == 9)
            AtStep9();
    } else if (Step == 14) {
        if (Calibration) {
            Step = 20;
            if (!UnlockDone)
                UnlockPending = true;
            SetLed(Selected, LinkLed::Blue);
        } else {
            if (Parameters.CalibrationShown)
                Parameters.ShowCalibration(false, ModelNone);
            SetLed(Selected, LinkLed::Green);
            Step = 2;
            Polled = 0;
        }
    } else if (Step == 21) {
        Step = 2;
        Polled = 0;
        SetLed(Selected, LinkLed::Green);
    } else {
        ++Step;
    }
    SettleOnConnectedSlot();
}

void MonitorEngine::SettleOnConnectedSlot()
{
    if (!Slots[static_cast<size_t>(Polled)].SlotConnected) {
        // The polled slot has gone: the status pass goes on at the next one
        // (the identification and first step were that slot's own).
        Step = std::max(Step, 2);
        for (int k = 0; k < SlotCount && !Slots[static_cast<size_t>(Polled)].SlotConnected; ++k)
            Polled = (Polled + 1) % SlotCount;
    }
    MonitorSlot &reached = Slots[static_cast<size_t>(Polled)];
    if (reached.SlotConnected && reached.IdentifyPending) {
        Step = 0;
        reached.IdentifyPending = false;
        if (Polled == Selected)
            RefreshRequested = true;
    }
}

void MonitorEngine::AdvanceStatusSlot()
{
    // Past slot 3 the next step starts at slot 0; step 8 visits only the
    // slots running a program, and after it comes step 9.
    for (int guard = 0; guard < 64; ++guard) {
        if (Polled >= SlotCount) {
            Polled = 0;
            ++Step;
        }
        if (Step >= 9) {
            Step = 9;
            Polled = 0;
            return;
        }
        const MonitorSlot &slot = Slots[static_cast<size_t>(Polled)];
        if (slot.SlotConnected && (Step != 8 || slot.ProgramRunning))
            return;
        ++Polled;
    }
}

void MonitorEngine::AtStep9()
{
    const MonitorSlot &selected = Slots[static_cast<size_t>(Selected)];
    if (!selected.Identified) {
        // Its identification comes first (it is on its way): the page of
        // the model it was before must not be read or shown.
        Step = 2;
    } else if (selected.Restricted()) {
        // Below level 4 the page cannot be read: it is shown as it may be.
        RefreshRequested = false;
        Step = 2;
        RefreshPage();
        Parameters.Shown = !TrendView;
        Notify(MonitorAspect::Page);
    } else if (RefreshRequested) {
        RefreshRequested = false;
        Polled = Selected;
        Step = 10;
        SetLed(Selected, LinkLed::Yellow);
    } else {
        Step = 2;
    }
}

// ---- status display -------------------------------------------------------

void MonitorEngine::Consume(int step, int s, const std::vector<int> &words)
{
    if (step >= 10) {
        // The page belongs to the slot that is selected now.
        if (s != Selected)
            return;
        MonitorSlot &slot = Slots[static_cast<size_t>(s)];
        const ParameterPage::ReadOutResult r = Parameters.ReadOut(step, slot, Selected, words);
        if (r.StepBecomes21)
            Step = 21;
        if (r.Completed) {
            ++PageReads;
            RefreshPage();
            if (!Parameters.Shown && !TrendView)
                Parameters.Shown = true;
        }
        Notify(MonitorAspect::Page | MonitorAspect::Slots | MonitorAspect::Large);
        return;
    }
    MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    if (step == 0) {
        slot.SlotModel = words.size() >= 2 && words[0] == 2 ? static_cast<std::uint8_t>('A' + (words[1] & 0xFF))
                                                            : ModelOther;
        if (words.size() >= 3)
            slot.FirmwareVersion = words[2];
        slot.Identified = true;
        return;
    }
    const bool selected = s == Selected;
    const StatusEffects e = DecodeStatus(step, slot, selected, words);
    if (e.RefreshRequested)
        RefreshRequested = true;
    if (e.UploadMenu)
        MenuState.Upload = *e.UploadMenu;
    if (e.RampSoakMenu)
        MenuState.RampSoak = *e.RampSoakMenu;
    if (e.PvShown)
        ShowPvSv(s);
    if (e.OutputsShown)
        ShowOutputs(s);
    if (e.LedChanged)
        ShowLeds(s);
    if (e.ProgramShown)
        ShowProgram(s, e.ProgramWords);
    if (e.Diagnostics)
        ShowDiagnostics(s);
    if (e.SecurityRead && selected) {
        if (step == 7)
            CheckLevelChange();
        RefreshSecurity();
        if (std::exchange(PasswordReadBack, false))
            Viewer.TransferFinished(FinishedTransfer::Password, 0, slot.SlotAddress);
    }
    Notify(MonitorAspect::Slots | MonitorAspect::Large | MonitorAspect::Menus | MonitorAspect::Diagnostics
           | MonitorAspect::Security);
}

void MonitorEngine::ShowPvSv(int s)
{
    const MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    SlotView &v = Views[static_cast<size_t>(s)];
    const bool fault = slot.PvFaultCode != 0;
    v.PvText = fault ? PvFaultText(slot.PvFaultCode) : ScaledValueText(slot.ProcessValue, slot.DecimalsCode);
    v.PvFontSize = fault ? 8 : 10;
    const QString sv = ScaledValueText(slot.SetValue, slot.DecimalsCode);
    if (!slot.ProgramRunning)
        v.SvText = sv;
    if (s != Selected)
        return;
    LargeDisplay.PvText = v.PvText;
    LargeDisplay.PvFault = fault;
    if (!slot.ProgramRunning) {
        LargeDisplay.SvText = sv;
        if (!LargeDisplay.SvEditVisible) {
            LargeDisplay.SvFontSize = 32;
            LargeDisplay.ProgDispVisible = false;
            LargeDisplay.SvEditVisible = true;
        }
    }
}

void MonitorEngine::ShowOutputs(int s)
{
    const MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    SlotView &v = Views[static_cast<size_t>(s)];
    v.OutputsShown = true;
    v.Outputs = ComputeOutputs(slot);
    v.Out1Level = std::clamp(slot.Output1Level, 0, 1000);
    v.Out2Level = std::clamp(slot.Output2Level, 0, 1000);
    if (s != Selected)
        return;
    LargeDisplay.OutputsShown = true;
    LargeDisplay.Outputs = v.Outputs;
    LargeDisplay.Out1Level = v.Out1Level;
    LargeDisplay.Out2Level = v.Out2Level;
}

void MonitorEngine::ShowLeds(int s)
{
    const MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    SlotView &v = Views[static_cast<size_t>(s)];
    const LedLights lights = DecodeLeds(CommonLedByte(slot.SlotModel, slot.LedByte));
    v.Alarm1On = lights.Alarm1;
    v.Alarm2On = lights.Alarm2;
    v.Alarm3On = lights.Alarm3;
    v.UnitText = UnitText(lights);
    if (s != Selected)
        return;
    LargeDisplay.Lights = lights;
    LargeDisplay.LightsKnown = true;
}

void MonitorEngine::ShowProgram(int s, const std::array<int, 5> &words)
{
    const QString text = ProgramText(words, Slots[static_cast<size_t>(s)], Calibration);
    Views[static_cast<size_t>(s)].SvText = text;
    if (s != Selected)
        return;
    LargeDisplay.SvText = text;
    LargeDisplay.SvFontSize = words[0] == 2 ? 24 : 32;
    if (!LargeDisplay.ProgDispVisible) {
        LargeDisplay.ProgDispVisible = true;
        LargeDisplay.ProgDispItem = std::clamp(words[0], 0, 2);
        LargeDisplay.SvEditVisible = false;
    }
}

void MonitorEngine::ShowDiagnostics(int s)
{
    const MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    VoltageLabel = QString::number(slot.InputVoltage);
    ColdLabel = ScaledValueText(slot.ColdJunction, 1);
}

void MonitorEngine::BlankLargeDisplay()
{
    LargeDisplay = LargeView{};
    Parameters.Shown = false;
}

void MonitorEngine::RefreshPage()
{
    if (!SelectedUsable())
        return;
    PageMenus menus{MenuState.Upload, MenuState.RampSoak};
    Parameters.Refresh(Slots[static_cast<size_t>(Selected)], CalibrationCode, menus);
    MenuState.Upload = menus.Upload;
    MenuState.RampSoak = menus.RampSoak;
    RefreshSecurity();
}
