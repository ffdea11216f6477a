// Pacing on the monotonic clock to the microsecond, for the simulator
// program: a timer of the kernel wakes the event loop at each task's time,
// so the simulator adds no whole milliseconds of its own to the line's time.
#pragma once

#include "PaceClock.h"

#include <QObject>

#include <map>
#include <utility>

class QSocketNotifier;

class MicrosecondPace : public QObject, public PaceClock {
public:
    // Throws std::runtime_error when the system has no such timer.
    MicrosecondPace();
    ~MicrosecondPace() override;

    qint64 NowUs() const override;
    TaskId CallAtUs(qint64 dueUs, Task task) override;
    void Cancel(TaskId id) override;

    // How late the tasks ran after their time, for the simulator's own check
    // of its pace.
    struct Lateness {
        qint64 Tasks = 0;
        qint64 TotalUs = 0;
        qint64 MaxUs = 0;
    };
    Lateness Late() const { return Stats; }

private:
    void RunDue();
    void Arm();

    int TimerFd = -1;
    QSocketNotifier *Notifier = nullptr;
    std::map<std::pair<qint64, TaskId>, Task> Tasks;
    std::map<TaskId, qint64> DueById;
    TaskId NextId = 1;
    qint64 ArmedUs = -1;
    Lateness Stats;
};
