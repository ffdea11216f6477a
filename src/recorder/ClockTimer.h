// A window timer on the event clock: while enabled it calls OnTimer every
// Interval milliseconds. Changing the interval or enabling it starts the
// count afresh. Ticks never pile up: a late tick is followed by the next one
// a whole interval later. Tests drive it on the virtual clock.
#pragma once

#include "EventClock.h"

#include <functional>

class ClockTimer {
public:
    explicit ClockTimer(EventClock &clock) : Clock(clock) {}
    ~ClockTimer() { Stop(); }
    ClockTimer(const ClockTimer &) = delete;
    ClockTimer &operator=(const ClockTimer &) = delete;

    void SetInterval(int ms);
    void SetEnabled(bool enabled);
    int Interval() const { return IntervalMs; }
    bool Enabled() const { return IsEnabled; }

    std::function<void()> OnTimer;

private:
    void Schedule();
    void Stop();
    void Fire();

    EventClock &Clock;
    int IntervalMs = 1000;
    bool IsEnabled = false;
    EventClock::TaskId Task = 0;
};
