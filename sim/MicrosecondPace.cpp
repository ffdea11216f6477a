#include "MicrosecondPace.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {

// On a busy machine the kernel wakes a process a tenth of a millisecond or
// more after its timer: the timer is set this much early and the rest is
// waited out on the clock, which costs a little processor time per event.
constexpr qint64 EarlyUs = 200;

qint64 MonotonicUs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<qint64>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

} // namespace

MicrosecondPace::MicrosecondPace()
{
    TimerFd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (TimerFd < 0)
        throw std::runtime_error(std::string("cannot create a timer: ") + std::strerror(errno));
    Notifier = new QSocketNotifier(TimerFd, QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, &MicrosecondPace::RunDue);
}

MicrosecondPace::~MicrosecondPace()
{
    delete Notifier;
    ::close(TimerFd);
}

qint64 MicrosecondPace::NowUs() const
{
    return MonotonicUs();
}

PaceClock::TaskId MicrosecondPace::CallAtUs(qint64 dueUs, Task task)
{
    const TaskId id = NextId++;
    Tasks.emplace(std::make_pair(dueUs, id), std::move(task));
    DueById.emplace(id, dueUs);
    Arm();
    return id;
}

void MicrosecondPace::Cancel(TaskId id)
{
    const auto found = DueById.find(id);
    if (found == DueById.end())
        return;
    Tasks.erase(std::make_pair(found->second, id));
    DueById.erase(found);
    // The timer stays armed for the cancelled time: one early wake-up that
    // finds nothing due costs less than re-arming on every cancel.
}

void MicrosecondPace::Arm()
{
    if (Tasks.empty())
        return;
    const qint64 due = Tasks.begin()->first.first;
    if (ArmedUs >= 0 && ArmedUs <= due)
        return;  // an earlier wake-up comes anyway
    ArmedUs = due;
    itimerspec spec{};
    // Zero would disarm the timer: a time already past is one microsecond.
    const qint64 at = std::max<qint64>(due - EarlyUs, 1);
    spec.it_value.tv_sec = static_cast<time_t>(at / 1'000'000);
    spec.it_value.tv_nsec = static_cast<long>(at % 1'000'000 * 1000);
    ::timerfd_settime(TimerFd, TFD_TIMER_ABSTIME, &spec, nullptr);
}

void MicrosecondPace::RunDue()
{
    std::uint64_t expirations = 0;
    [[maybe_unused]] const ssize_t n = ::read(TimerFd, &expirations, sizeof expirations);
    ArmedUs = -1;
    // A task may schedule or cancel others: take one at a time.
    for (;;) {
        if (Tasks.empty())
            break;
        const auto first = Tasks.begin();
        const qint64 due = first->first.first;
        qint64 now = MonotonicUs();
        if (due - now > EarlyUs)
            break;
        while (now < due)
            now = MonotonicUs();
        const qint64 late = now - due;
        ++Stats.Tasks;
        Stats.TotalUs += late;
        Stats.MaxUs = std::max(Stats.MaxUs, late);
        Task task = std::move(first->second);
        DueById.erase(first->first.second);
        Tasks.erase(first);
        task();
    }
    Arm();
}
