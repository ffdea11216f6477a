// The sampler's side of the main window's recorder link: every use of the
// port by the recorder is here (configure, open, close, sending) and nowhere
// else. The link's reply exchange collects each reply (and waits out the
// RTU turnaround on the clock); the main window's receive routing then
// calls ProcessReply, which hands it on.
//
// The link settings are copied when the port opens and used until it
// closes. Errors of the serial service never leave this class: they end in
// OnFailure with their text, once, and the caller releases the line.
#pragma once

#include "EventClock.h"
#include "FrameCodec.h"
#include "Links.h"
#include "Public.h"

#include <QString>

#include <functional>

class SamplerLink : private RecorderReplyHandler {
public:
    // The RTU turnaround: more than this many milliseconds between taking up
    // a reply and sending the next request.
    static constexpr int TurnaroundMs = 20;
    static constexpr int ProcessValueRegister = 0x4700;

    SamplerLink(RecorderLink &link, TSessionState &session, EventClock &clock);
    ~SamplerLink() override;
    SamplerLink(const SamplerLink &) = delete;
    SamplerLink &operator=(const SamplerLink &) = delete;

    // Configures the port from `settings` (kept as this session's copy),
    // takes the line and opens it. False when the port service refused.
    bool Open(const TLinkSettings &settings);
    // Releases the line: any send still waiting is dropped, the port closed
    // and ActiveModule back to 0.
    void Close();
    bool IsOpen() const;
    const TLinkSettings &Settings() const { return Copy; }

    // Sends the process value read to `station` now.
    bool Request(int station);
    // The next request of a cycle: in RTU it waits on the clock until more
    // than TurnaroundMs have passed since the last reply was taken up; in
    // ASCII it goes at once.
    bool RequestNext(int station);
    // A request is waiting to be sent or waiting for its reply.
    bool Busy() const { return Link.Exchange.Awaiting(); }

    // The last reply judged by the recorder's rules for the station asked;
    // sets the session's ResultCode.
    FrameCodec::RecorderVerdict Judge();

    // A reply (or its deadline) was handed over for the request sent.
    std::function<void()> OnReply;
    // The port service failed (port missing or held, write refused, device
    // lost); the text says why. The line is still held: the owner releases it.
    std::function<void(const QString &text)> OnFailure;

private:
    void ProcessReply() override;
    bool Send(int station, qint64 notBeforeMs);
    bool Fail(const QString &text);

    RecorderLink &Link;
    TSessionState &Session;
    EventClock &Clock;
    TComPort::LostHandler PreviousLost;
    TLinkSettings Copy;
    bool Holding = false;  // ActiveModule was set by this link
    int Station = 0;
    qint64 ReplyTakenMs = 0;
};
