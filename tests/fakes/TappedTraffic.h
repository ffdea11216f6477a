// A traffic log that every reply exchange fills for as long as it lives.
#pragma once

#include "ReplyExchange.h"
#include "TrafficLog.h"

class TappedTraffic : public TrafficLog {
public:
    TappedTraffic() { ReplyExchange::SetTrafficSink(this); }
    ~TappedTraffic() override { ReplyExchange::SetTrafficSink(nullptr); }
};
