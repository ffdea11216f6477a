// The two links the main window holds for windows without a port of their
// own: the setup dialog's scan and the recorder. The main window's trigger
// handlers collect each reply here and call the window that asked.
#pragma once

#include "TComPort.h"

#include <QString>

#include <cstdint>
#include <cstring>

class SetupReplyHandler {
public:
    virtual ~SetupReplyHandler() = default;
    // The reply is complete, or the deadline passed (the text may be empty).
    virtual void SetupReply() = 0;
};

struct SetupLink {
    // A probe reply is a few dozen characters; more than this is not a reply
    // to our probe, and it is never stored past this bound.
    static constexpr int Capacity = 512;

    explicit SetupLink(TComPort &port) : Port(port) {}

    void ClearReply()
    {
        SetupRxText.clear();
        SetupRxOverflow = false;
    }

    TComPort &Port;
    QString SetupRxText;
    bool SetupRxOverflow = false;  // bytes were lost: the reply is no good
    std::uint16_t SetupTimerTrigger = 0;
    std::uint8_t LastChar = 0;
    SetupReplyHandler *Handler = nullptr;
};

class RecorderReplyHandler {
public:
    virtual ~RecorderReplyHandler() = default;
    virtual void ProcessReply() = 0;
};

struct RecorderLink {
    static constexpr int Capacity = 100;

    explicit RecorderLink(TComPort &port) : Port(port) {}

    void ClearReply()
    {
        std::memset(RecorderRxBuffer, 0, sizeof RecorderRxBuffer);
        RecorderRxCount = 0;
        RecorderRxOverflow = false;
    }

    TComPort &Port;
    std::uint8_t RecorderRxBuffer[Capacity] = {};
    int RecorderRxCount = 0;
    bool RecorderRxOverflow = false;  // bytes beyond the buffer were dropped
    bool RecorderAwaitingReply = false;
    std::uint16_t RecorderTimerTrigger = 0;
    std::uint8_t LastByte = 0;
    RecorderReplyHandler *Handler = nullptr;
};
