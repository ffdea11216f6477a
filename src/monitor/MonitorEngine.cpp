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

} // namespace

MonitorEngine::MonitorEngine(TComPort &port, TSessionState &session, MonitorView &view)
    : Port(port), Session(session), Viewer(view), Exchange(port)
{
    Port.OnTrigger = [this](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
        ComPort1Trigger(message, argument);
    };
    Port.OnLineLost = [this](TComPort &, const QString &text) {
        if (Port.Open() || Active > 0)
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
    Active = 0;
    Step = 0;
    Polled = 0;
    Selected = 0;
    ReselectPending = false;
    CloseAfterReply = false;
    ClearWriteFlags();
    Calibration = false;
    EndTransfers();
    TimeoutCount = ReadFaultCount = WriteFaultCount = 0;
    Link = LinkSettings;
    RefreshRequested = true;
    // The buffer's commands wait for the next upload or file.
    ImageGood = false;
    MenuState.Save = MenuState.SaveAs = MenuState.WriteSelected = MenuState.WriteAll = MenuState.RampSoak = false;
    PasswordInProgress = false;
    for (int s = 0; s < SlotCount; ++s) {
        MonitorSlot &slot = Slots[static_cast<size_t>(s)];
        slot.SlotConnected = false;
        slot.IdentifyPending = false;
        slot.PvRead = false;
        slot.LedByte = LedUnknown;
        slot.ComWriteEnabled = ComWriteUnknown;
        slot.ExecCount = 0;
        slot.ErrorCount = 0;
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
    EndTransfers(true);
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

void MonitorEngine::RunBt0Click(int s, const std::array<int, SlotCount> &addresses)
{
    if (s < 0 || s >= SlotCount)
        return;
    if (Slots[static_cast<size_t>(s)].SlotConnected)
        Disconnect(s);
    else
        Connect(s, addresses);
}

void MonitorEngine::Connect(int s, const std::array<int, SlotCount> &addresses)
{
    MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    slot.SlotConnected = true;
    slot.IdentifyPending = true;
    slot.PvRead = false;
    ++Active;
    ShowConnection(s);
    if (Active == 1) {
        Selected = s;
        slot.LedByte = LedUnknown;
        RefreshRequested = true;
        ClearWriteFlags();
        Calibration = false;
        SelectionSet(s);
    }
    Viewer.ClearTrend(s);
    CopyAddresses(addresses);
    if (Active == 1) {
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

void MonitorEngine::Disconnect(int s)
{
    MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    slot.ProgramRunning = 0;
    if (s == Selected && slot.IsModelC())
        ReselectPending = true;
    Drop(s);
    Notify(MonitorAspect::All);
}

void MonitorEngine::Drop(int s)
{
    Slots[static_cast<size_t>(s)].SlotConnected = false;
    if (Active > 0)
        --Active;
    if (s == Selected)
        EndTransfers(true);
    ShowConnection(s);
    if (s == Selected)
        HandSelectionOn(s);
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

void MonitorEngine::HandSelectionOn(int s)
{
    Selected = NoSlot;
    for (int k = 1; k < SlotCount; ++k) {
        const int next = (s + k) % SlotCount;
        if (Slots[static_cast<size_t>(next)].SlotConnected) {
            Selected = next;
            Slots[static_cast<size_t>(next)].LedByte = LedUnknown;
            RefreshRequested = true;
            break;
        }
    }
    ClearWriteFlags();
    Calibration = false;
    if (Parameters.CalibrationShown)
        Parameters.ShowCalibration(false, ModelNone);
    if (Selected != NoSlot)
        SelectionSet(Selected);
}

void MonitorEngine::SelectionSet(int s)
{
    Slots[static_cast<size_t>(s)].Led = LinkLed::Green;
    LargeDisplay.LightsKnown = false;
}

void MonitorEngine::ClearWriteFlags()
{
    UnlockDone = false;
    UnlockPending = false;
    WritePending = false;
    PasswordReadBack = false;
}

void MonitorEngine::AfterLastSlot()
{
    if (Active != 0)
        return;
    SamplingOn = false;
    MenuState.FileMenu = MenuState.ParametersMenu = MenuState.ViewMenu = false;
    Parameters.Shown = false;
    TrendView = false;
    MenuState.SettingChecked = MenuState.PvRecordChecked = false;
}

void MonitorEngine::CopyAddresses(const std::array<int, SlotCount> &addresses)
{
    for (int s = 0; s < SlotCount; ++s)
        Slots[static_cast<size_t>(s)].SlotAddress = std::clamp(addresses[static_cast<size_t>(s)], 1, 247);
}

void MonitorEngine::ComAddr0Change(int s, const std::array<int, SlotCount> &addresses)
{
    if (s < 0 || s >= SlotCount || !Slots[static_cast<size_t>(s)].SlotConnected)
        return;
    Slots[static_cast<size_t>(s)].IdentifyPending = true;
    Slots[static_cast<size_t>(s)].PvRead = false;
    CopyAddresses(addresses);
    if (s == Selected) {
        Viewer.ClearTrend(s);
        ClearWriteFlags();
        Calibration = false;
        EndTransfers(true);
        if (Parameters.CalibrationShown)
            Parameters.ShowCalibration(false, ModelNone);
    }
    Notify(MonitorAspect::All);
}

void MonitorEngine::Adr0LbClick(int s)
{
    if (s < 0 || s >= SlotCount || !Slots[static_cast<size_t>(s)].SlotConnected || s == Selected)
        return;
    ReselectPending = true;
    Slots[static_cast<size_t>(s)].LedByte = LedUnknown;
    Selected = s;
    LargeDisplay.LightsKnown = false;
    RefreshRequested = true;
    Calibration = false;
    ClearWriteFlags();
    EndTransfers(true);
    if (Parameters.CalibrationShown)
        Parameters.ShowCalibration(false, ModelNone);
    Notify(MonitorAspect::All);
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
        Slots[static_cast<size_t>(s)].SlotConnected = false;
        ShowConnection(s);
    }
    Active = 0;
    Selected = NoSlot;
    CloseAfterReply = false;
    ClearWriteFlags();
    Calibration = false;
    EndTransfers(true);
    AfterLastSlot();
    CloseLine();
    BlankLargeDisplay();
    Notify(MonitorAspect::All);
    Viewer.ShowLineFault(text);
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
    if (!active && Active > 0)
        Parameters.Shown = true;
    Notify(MonitorAspect::Menus | MonitorAspect::Page);
}

void MonitorEngine::PassEditEntered(AccessCode code)
{
    switch (code) {
    case AccessCode::Calibration: {
        CalibrationCode = true;
        if (Selected == NoSlot)
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
        Parameters.SecurityVisible = Selected != NoSlot && Slots[static_cast<size_t>(Selected)].IsModelC();
        break;
    }
    Notify(MonitorAspect::Page | MonitorAspect::Diagnostics | MonitorAspect::Message);
}

// ---- the parameter page's writes -----------------------------------------

void MonitorEngine::RangeHiKeyPress(Pc control, const QString &text)
{
    if (Selected == NoSlot || Control(control).Kind != ControlKind::Edit || control == Pc::PDOffset)
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
    if (Selected == NoSlot || Control(control).Kind != ControlKind::List)
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
    if (Selected == NoSlot)
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

int MonitorEngine::DeadlineTicks(bool broadcast) const
{
    if (Link.RtuMode)
        return Link.BaudRate >= 38400 ? 1 : Link.BaudRate >= 9600 ? 2 : 3;
    if (broadcast)
        return AsciiBroadcastDeadline;
    return UnlockPending || WritePending ? AsciiWriteDeadline : AsciiDeadline;
}

void MonitorEngine::SendNext()
{
    if (Active == 0) {
        CloseLine();
        BlankLargeDisplay();
        Notify(MonitorAspect::All);
        return;
    }
    if (Selected == NoSlot || !Slots[static_cast<size_t>(Selected)].SlotConnected) {
        const auto connected = std::find_if(Slots.begin(), Slots.end(), [](const MonitorSlot &s) { return s.SlotConnected; });
        Selected = static_cast<int>(connected - Slots.begin());
        SelectionSet(Selected);
        RefreshRequested = true;
    }
    PrepareTransferWrite();
    const MonitorSlot &selected = Slots[static_cast<size_t>(Selected)];
    const int station = Broadcasting ? 0 : selected.SlotAddress;
    if (UnlockPending) {
        Send(RequestKind::Unlock, Selected, station, 0x06, UnlockRegister(selected.SlotModel), MonitorUnlockCode);
        return;
    }
    if (WritePending) {
        UnlockDone = false;
        Send(RequestKind::Write, Selected, station, 0x06, WriteRegister, WriteValue);
        return;
    }
    if (UploadStarted || UploadRunning) {
        UploadRunning = true;
        Send(RequestKind::ParameterBlock, Selected, station, 0x03, BlockRegister, 1);
        return;
    }
    if (RampReadRunning) {
        Send(RequestKind::RampBlock, Selected, station, 0x03, 0x474D, 1);
        return;
    }
    for (int guard = 0; guard < 8; ++guard) {
        const int slot = Step < 10 ? Polled : Selected;
        const MonitorSlot &polled = Slots[static_cast<size_t>(slot)];
        const PollRequest r = StepRequest(Step, polled.SlotModel, polled.SecurityLevel);
        if (r.Sent) {
            Send(RequestKind::Poll, slot, polled.SlotAddress, r.Function, r.Register, r.Count);
            return;
        }
        Advance();  // a step this model does not have
        if (Active == 0) {
            SendNext();
            return;
        }
    }
}

void MonitorEngine::Send(RequestKind kind, int slot, int station, int function, int reg, int value)
{
    Current = Outstanding{};
    Current.Kind = kind;
    Current.Step = Step;
    Current.Slot = slot;
    Current.Station = station;
    Current.Function = function;
    Current.Count = function == 0x06 ? 0 : value;
    Current.Broadcast = Broadcasting;
    Current.Password = PasswordWrite;

    ReplyExchange::Request request;
    request.Frame = FrameCodec::BuildRequest(station, function, reg, value, Link.RtuMode);
    request.Rtu = Link.RtuMode;
    request.DeadlineTicks = DeadlineTicks(Current.Broadcast);
    request.ExtraPeriodWhenShort = true;
    if (function == 0x03 || function == FunctionIdentify)
        request.ExpectedLength = Link.RtuMode ? 2 * value + 5 : 4 * value + 11;
    else if (function == 0x06)
        request.ExpectedLength = Link.RtuMode ? 8 : 17;
    else
        request.ExpectedLength = Link.RtuMode ? 3 : 5;
    // Several controllers on RTU: more than 20 ms between the requests, as a
    // wait on the clock.
    if (Link.RtuMode && Active > 1)
        request.NotBeforeMs = Port.Timebase().NowMs() + 21;
    // After a failed transaction the rest of a late or damaged reply may
    // still come: it must not be taken for the answer to this request.
    if (std::exchange(QuietBeforeNext, false))
        request.QuietMs = request.DeadlineTicks * TComPort::TickMs;
    Current.Request = FrameCodec::RequestBytes(request.Frame, Link.RtuMode);

    MonitorSlot &counted = Slots[static_cast<size_t>(slot)];
    ++counted.ExecCount;
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
        Process(*reply);
    } catch (const ComError &e) {
        EndCycle(e.Text());
    }
}

void MonitorEngine::Process(const ReplyExchange::Reply &reply)
{
    using Ending = ReplyExchange::Ending;
    if (reply.How == Ending::Silence && !(reply.Rtu && reply.Count > 0)) {
        if (Current.Broadcast) {
            // A broadcast is never answered: its deadline is its success.
            WriteConfirmed();
            SendNext();
            return;
        }
        Account(FrameCodec::StatusTimeout);
        SendNext();
        return;
    }
    const bool identifying = Current.Kind == RequestKind::Poll && Current.Step == 0;
    const FrameCodec::MonitorVerdict v = FrameCodec::CheckMonitorReply(
        reply.Bytes, reply.Count, Current.Station, reply.Rtu, identifying, reply.How == Ending::Overflow);
    switch (v.Kind) {
    case FrameCodec::ReplyKind::Fault:
        Account(v.Status, v.Function, v.ExceptionCode);
        break;
    case FrameCodec::ReplyKind::ForeignStation:
        Account(FrameCodec::StatusFormatFault, v.Function, 0, true);
        break;
    case FrameCodec::ReplyKind::Data:
        if (static_cast<int>(v.Words.size()) != Current.Count) {
            // Not the answer to this request (a reply that came late, or
            // one that is short of words).
            Account(FrameCodec::StatusFormatFault, v.Function);
            break;
        }
        ProcessData(v.Words);
        Account(FrameCodec::StatusOk);
        break;
    case FrameCodec::ReplyKind::Write:
        ProcessWrite(v.Bytes, v.Function, v.Bytes.size() > 2 ? v.Bytes[2] : 0);
        break;
    case FrameCodec::ReplyKind::ModelA:
        Slots[static_cast<size_t>(Current.Slot)].SlotModel = ModelA;
        Advance();
        Account(FrameCodec::StatusOk);
        break;
    }
    SendNext();
}

void MonitorEngine::ProcessData(const std::vector<int> &words)
{
    if (Current.Kind == RequestKind::ParameterBlock) {
        StoreParameterPair(words[0]);
        return;
    }
    if (Current.Kind == RequestKind::RampBlock) {
        StoreRampPair(words[0]);
        return;
    }
    Consume(Current.Step, Current.Slot, words);
    Advance();
}

void MonitorEngine::ProcessWrite(const std::vector<std::uint8_t> &bytes, int function, int exceptionCode)
{
    if (Current.Password) {
        // The controller's answer to a password is not an echo to compare:
        // the attempt ends either way, and the slot is identified and read
        // again to show the level and keys it has now. A refused password
        // is not repeated.
        PasswordWrite = false;
        PasswordInProgress = false;
        WritePending = false;
        PasswordReadBack = true;
        ReselectPending = true;
        Advance();
        RefreshRequested = true;
        if (function == 0x86)
            Account(FrameCodec::StatusExceptionFault, function, exceptionCode);
        else
            Account(FrameCodec::StatusOk);
        return;
    }
    if (function == 0x86) {
        // Refused by the controller: an exception, repeated up to the fourth.
        Account(FrameCodec::StatusExceptionFault, function, exceptionCode);
        return;
    }
    if (!FrameCodec::EchoMatch(Current.Request, bytes)) {
        WritePending = false;
        UnlockPending = false;
        RefreshRequested = true;
        Account(FrameCodec::StatusEchoMismatch);
        return;
    }
    WriteConfirmed();
    Account(FrameCodec::StatusOk);
}

void MonitorEngine::Account(int status, int function, int exceptionCode, bool foreign)
{
    Status = status;
    const int s = Current.Slot;
    MonitorSlot &slot = Slots[static_cast<size_t>(s)];
    if (status == FrameCodec::StatusOk) {
        TimeoutCount = ReadFaultCount = WriteFaultCount = 0;
        // The selected slot's LED tells of a page or calibration read-out.
        LinkLed led = LinkLed::Green;
        if (s == Selected && Step >= 10 && Step <= 14)
            led = LinkLed::Yellow;
        else if (s == Selected && Step >= 20 && Step <= 21)
            led = LinkLed::Blue;
        SetLed(s, led);
        Notify(MonitorAspect::Slots);
        return;
    }
    ++slot.ErrorCount;
    SetLed(s, LinkLed::Red);
    QuietBeforeNext = true;
    QString text;
    switch (status) {
    case FrameCodec::StatusFormatFault:
        text = foreign ? MessageTable::AddressNotCorrect : MessageTable::FormatFaultText;
        break;
    case FrameCodec::StatusChecksumFault:
        text = MessageTable::ModbusFaultTexts[10];
        break;
    case FrameCodec::StatusExceptionFault:
        if (function == 0x86 || function == 0xE8) {
            text = MessageTable::WriteErrorPrefix + MessageTable::ExceptionText(exceptionCode);
            ++WriteFaultCount;
        } else if (function == 0x83 || function == 0xE7) {
            text = MessageTable::ReadErrorPrefix + MessageTable::ExceptionText(exceptionCode);
            ++ReadFaultCount;
        } else {
            text = MessageTable::ModbusFaultTexts[9];
        }
        break;
    case FrameCodec::StatusTimeout:
        text = MessageTable::TimeoutText;
        ++TimeoutCount;
        break;
    case FrameCodec::StatusEchoMismatch:
        text = MessageTable::EchoMismatchText;
        break;
    default:
        break;
    }
    SetMessage(text, true);
    if (ReadFaultCount > FaultLimit || WriteFaultCount > FaultLimit) {
        // The controller keeps refusing: give up what was pending.
        ClearWriteFlags();
        EndTransfers(true);
        if (s == Selected)
            RefreshRequested = true;
        ReadFaultCount = WriteFaultCount = 0;
        Advance();
    }
    if (TimeoutCount > FaultLimit) {
        TimeoutCount = 0;
        Drop(s);
        Advance();
    }
    Notify(MonitorAspect::Slots | MonitorAspect::Message);
}

void MonitorEngine::Advance()
{
    if (Active <= 0)
        return;
    if (ReselectPending) {
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
    for (int k = 0; k < SlotCount && !Slots[static_cast<size_t>(Polled)].SlotConnected; ++k)
        Polled = (Polled + 1) % SlotCount;
    if (!Slots[static_cast<size_t>(Polled)].SlotConnected) {
        Active = 0;
        return;
    }
    MonitorSlot &reached = Slots[static_cast<size_t>(Polled)];
    if (reached.IdentifyPending) {
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
    if (selected.Restricted()) {
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
    if (Selected == NoSlot)
        return;
    PageMenus menus{MenuState.Upload, MenuState.RampSoak};
    Parameters.Refresh(Slots[static_cast<size_t>(Selected)], CalibrationCode, menus);
    MenuState.Upload = menus.Upload;
    MenuState.RampSoak = menus.RampSoak;
    RefreshSecurity();
}
