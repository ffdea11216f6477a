#include "SamplerLink.h"

#include "ErrorReport.h"

SamplerLink::SamplerLink(RecorderLink &link, TSessionState &session, EventClock &clock)
    : Link(link), Session(session), Clock(clock)
{
    Link.Handler = this;
    PreviousLost = Link.Port.OnLineLost;
    Link.Port.OnLineLost = [this](TComPort &, const QString &text) { LineLost(text); };
}

SamplerLink::~SamplerLink()
{
    OnReply = nullptr;
    OnFailure = nullptr;
    Close();
    if (Link.Handler == this)
        Link.Handler = nullptr;
    Link.Port.OnLineLost = PreviousLost;
}

bool SamplerLink::Open(const TLinkSettings &settings)
{
    Copy = settings;
    TComPort &port = Link.Port;
    try {
        port.SetComNumber(Copy.PortNumber);
        port.SetBaud(Copy.BaudRate);
        port.SetDatabits(Copy.DataBits);
        port.SetStopbits(Copy.StopBits);
        switch (Copy.ParityIndex) {
        case 0: port.SetParity(pNone); break;
        case 1: port.SetParity(pEven); break;
        case 2: port.SetParity(pOdd); break;
        default: break;  // the port keeps the parity it had
        }
        Session.ActiveModule = ModuleRecorder;
        Holding = true;
        port.SetOpen(true);
        Link.RecorderTimerTrigger = port.AddTimerTrigger();
        port.SetTimerTrigger(Link.RecorderTimerTrigger, Session.RecorderTimeoutTicks, false);
    } catch (const ComError &e) {
        return Fail(e.Text());
    }
    Link.RecorderAwaitingReply = false;
    Phase = Stage::Idle;
    return true;
}

void SamplerLink::Close()
{
    if (TurnaroundTask)
        Clock.Cancel(TurnaroundTask);
    TurnaroundTask = 0;
    Phase = Stage::Idle;
    Link.RecorderAwaitingReply = false;
    if (Link.Port.Open())
        Link.Port.SetOpen(false);
    // Only a line this link took is given back.
    if (Holding && Session.ActiveModule == ModuleRecorder)
        Session.ActiveModule = ModuleNone;
    Holding = false;
}

bool SamplerLink::IsOpen() const
{
    return Link.Port.Open();
}

bool SamplerLink::Request(int station)
{
    Station = station;
    return Send();
}

bool SamplerLink::RequestNext(int station)
{
    const qint64 due = ReplyTakenMs + TurnaroundMs + 1;
    if (!Copy.RtuMode || Clock.NowMs() >= due)
        return Request(station);
    // The line turns round while the window goes on: the request is
    // outstanding from now on, so that the sample clock leaves it alone.
    Station = station;
    Phase = Stage::Turnaround;
    Link.RecorderAwaitingReply = true;
    TurnaroundTask = Clock.CallAt(due, [this] {
        TurnaroundTask = 0;
        if (Phase == Stage::Turnaround)
            Send();
    });
    return true;
}

bool SamplerLink::Send()
{
    const FrameCodec::Frame frame = FrameCodec::BuildRequest(Station, FrameCodec::FunctionRead, ProcessValueRegister,
                                                             2, Copy.RtuMode);
    if (Copy.RtuMode)
        Session.RecorderTimeoutTicks = Copy.BaudRate < 9600 ? 3 : 2;
    Link.ClearReply();
    Phase = Stage::Awaiting;
    Link.RecorderAwaitingReply = true;
    try {
        Link.Port.SetTimerTrigger(Link.RecorderTimerTrigger, Session.RecorderTimeoutTicks, true);
        Link.Port.PutBlock(frame.Bytes.data(), frame.Length);
    } catch (const ComError &e) {
        return Fail(e.Text());
    }
    return true;
}

void SamplerLink::ProcessReply()
{
    if (Phase != Stage::Awaiting) {
        // Bytes nobody asked for (line noise while the line turns round):
        // the request about to go out is still outstanding.
        Link.RecorderAwaitingReply = Phase == Stage::Turnaround;
        return;
    }
    Phase = Stage::Idle;
    ReplyTakenMs = Clock.NowMs();
    if (OnReply)
        OnReply();
}

FrameCodec::RecorderVerdict SamplerLink::Judge()
{
    const FrameCodec::RecorderVerdict verdict =
        FrameCodec::CheckRecorderReply(Link.RecorderRxBuffer, Link.RecorderRxCount, Station, Copy.RtuMode,
                                       Session.ResultCode, Link.RecorderRxOverflow);
    Session.ResultCode = verdict.ResultCode;
    return verdict;
}

void SamplerLink::LineLost(const QString &text)
{
    Fail(text);
}

bool SamplerLink::Fail(const QString &text)
{
    if (TurnaroundTask)
        Clock.Cancel(TurnaroundTask);
    TurnaroundTask = 0;
    Phase = Stage::Idle;
    Link.RecorderAwaitingReply = false;
    if (OnFailure)
        OnFailure(text);
    return false;
}
