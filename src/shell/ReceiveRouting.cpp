#include "ReceiveRouting.h"

#include "Conversions.h"

#include <algorithm>
#include <cstring>

void RouteSetupTrigger(SetupLink &link, std::uint16_t message, std::uint16_t argument)
{
    const std::optional<ReplyExchange::Reply> reply = link.Exchange.Trigger(message, argument);
    if (!reply)
        return;
    link.SetupRxText.clear();
    link.SetupRxOverflow = reply->How == ReplyExchange::Ending::Overflow;
    for (int i = 0; i < reply->Count; ++i) {
        const std::uint8_t byte = reply->Bytes[i];
        if (reply->Rtu)
            link.SetupRxText += ByteToHex(byte);
        else if (byte != '\r' && byte != '\n')
            link.SetupRxText += QLatin1Char(static_cast<char>(byte));
    }
    if (link.Handler)
        link.Handler->SetupReply();
}

void RouteRecorderTrigger(RecorderLink &link, TSessionState &session, std::uint16_t message, std::uint16_t argument)
{
    const std::optional<ReplyExchange::Reply> reply = link.Exchange.Trigger(message, argument);
    session.ExpectedReplyLength = link.Exchange.ExpectedLength();
    if (!reply)
        return;
    const int count = std::min(reply->Count, RecorderLink::Capacity);
    std::memset(link.RecorderRxBuffer, 0, sizeof link.RecorderRxBuffer);
    if (count > 0)
        std::memcpy(link.RecorderRxBuffer, reply->Bytes, static_cast<size_t>(count));
    link.RecorderRxCount = count;
    link.RecorderRxOverflow = reply->How == ReplyExchange::Ending::Overflow;
    link.RecorderAwaitingReply = false;
    // A completed reply is judged as it is; at the deadline an RTU reply
    // with bytes is judged too (an exception reply ends that way), anything
    // else is a time-out.
    const bool judged = reply->How != ReplyExchange::Ending::Silence || (reply->Rtu && count > 0);
    session.ResultCode = judged ? ResultOk : ResultTimeout;
    if (link.Handler)
        link.Handler->ProcessReply();
}
