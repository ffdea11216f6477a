// The two links the main window holds for windows without a port of their
// own: the setup dialog's scan and the recorder. Each collects its replies
// through a reply exchange; the main window's trigger handlers pass the
// port's events on and call the window that asked when a reply has ended.
#pragma once

#include "ReplyExchange.h"
#include "TComPort.h"

#include <QString>

#include <cstdint>

class SetupReplyHandler {
public:
    virtual ~SetupReplyHandler() = default;
    // The reply is complete, or the deadline passed (the text may be empty).
    virtual void SetupReply() = 0;
};

struct SetupLink {
    // A probe reply is a few dozen characters; more than this is not a reply
    // to our probe, and it is never stored past this bound.
    static constexpr int Capacity = 256;

    explicit SetupLink(TComPort &port) : Port(port), Exchange(port, TrafficLink::Setup, Capacity) {}

    // A probe: in RTU the reply ends only with silence, in ASCII at its line
    // feed. The setup handler hears of it once.
    void Send(const FrameCodec::Frame &probe, bool rtu, int timeoutTicks)
    {
        SetupRxText.clear();
        SetupRxOverflow = false;
        ReplyExchange::Request request;
        request.Frame = probe;
        request.Rtu = rtu;
        request.DeadlineTicks = timeoutTicks;
        request.CompleteAtLength = false;
        Exchange.Send(request);
    }

    TComPort &Port;
    ReplyExchange Exchange;
    // The reply as handed over: the ASCII line without CR and LF, or two hex
    // digits per RTU byte.
    QString SetupRxText;
    bool SetupRxOverflow = false;  // more came than a reply holds: no good
    SetupReplyHandler *Handler = nullptr;
};

class RecorderReplyHandler {
public:
    virtual ~RecorderReplyHandler() = default;
    virtual void ProcessReply() = 0;
};

struct RecorderLink {
    static constexpr int Capacity = FrameCodec::ReplyStoreSize;

    explicit RecorderLink(TComPort &port) : Port(port), Exchange(port, TrafficLink::Recorder, Capacity) {}

    // The read request of one sample, no earlier than notBeforeMs (the RTU
    // turnaround). The recorder's handler hears of its reply once.
    void Send(const FrameCodec::Frame &request, bool rtu, int timeoutTicks, qint64 notBeforeMs = 0)
    {
        RecorderAwaitingReply = true;
        ReplyExchange::Request r;
        r.Frame = request;
        r.Rtu = rtu;
        r.DeadlineTicks = timeoutTicks;
        r.NotBeforeMs = notBeforeMs;
        try {
            Exchange.Send(r);
        } catch (...) {
            RecorderAwaitingReply = false;
            throw;
        }
    }

    TComPort &Port;
    ReplyExchange Exchange;
    // The reply as handed over (zero-filled past its end), until the next one.
    std::uint8_t RecorderRxBuffer[Capacity] = {};
    int RecorderRxCount = 0;
    bool RecorderRxOverflow = false;  // more came than the buffer holds: no good
    bool RecorderAwaitingReply = false;
    RecorderReplyHandler *Handler = nullptr;
};
