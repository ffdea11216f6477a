#include "ClockTimer.h"

#include <algorithm>

void ClockTimer::SetInterval(int ms)
{
    IntervalMs = std::max(ms, 1);
    if (IsEnabled)
        Schedule();
}

void ClockTimer::SetEnabled(bool enabled)
{
    if (enabled == IsEnabled)
        return;
    IsEnabled = enabled;
    if (enabled)
        Schedule();
    else
        Stop();
}

void ClockTimer::Schedule()
{
    Stop();
    Task = Clock.CallAfter(IntervalMs, [this] { Fire(); });
}

void ClockTimer::Stop()
{
    if (Task)
        Clock.Cancel(Task);
    Task = 0;
}

void ClockTimer::Fire()
{
    Task = 0;
    // The next tick is due before the handler runs, so that a handler that
    // changes the interval or disables the timer has the last word.
    Schedule();
    if (OnTimer)
        OnTimer();
}
