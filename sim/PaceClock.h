// The time the bus paces its line by: when a character has crossed it, when
// a silence has ended, when a reply may start. A line is timed to the
// microsecond; tests run the bus on their virtual millisecond clock, the
// simulator program on the monotonic clock to the microsecond.
#pragma once

#include "EventClock.h"

#include <QtGlobal>

#include <functional>

class PaceClock {
public:
    using TaskId = EventClock::TaskId;
    using Task = EventClock::Task;

    virtual ~PaceClock() = default;
    virtual qint64 NowUs() const = 0;
    // Runs `task` once the clock reads `dueUs` or later; tasks due at the
    // same time run in the order they were scheduled.
    virtual TaskId CallAtUs(qint64 dueUs, Task task) = 0;
    // Cancelling an unknown or finished task does nothing.
    virtual void Cancel(TaskId id) = 0;
};

// Pacing on an EventClock, to its millisecond: a task runs at the first
// millisecond at or after its time.
class MillisecondPace : public PaceClock {
public:
    explicit MillisecondPace(EventClock &clock) : Clock(clock) {}
    qint64 NowUs() const override { return Clock.NowMs() * 1000; }
    TaskId CallAtUs(qint64 dueUs, Task task) override
    {
        return Clock.CallAt((dueUs + 999) / 1000, std::move(task));
    }
    void Cancel(TaskId id) override { Clock.Cancel(id); }

private:
    EventClock &Clock;
};
