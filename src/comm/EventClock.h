// The millisecond clock and the one place where timed work is scheduled.
// The program runs on RealClock (a precise Qt timer on the UI thread); tests
// run everything - ports, simulated controllers, engines - on VirtualClock
// and advance time instead of sleeping.
#pragma once

#include <QObject>

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

class QTimer;

class EventClock {
public:
    using TaskId = std::uint64_t;
    using Task = std::function<void()>;

    virtual ~EventClock();
    virtual qint64 NowMs() const = 0;

    // Runs `task` on the UI thread once the clock reads `dueMs` or later;
    // tasks due at the same time run in the order they were scheduled.
    TaskId CallAt(qint64 dueMs, Task task);
    TaskId CallAfter(qint64 delayMs, Task task) { return CallAt(NowMs() + delayMs, std::move(task)); }
    TaskId CallSoon(Task task) { return CallAt(NowMs(), std::move(task)); }
    // Cancelling an unknown or finished task does nothing.
    void Cancel(TaskId id);
    bool HasPendingTasks() const { return !Tasks.empty(); }

protected:
    // Earliest due time of the pending tasks; only valid when there are some.
    qint64 NextDue() const { return Tasks.begin()->first.first; }
    // Runs the earliest task if it is due at `nowMs`; false when none is.
    bool RunOneDue(qint64 nowMs);
    virtual void Rescheduled() {}

private:
    std::map<std::pair<qint64, TaskId>, Task> Tasks;
    std::map<TaskId, qint64> DueById;
    TaskId NextId = 1;
};

class RealClock : public QObject, public EventClock {
    Q_OBJECT
public:
    RealClock();
    ~RealClock() override;
    qint64 NowMs() const override;

protected:
    void Rescheduled() override;

private:
    void RunDue();
    QTimer *Timer;
};

class VirtualClock : public EventClock {
public:
    explicit VirtualClock(qint64 startMs = 1'000'000) : Now(startMs) {}
    qint64 NowMs() const override { return Now; }
    // Moves time forward, running every task that falls due on the way at
    // its own due time.
    void Advance(qint64 ms) { AdvanceTo(Now + ms); }
    void AdvanceTo(qint64 ms);
    // Runs the tasks that are due now (those scheduled "soon").
    void RunPending() { AdvanceTo(Now); }
    // Advances until `done` holds or `limitMs` have passed; true when it held.
    bool AdvanceUntil(const std::function<bool()> &done, qint64 limitMs);

private:
    qint64 Now;
};

// The clock the program's components use unless given another one.
EventClock &DefaultClock();
void SetDefaultClock(EventClock *clock);  // nullptr restores the real clock
