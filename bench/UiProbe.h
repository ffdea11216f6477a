// What the benchmarks that run the program's event loop share: the time in
// milliseconds, running the loop for a while or until something holds, and
// how long the user-interface thread was kept from a 1 ms timer, with the
// same timer on an idle thread beside it for what the machine itself costs.
#pragma once

#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

inline double NowMs()
{
    using namespace std::chrono;
    return duration_cast<duration<double, std::milli>>(steady_clock::now().time_since_epoch()).count();
}

// Runs the event loop until `done` holds or `timeoutMs` have passed.
inline bool SpinUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(10);
    loop.exec();
    return done();
}

inline void Spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// A 1 ms timer on the user-interface thread: how much later than due it
// fired is how long the thread was kept from it.
class BlockProbe {
public:
    struct Summary {
        std::size_t Fired = 0;
        double P99Ms = 0;
        double MaxMs = 0;
    };

    BlockProbe()
    {
        Timer.setTimerType(Qt::PreciseTimer);
        Timer.setInterval(1);
        QObject::connect(&Timer, &QTimer::timeout, [this] {
            const double now = NowMs();
            LateMs.push_back(std::max(0.0, now - Last - 1.0));
            Last = now;
        });
    }
    void Start()
    {
        Last = NowMs();
        Timer.start();
    }
    void Stop() { Timer.stop(); }
    Summary Summarise() const
    {
        Summary s;
        if (LateMs.empty())
            return s;
        std::vector<double> late = LateMs;
        std::sort(late.begin(), late.end());
        s.Fired = late.size();
        s.P99Ms = late[std::min(late.size() - 1, late.size() * 99 / 100)];
        s.MaxMs = late.back();
        return s;
    }

private:
    QTimer Timer;
    double Last = 0;
    std::vector<double> LateMs;
};

inline void ReportLateness(const char *what, const BlockProbe::Summary &s)
{
    std::printf("%s: a 1 ms timer fired %zu times, 99%% of them at most %.2f ms late, the latest %.2f ms\n", what,
                s.Fired, s.P99Ms, s.MaxMs);
}

// The same probe in an idle event loop on a thread of its own, beside the
// user-interface thread and at the same time: what the machine (the other
// processes on its cores) costs a thread that does nothing meanwhile.
class IdleThreadProbe {
public:
    IdleThreadProbe()
    {
        Context.moveToThread(&Thread);
        Thread.start();
        // The timer belongs to the thread it runs on.
        QMetaObject::invokeMethod(
            &Context,
            [this] {
                Probe = std::make_unique<BlockProbe>();
                Probe->Start();
            },
            Qt::BlockingQueuedConnection);
    }
    ~IdleThreadProbe()
    {
        if (Thread.isRunning())
            Stop();
    }
    BlockProbe::Summary Stop()
    {
        BlockProbe::Summary summary;
        QMetaObject::invokeMethod(
            &Context,
            [this, &summary] {
                Probe->Stop();
                summary = Probe->Summarise();
                Probe.reset();
            },
            Qt::BlockingQueuedConnection);
        Thread.quit();
        Thread.wait();
        return summary;
    }

private:
    QThread Thread;
    QObject Context;
    std::unique_ptr<BlockProbe> Probe;
};
