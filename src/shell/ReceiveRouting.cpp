#include "ReceiveRouting.h"

#include "Conversions.h"
#include "FrameCodec.h"

void RouteSetupTrigger(SetupLink &link, const TSessionState &session, const TLinkSettings &settings,
                       std::uint16_t message, std::uint16_t argument)
{
    TComPort &port = link.Port;
    if (message == TComPort::TriggerAvail) {
        port.SetTimerTrigger(link.SetupTimerTrigger, session.SetupTimeoutTicks, false);
        for (int i = 0; i < argument; ++i) {
            const std::uint8_t byte = port.GetChar();
            link.LastChar = byte;
            const QString piece = settings.RtuMode ? ByteToHex(byte)
                : (byte == '\r' || byte == '\n') ? QString() : QString(QLatin1Char(static_cast<char>(byte)));
            if (link.SetupRxText.size() + piece.size() > SetupLink::Capacity)
                link.SetupRxOverflow = true;
            else
                link.SetupRxText += piece;
        }
        if (!settings.RtuMode && link.LastChar == '\n') {
            port.SetTimerTrigger(link.SetupTimerTrigger, session.SetupTimeoutTicks, false);
            if (link.Handler)
                link.Handler->SetupReply();
            return;
        }
        port.SetTimerTrigger(link.SetupTimerTrigger, session.SetupTimeoutTicks, true);
        return;
    }
    if (message == TComPort::TriggerTimer && argument == link.SetupTimerTrigger) {
        port.SetTimerTrigger(link.SetupTimerTrigger, session.SetupTimeoutTicks, false);
        if (link.Handler)
            link.Handler->SetupReply();
    }
}

void RouteRecorderTrigger(RecorderLink &link, TSessionState &session, const TLinkSettings &settings,
                          std::uint16_t message, std::uint16_t argument)
{
    TComPort &port = link.Port;
    if (message == TComPort::TriggerAvail) {
        port.SetTimerTrigger(link.RecorderTimerTrigger, session.RecorderTimeoutTicks, false);
        for (int i = 0; i < argument; ++i) {
            const std::uint8_t byte = port.GetChar();
            link.LastByte = byte;
            if (link.RecorderRxCount >= RecorderLink::Capacity) {
                link.RecorderRxOverflow = true;
                continue;
            }
            link.RecorderRxBuffer[link.RecorderRxCount++] = byte;
            if (settings.RtuMode)
                FrameCodec::UpdateExpectedLength(link.RecorderRxCount, link.RecorderRxBuffer,
                                                 session.ExpectedReplyLength);
        }
        if (FrameCodec::ReplyComplete(settings.RtuMode, link.LastByte, link.RecorderRxCount,
                                      session.ExpectedReplyLength)) {
            link.RecorderAwaitingReply = false;
            session.ResultCode = ResultOk;
            if (link.Handler)
                link.Handler->ProcessReply();
            return;
        }
        port.SetTimerTrigger(link.RecorderTimerTrigger, session.RecorderTimeoutTicks, true);
        return;
    }
    if (message == TComPort::TriggerTimer && argument == link.RecorderTimerTrigger) {
        port.SetTimerTrigger(link.RecorderTimerTrigger, session.RecorderTimeoutTicks, false);
        session.ResultCode = settings.RtuMode && link.RecorderRxCount > 0 ? ResultOk : ResultTimeout;
        link.RecorderAwaitingReply = false;
        if (link.Handler)
            link.Handler->ProcessReply();
    }
}
