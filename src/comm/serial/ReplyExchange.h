// One request, one reply, on one link. Every window that talks to
// controllers (the setup dialog's scan, the monitor, the recorder) collects
// its replies through this: the bounded reply store, the deadline and its
// re-arming after each chunk (so that after the first chunk it measures
// silence), completion by line feed or by the RTU expected length, the
// monitor's one extra period for a short RTU reply, the turnaround wait
// before a request, and exactly one ending per request.
//
// What a reply means, and what is sent next, is the window's business; the
// window tells its verdict back (Report), so that the traffic log shows
// every frame of every link from this one place.
#pragma once

#include "EventClock.h"
#include "FrameCodec.h"
#include "Public.h"
#include "TComPort.h"
#include "TrafficLog.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class ReplyExchange {
public:
    struct Request {
        FrameCodec::Frame Frame;
        bool Rtu = false;
        int DeadlineTicks = 2;
        // RTU replies end at the length their first bytes announce; a link
        // that only trusts silence (the scan) turns this off.
        bool CompleteAtLength = true;
        // The monitor gives an RTU reply shorter than ExpectedLength one
        // more deadline period before taking it as it is.
        bool ExtraPeriodWhenShort = false;
        int ExpectedLength = 0;
        // The frame goes out no earlier than this (the RTU turnaround).
        qint64 NotBeforeMs = 0;
        // ... and only once nothing has come in for this long from the
        // moment it is sent: after a late or damaged reply, the rest of it
        // must not be taken for the answer to this request. A line that
        // keeps chattering gets the frame one deadline later at the most.
        int QuietMs = 0;
        // The traffic log names the link's block transfers apart; empty:
        // the exchange's own link.
        std::optional<TrafficLink> Link;
    };

    enum class Ending {
        Complete,  // line feed, or the RTU expected length
        Silence,   // the deadline passed (with or without bytes)
        Overflow,  // more came than the store holds, or for longer than any
                   // reply takes (a chattering line): never a good reply
    };

    struct Reply {
        Ending How = Ending::Silence;
        const std::uint8_t *Bytes = nullptr;
        int Count = 0;
        bool Rtu = false;
    };

    ReplyExchange(TComPort &port, TrafficLink link, int capacity = FrameCodec::ReplyStoreSize);
    ~ReplyExchange();
    ReplyExchange(const ReplyExchange &) = delete;
    ReplyExchange &operator=(const ReplyExchange &) = delete;

    // The port has just been opened: take a timer trigger of this link's own.
    void Begin();
    // Clears the store and sends, now or at NotBeforeMs. A refused write
    // throws ComError when it happens here; a deferred one reaches
    // OnSendFailed instead (one ending either way).
    void Send(const Request &request);
    // Forgets an outstanding request (the port is about to close).
    void Abandon();

    // The link's port handler passes every trigger event here. The reply
    // when this event ended the outstanding request; bytes that come with
    // no request on the line are read and dropped.
    std::optional<Reply> Trigger(std::uint16_t message, std::uint16_t argument);
    // The owner's verdict on the reply Trigger has just handed over, for the
    // traffic log. A reply its owner does not judge is logged without one
    // (a time-out or an overflow as such) at the next event or request.
    void Report(TrafficVerdict verdict);

    // Where the frames of every exchange go; none by default.
    static void SetTrafficSink(TrafficSink *sink);
    static TrafficSink *TrafficTap();

    bool Awaiting() const { return Outstanding; }
    // Sent and not yet ended (false during the turnaround wait).
    bool OnTheLine() const { return Outstanding && !SendTask; }
    std::uint16_t TimerHandle() const { return Handle; }
    int ExpectedLength() const { return Expected; }
    int Count() const { return static_cast<int>(Store.size()); }
    const std::uint8_t *Bytes() const { return Store.data(); }
    int Capacity() const { return Limit; }

    std::function<void(const QString &text)> OnSendFailed;

private:
    void Transmit();
    void ScheduleSend();
    Reply End(Ending how);
    TrafficRow TapRow(bool tx, QByteArray bytes) const;
    void Unrequested(const QByteArray &bytes);
    void FlushEnded();
    void FlushUnrequested();

    TComPort &Port;
    EventClock &Clock;
    int Limit;
    Request Current;
    std::vector<std::uint8_t> Store;
    int Expected = FrameCodec::UnknownReplyLength;
    std::uint16_t Handle = 0;
    bool Outstanding = false;
    bool ExtraUsed = false;
    EventClock::TaskId SendTask = 0;
    qint64 QuietUntilMs = 0;
    qint64 QuietLimitMs = 0;
    // A reply still coming in this many deadline periods after its request
    // is taken as it is: far longer than any reply, short of a chattering line.
    static constexpr int ReplyLimitPeriods = 4;
    qint64 GiveUpAtMs = 0;

    // The traffic log's view of this link, and of the last request sent.
    TrafficLink Link;
    struct {
        qint64 AtMs = 0;
        TrafficLink Link = TrafficLink::Monitor;
        bool Rtu = false;
        int Station = 0;
    } Sent;
    std::optional<TrafficRow> Ended;  // the reply handed over, till its verdict
    TrafficRow Stray;                 // bytes with no request on the line
    EventClock::TaskId StrayTask = 0;
};

// Opens a window's own link with the settings as they are now, in the order
// the windows use (number, baud, data bits, stop bits, parity; the holder is
// recorded before the open). When the open fails the holder is cleared
// again and the service's error goes on to the caller.
void OpenLink(TComPort &port, const TLinkSettings &settings, int module, TSessionState &session);
// Closes the link when it is open and releases the line.
void CloseLink(TComPort &port, int module, TSessionState &session);
