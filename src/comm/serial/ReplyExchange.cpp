#include "ReplyExchange.h"

#include "ErrorReport.h"

#include <algorithm>

namespace {

TrafficSink *Sink = nullptr;

// Bytes with no request on the line make one row once the line has been
// quiet for this long.
constexpr int UnrequestedQuietMs = 2 * TComPort::TickMs;

} // namespace

void ReplyExchange::SetTrafficSink(TrafficSink *sink)
{
    Sink = sink;
}

TrafficSink *ReplyExchange::TrafficTap()
{
    return Sink;
}

ReplyExchange::ReplyExchange(TComPort &port, TrafficLink link, int capacity)
    : Port(port), Clock(port.Timebase()), Limit(std::max(capacity, 1)), Link(link)
{
    Store.reserve(static_cast<size_t>(Limit));
}

ReplyExchange::~ReplyExchange()
{
    Abandon();
}

void ReplyExchange::Begin()
{
    Abandon();
    Handle = Port.AddTimerTrigger();
}

void ReplyExchange::Abandon()
{
    FlushEnded();
    FlushUnrequested();
    if (SendTask) {
        Clock.Cancel(SendTask);
        SendTask = 0;
    }
    if (Outstanding && Port.Open()) {
        try {
            Port.SetTimerTrigger(Handle, 0, false);
        } catch (const ComError &) {
            // the trigger went with an earlier close
        }
    }
    Outstanding = false;
    ExtraUsed = false;
}

void ReplyExchange::Send(const Request &request)
{
    Abandon();
    Current = request;
    Outstanding = true;
    QuietUntilMs = request.QuietMs > 0 ? Clock.NowMs() + request.QuietMs : 0;
    QuietLimitMs = QuietUntilMs + request.DeadlineTicks * TComPort::TickMs;
    if (std::max(request.NotBeforeMs, QuietUntilMs) > Clock.NowMs()) {
        ScheduleSend();
        return;
    }
    try {
        Transmit();
    } catch (...) {
        Outstanding = false;
        throw;
    }
}

void ReplyExchange::ScheduleSend()
{
    // The turnaround and the quiet line are waits on the clock: the
    // user-interface thread goes on meanwhile, and nothing is on the line yet.
    if (SendTask)
        Clock.Cancel(SendTask);
    SendTask = Clock.CallAt(std::max(Current.NotBeforeMs, QuietUntilMs), [this] {
        SendTask = 0;
        if (!Outstanding)
            return;
        try {
            Transmit();
        } catch (const ComError &e) {
            Outstanding = false;
            if (OnSendFailed)
                OnSendFailed(e.Text());
            else
                ReportError(e.Text());
        }
    });
}

void ReplyExchange::Transmit()
{
    FlushUnrequested();
    Store.clear();
    Expected = FrameCodec::UnknownReplyLength;
    ExtraUsed = false;
    // Written first: on a port that has closed meanwhile this says why.
    Port.PutBlock(Current.Frame.Bytes.data(), Current.Frame.Length);
    Sent.AtMs = Clock.NowMs();
    Sent.Link = Current.Link.value_or(Link);
    Sent.Rtu = Current.Rtu;
    const std::vector<std::uint8_t> payload = FrameCodec::RequestBytes(Current.Frame, Current.Rtu);
    Sent.Station = payload.empty() ? 0 : payload.front();
    if (Sink)
        Sink->Record(TapRow(true, Current.Frame.ToByteArray()));
    Port.SetTimerTrigger(Handle, Current.DeadlineTicks, true);
    GiveUpAtMs = Clock.NowMs() + ReplyLimitPeriods * Current.DeadlineTicks * TComPort::TickMs;
}

ReplyExchange::Reply ReplyExchange::End(Ending how)
{
    Outstanding = false;
    ExtraUsed = false;
    if (Sink) {
        TrafficRow row = TapRow(false, QByteArray(reinterpret_cast<const char *>(Store.data()),
                                                  static_cast<qsizetype>(Store.size())));
        row.ElapsedMs = static_cast<int>(Clock.NowMs() - Sent.AtMs);
        // What the exchange itself can tell; the owner's verdict comes next.
        if (how == Ending::Overflow)
            row.Verdict = TrafficVerdict::Overflow;
        else if (how == Ending::Silence && Store.empty())
            row.Verdict = TrafficVerdict::Timeout;
        Ended = std::move(row);
    }
    return Reply{how, Store.data(), static_cast<int>(Store.size()), Current.Rtu};
}

void ReplyExchange::Report(TrafficVerdict verdict)
{
    // A reply that overflowed was never one: that stands, whoever judges it.
    if (Ended && Ended->Verdict != TrafficVerdict::Overflow)
        Ended->Verdict = verdict;
    FlushEnded();
}

TrafficRow ReplyExchange::TapRow(bool tx, QByteArray bytes) const
{
    TrafficRow row;
    row.TimeMs = Sink ? Sink->TimeOfDayMs() : 0;
    row.Link = Sent.Link;
    row.Tx = tx;
    row.Rtu = Sent.Rtu;
    row.Station = Sent.Station;
    row.Bytes = std::move(bytes);
    return row;
}

void ReplyExchange::FlushEnded()
{
    if (Ended && Sink)
        Sink->Record(std::move(*Ended));
    Ended.reset();
}

void ReplyExchange::Unrequested(const QByteArray &bytes)
{
    if (!Sink || bytes.isEmpty())
        return;
    if (Stray.Bytes.isEmpty()) {
        // Most often the rest of a reply that came too late: it is shown
        // with the last request sent, which it most likely answered.
        Stray = TapRow(false, QByteArray());
        Stray.Verdict = TrafficVerdict::Unrequested;
        Stray.ElapsedMs = static_cast<int>(Clock.NowMs() - Sent.AtMs);
    }
    Stray.Bytes += bytes;
    // A row holds no more than a reply would.
    while (Stray.Bytes.size() >= Limit) {
        TrafficRow full = Stray;
        full.Bytes.truncate(Limit);
        Stray.Bytes.remove(0, Limit);
        Sink->Record(std::move(full));
    }
    if (StrayTask)
        Clock.Cancel(StrayTask);
    StrayTask = Clock.CallAfter(UnrequestedQuietMs, [this] {
        StrayTask = 0;
        FlushUnrequested();
    });
}

void ReplyExchange::FlushUnrequested()
{
    if (StrayTask) {
        Clock.Cancel(StrayTask);
        StrayTask = 0;
    }
    if (!Stray.Bytes.isEmpty() && Sink)
        Sink->Record(std::move(Stray));
    Stray = TrafficRow{};
}

std::optional<ReplyExchange::Reply> ReplyExchange::Trigger(std::uint16_t message, std::uint16_t argument)
{
    // A reply its owner did not judge is logged as it is.
    FlushEnded();
    if (message == TComPort::TriggerAvail) {
        if (!OnTheLine()) {
            QByteArray unrequested;
            for (int i = 0; i < argument; ++i)
                unrequested += static_cast<char>(Port.GetChar());
            Unrequested(unrequested);
            // A request waiting for a quiet line waits again, but not for
            // ever: a line that never falls quiet gets it at the limit.
            if (Outstanding && Current.QuietMs > 0 && QuietUntilMs < QuietLimitMs) {
                QuietUntilMs = std::min(Clock.NowMs() + Current.QuietMs, QuietLimitMs);
                ScheduleSend();
            }
            return std::nullopt;
        }
        Port.SetTimerTrigger(Handle, Current.DeadlineTicks, false);
        std::uint8_t last = 0;
        bool overflowed = false;
        for (int i = 0; i < argument; ++i) {
            last = Port.GetChar();
            if (static_cast<int>(Store.size()) >= Limit) {
                overflowed = true;
                continue;  // read on: the port's buffer is emptied either way
            }
            Store.push_back(last);
            if (Current.Rtu)
                FrameCodec::UpdateExpectedLength(static_cast<int>(Store.size()), Store.data(), Expected);
        }
        // A reply that did not fit can never be good: waiting for the line
        // to go quiet would let a chattering line hold the link forever.
        if (overflowed)
            return End(Ending::Overflow);
        const bool complete = Current.Rtu ? Current.CompleteAtLength && static_cast<int>(Store.size()) == Expected
                                          : last == '\n';
        if (complete)
            return End(Ending::Complete);
        // Each chunk gives the reply another deadline, but a line that never
        // falls silent must not keep the request open for ever.
        if (Clock.NowMs() >= GiveUpAtMs)
            return End(Ending::Overflow);
        Port.SetTimerTrigger(Handle, Current.DeadlineTicks, true);
        return std::nullopt;
    }
    if (message != TComPort::TriggerTimer || argument != Handle || !OnTheLine())
        return std::nullopt;
    Port.SetTimerTrigger(Handle, Current.DeadlineTicks, false);
    if (Current.Rtu && Current.ExtraPeriodWhenShort && !ExtraUsed && !Store.empty()
        && static_cast<int>(Store.size()) < Current.ExpectedLength) {
        ExtraUsed = true;
        Port.SetTimerTrigger(Handle, Current.DeadlineTicks, true);
        return std::nullopt;
    }
    return End(Ending::Silence);
}

void OpenLink(TComPort &port, const TLinkSettings &settings, int module, TSessionState &session)
{
    if (port.Open())
        return;
    try {
        port.SetComNumber(settings.PortNumber);
        port.SetBaud(settings.BaudRate);
        port.SetDatabits(settings.DataBits);
        port.SetStopbits(settings.StopBits);
        static const TParity parities[3] = {pNone, pEven, pOdd};
        if (settings.ParityIndex >= 0 && settings.ParityIndex <= 2)
            port.SetParity(parities[settings.ParityIndex]);
        session.ActiveModule = module;
        port.SetOpen(true);
    } catch (...) {
        if (session.ActiveModule == module)
            session.ActiveModule = ModuleNone;
        throw;
    }
}

void CloseLink(TComPort &port, int module, TSessionState &session)
{
    if (port.Open())
        port.SetOpen(false);
    if (session.ActiveModule == module)
        session.ActiveModule = ModuleNone;
}
