#include "EventClock.h"

#include "ErrorReport.h"

#include <QTimer>

#include <algorithm>
#include <chrono>

EventClock::~EventClock() = default;

EventClock::TaskId EventClock::CallAt(qint64 dueMs, Task task)
{
    const TaskId id = NextId++;
    Tasks.emplace(std::make_pair(dueMs, id), std::move(task));
    DueById.emplace(id, dueMs);
    Rescheduled();
    return id;
}

void EventClock::Cancel(TaskId id)
{
    const auto found = DueById.find(id);
    if (found == DueById.end())
        return;
    Tasks.erase(std::make_pair(found->second, id));
    DueById.erase(found);
    Rescheduled();
}

bool EventClock::RunOneDue(qint64 nowMs)
{
    if (Tasks.empty() || Tasks.begin()->first.first > nowMs)
        return false;
    auto first = Tasks.begin();
    Task task = std::move(first->second);
    DueById.erase(first->first.second);
    Tasks.erase(first);
    // The other tasks keep their times even when this one runs a nested
    // event loop (a message box): the clock is set for them first.
    Rescheduled();
    Guarded(task);
    return true;
}

RealClock::RealClock() : Timer(new QTimer(this))
{
    Timer->setSingleShot(true);
    Timer->setTimerType(Qt::PreciseTimer);
    connect(Timer, &QTimer::timeout, this, &RealClock::RunDue);
}

RealClock::~RealClock() = default;

qint64 RealClock::NowMs() const
{
    // The monotonic clock in milliseconds, like the system's tick count.
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void RealClock::Rescheduled()
{
    if (!HasPendingTasks()) {
        Timer->stop();
        return;
    }
    const qint64 wait = std::max<qint64>(0, NextDue() - NowMs());
    if (!Timer->isActive() || Timer->remainingTime() > wait)
        Timer->start(static_cast<int>(std::min<qint64>(wait, 1 << 30)));
}

void RealClock::RunDue()
{
    // One task per timer event: a task that opens a modal dialog spins a
    // nested event loop, and the other tasks must keep running meanwhile.
    if (!RunOneDue(NowMs()))
        Rescheduled();
}

void VirtualClock::AdvanceTo(qint64 ms)
{
    while (HasPendingTasks() && NextDue() <= ms) {
        Now = std::max(Now, NextDue());
        RunOneDue(Now);
    }
    Now = std::max(Now, ms);
}

bool VirtualClock::AdvanceUntil(const std::function<bool()> &done, qint64 limitMs)
{
    const qint64 end = Now + limitMs;
    RunPending();
    while (!done()) {
        if (!HasPendingTasks() || NextDue() > end) {
            Now = end;
            return done();
        }
        AdvanceTo(NextDue());
    }
    return true;
}

namespace {
EventClock *Installed = nullptr;
}

EventClock &DefaultClock()
{
    if (Installed)
        return *Installed;
    static RealClock *real = new RealClock;  // lives as long as the process
    return *real;
}

void SetDefaultClock(EventClock *clock)
{
    Installed = clock;
}
