#include "SamplerLink.h"

#include "ErrorReport.h"
#include "ReplyExchange.h"

SamplerLink::SamplerLink(RecorderLink &link, TSessionState &session, EventClock &clock)
    : Link(link), Session(session), Clock(clock)
{
    Link.Handler = this;
    PreviousLost = Link.Port.OnLineLost;
    Link.Port.OnLineLost = [this](TComPort &, const QString &text) { Fail(text); };
    Link.Exchange.OnSendFailed = [this](const QString &text) { Fail(text); };
}

SamplerLink::~SamplerLink()
{
    OnReply = nullptr;
    OnFailure = nullptr;
    Close();
    Link.Exchange.OnSendFailed = nullptr;
    if (Link.Handler == this)
        Link.Handler = nullptr;
    Link.Port.OnLineLost = PreviousLost;
}

bool SamplerLink::Open(const TLinkSettings &settings)
{
    Copy = settings;
    try {
        Holding = true;
        OpenLink(Link.Port, Copy, ModuleRecorder, Session);
        Link.Exchange.Begin();
    } catch (const ComError &e) {
        return Fail(e.Text());
    }
    Link.RecorderAwaitingReply = false;
    return true;
}

void SamplerLink::Close()
{
    Link.Exchange.Abandon();
    Link.RecorderAwaitingReply = false;
    if (Link.Port.Open())
        Link.Port.SetOpen(false);
    // Only a line this link took is given back.
    if (Holding)
        CloseLink(Link.Port, ModuleRecorder, Session);
    Holding = false;
}

bool SamplerLink::IsOpen() const
{
    return Link.Port.Open();
}

bool SamplerLink::Request(int station)
{
    return Send(station, 0);
}

bool SamplerLink::RequestNext(int station)
{
    // The line turns round while the window goes on.
    return Send(station, Copy.RtuMode ? ReplyTakenMs + TurnaroundMs + 1 : 0);
}

bool SamplerLink::Send(int station, qint64 notBeforeMs)
{
    Station = station;
    const FrameCodec::Frame frame = FrameCodec::BuildRequest(Station, FrameCodec::FunctionRead, ProcessValueRegister,
                                                             2, Copy.RtuMode);
    if (Copy.RtuMode)
        Session.RecorderTimeoutTicks = Copy.BaudRate < 9600 ? 3 : 2;
    try {
        Link.Send(frame, Copy.RtuMode, Session.RecorderTimeoutTicks, notBeforeMs);
    } catch (const ComError &e) {
        return Fail(e.Text());
    }
    return true;
}

void SamplerLink::ProcessReply()
{
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
    Link.Exchange.Report(RecorderReplyVerdict(verdict.ResultCode, Link.RecorderRxBuffer, Link.RecorderRxCount,
                                              Station, Copy.RtuMode));
    return verdict;
}

bool SamplerLink::Fail(const QString &text)
{
    Link.Exchange.Abandon();
    Link.RecorderAwaitingReply = false;
    if (OnFailure)
        OnFailure(text);
    return false;
}
