// How long one probe of the link scan really takes over a pseudo-terminal
// served by qmvsim: a probe nobody answers lasts until its deadline of two
// ticks (110-165 ms after it was sent), an answered ASCII probe ends at the
// reply's line feed and an answered RTU probe after two ticks of silence.
//
// usage: scan_probe_bench [--qmvsim PATH] [--rounds N]
// The last two lines are the medians of the silent and the answered probes.
#include "BenchSim.h"
#include "EventClock.h"
#include "Links.h"
#include "Public.h"
#include "QtSerialLine.h"
#include "ReceiveRouting.h"
#include "ScanEngine.h"
#include "TComPort.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>


namespace {

double NowMsPrecise()
{
    using namespace std::chrono;
    return duration_cast<duration<double, std::milli>>(steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Percentile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

// Times each probe: from the moment it was sent (the previous probe's end)
// to the moment the engine advanced past it. The first probe of a scan also
// pays for opening the port and is left out.
class TimingView : public ScanView {
public:
    void ShowDescription(const QString &) override {}
    void ShowGauge(int, int) override {}
    void ShowTimeLeft(const QString &) override
    {
        const double now = NowMsPrecise();
        if (!First)
            (Answered ? AnsweredMs : SilentMs).push_back(now - ProbeStart);
        First = false;
        Answered = false;
        ProbeStart = now;
    }
    void ShowHit(int, const QString &, const QString &) override { Answered = true; }
    void ShowScanEnd(const QString &) override { Ended = true; }
    void ShowScanFault(const QString &text) override
    {
        Fault = text;
        Ended = true;
    }

    double ProbeStart = 0;
    bool First = true;
    bool Answered = false;
    bool Ended = false;
    QString Fault;
    std::vector<double> SilentMs;
    std::vector<double> AnsweredMs;
};

// Runs one scan on the real clock and waits until it ends.
bool RunScan(ScanEngine &engine, TimingView &view, const Scan::Presets &presets)
{
    view.Ended = false;
    view.First = true;
    view.Answered = false;
    engine.Start(presets);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (view.Ended)
            loop.quit();
    });
    poll.start(5);
    if (!view.Ended)
        loop.exec();
    if (!view.Fault.isEmpty()) {
        std::fprintf(stderr, "scan failed: %s\n", qPrintable(view.Fault));
        return false;
    }
    return true;
}

void Report(const char *what, const std::vector<double> &ms)
{
    std::printf("%-16s n=%zu median=%.1f ms p10=%.1f ms p90=%.1f ms max=%.1f ms\n", what, ms.size(), Median(ms),
                Percentile(ms, 0.10), Percentile(ms, 0.90), ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int rounds = OptionCount(args, "--rounds", 10);

    // Station 3 answers in ASCII, station 4 in RTU, both at 9600 8N1: over a
    // pseudo-terminal only baud, stop bits and odd parity can be told apart.
    BenchSim sim;
    if (!sim.Start(args, {QStringLiteral("--controller"),
                          QStringLiteral("address=3,model=A,baud=9600,data=8,parity=none,stop=1,format=ascii"),
                          QStringLiteral("--controller"),
                          QStringLiteral("address=4,model=B,baud=9600,data=8,parity=none,stop=1,format=rtu")}))
        return 1;
    const QString link = sim.Link();

    TComPort port(DefaultClock(), QtSerialLineFactory());
    SetupLink setup(port);
    port.OnTrigger = [&setup](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
        RouteSetupTrigger(setup, message, argument);
    };
    LinkSettings.PortNumber = 1;

    TimingView ascii, rtu;
    // 9600, no parity, 8 data bits, 1 stop bit over "01H~10H": one answer
    // and fourteen timed silent probes per round.
    const Scan::Presets asciiScan{1, 0, 2, 1, 0, 0};
    const Scan::Presets rtuScan{1, 0, 2, 1, 0, 1};
    for (int r = 0; r < rounds; ++r) {
        {
            ScanEngine engine(setup, SessionState, LinkSettings, ascii);
            if (!RunScan(engine, ascii, asciiScan))
                return 1;
        }
        {
            ScanEngine engine(setup, SessionState, LinkSettings, rtu);
            if (!RunScan(engine, rtu, rtuScan))
                return 1;
        }
    }
    sim.Stop();

    std::vector<double> silent = ascii.SilentMs;
    silent.insert(silent.end(), rtu.SilentMs.begin(), rtu.SilentMs.end());
    Report("silent probe", silent);
    Report("answered ASCII", ascii.AnsweredMs);
    Report("answered RTU", rtu.AnsweredMs);
    std::printf("estimate per probe: %d ms; silent floor: 110-165 ms\n", Scan::EstimatedProbeMs);
    if (ascii.AnsweredMs.empty() || silent.empty()) {
        std::fprintf(stderr, "no answers: is qmvsim serving %s?\n", qPrintable(link));
        return 1;
    }
    std::printf("silent-probe-ms-median: %.1f\n", Median(silent));
    std::printf("answered-probe-ms-median: %.1f\n", Median(ascii.AnsweredMs));
    return 0;
}
