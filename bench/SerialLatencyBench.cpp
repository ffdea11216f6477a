// How late the serial service's events arrive on a real pseudo-terminal:
// data-available after the bytes were written to the far end, and timer
// events after their expiry. Prints median, p99 and max of each.
#include "EventClock.h"
#include "QtSerialLine.h"
#include "TComPort.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

double NowMsPrecise()
{
    using namespace std::chrono;
    return duration_cast<duration<double, std::milli>>(steady_clock::now().time_since_epoch()).count();
}

struct Stats {
    double Median, P99, Max;
};

Stats Summarise(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    auto at = [&](double q) { return v[std::min(v.size() - 1, static_cast<size_t>(q * static_cast<double>(v.size())))]; };
    return {at(0.5), at(0.99), v.back()};
}

void Print(const char *what, const Stats &s, size_t n)
{
    std::printf("%-22s n=%zu median=%.3f ms p99=%.3f ms max=%.3f ms\n", what, n, s.Median, s.P99, s.Max);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int events = argc > 1 ? std::max(1000, atoi(argv[1])) : 1000;

    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QDir().mkdir("ports");
    QFile::link(QString::fromLocal8Bit(name), "ports/COM1");

    RealClock clock;
    TComPort port(clock, QtSerialLineFactory());
    port.SetComNumber(1);
    port.SetBaud(9600);
    port.SetOpen(true);
    const std::uint16_t handle = port.AddTimerTrigger();

    std::vector<double> dataLatency, timerLateness;
    double sentAt = 0;
    qint64 expiryMs = 0;
    enum { Data, Timers } phase = Data;

    auto sendByte = [&] {
        sentAt = NowMsPrecise();
        const char byte = 'x';
        (void)!write(master, &byte, 1);
    };
    auto armTimer = [&] {
        port.SetTimerTrigger(handle, 1, true);
        expiryMs = (clock.NowMs() / TComPort::TickMs + 2) * TComPort::TickMs;
    };

    port.OnTrigger = [&](TComPort &p, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
        if (message == TComPort::TriggerAvail) {
            for (int i = 0; i < argument; ++i)
                p.GetChar();
            if (phase != Data)
                return;
            dataLatency.push_back(NowMsPrecise() - sentAt);
            if (static_cast<int>(dataLatency.size()) < events) {
                clock.CallAfter(1, sendByte);
            } else {
                phase = Timers;
                clock.CallAfter(1, armTimer);
            }
        } else if (message == TComPort::TriggerTimer) {
            timerLateness.push_back(NowMsPrecise() - static_cast<double>(expiryMs));
            if (static_cast<int>(timerLateness.size()) < events)
                clock.CallAfter(static_cast<int>(timerLateness.size() % 7), armTimer);
            else
                QCoreApplication::quit();
        }
    };
    clock.CallSoon(sendByte);
    app.exec();

    const Stats data = Summarise(dataLatency);
    const Stats timer = Summarise(timerLateness);
    Print("data-available", data, dataLatency.size());
    Print("timer lateness", timer, timerLateness.size());
    port.SetOpen(false);
    close(master);
    close(slave);
    std::printf("data-latency-p99-ms: %.3f\n", data.P99);
    std::printf("timer-lateness-p99-ms: %.3f\n", timer.P99);
    return 0;
}
