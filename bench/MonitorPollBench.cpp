// How fast the monitor polls over a real pseudo-terminal served by qmvsim,
// which paces its replies at the baud rate: the monitor's engine with the
// program's own serial port on the real clock.
//
// - One slot, RTU 38400 8N1 and ASCII 9600 7E1: transactions per second
//   against the line-time limit of the same requests (request and reply
//   characters x bits per character / baud, plus the simulator's turnaround
//   and, in RTU, the silence that ends a request frame), and their ratio.
// - Four slots, ASCII 9600: how often each slot's process value is refreshed,
//   and the longest time the user-interface thread was blocked (the worst
//   lateness of a 1 ms timer running beside the engine).
// - pymodbus's serial client reading the process and set value of the same
//   RTU controller in a loop, for comparison.
//
// usage: monitor_poll_bench [--qmvsim PATH] [--python PATH] [--seconds N]
// The last five lines are the figures named in them.
#include "ControllerConfig.h"
#include "Conversions.h"
#include "EventClock.h"
#include "FrameCodec.h"
#include "MonitorEngine.h"
#include "Public.h"
#include "QtSerialLine.h"
#include "TComPort.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#ifndef QMV_QMVSIM_PATH
#define QMV_QMVSIM_PATH "qmvsim"
#endif
#ifndef QMV_PYMODBUS_POLL
#define QMV_PYMODBUS_POLL "pymodbus_poll.py"
#endif

namespace {

// The simulator's pace, given to it explicitly so that the limit below uses
// the same figures.
constexpr int TurnaroundMs = 5;
constexpr int ChunkBytes = 16;

// The bus: four controllers on the program's default link for the ASCII
// runs, and one on RTU 38400 8N1 (the settings pyserial can set on a
// pseudo-terminal) for the RTU run and for pymodbus.
const char *const Controllers[] = {
    "address=1,model=A",
    "address=2,model=B",
    "address=3,model=C",
    "address=4,model=B",
    "address=5,model=A,baud=38400,data=8,parity=none,format=rtu",
};
constexpr int RtuStation = 5;

double NowMs()
{
    using namespace std::chrono;
    return duration_cast<duration<double, std::milli>>(steady_clock::now().time_since_epoch()).count();
}

// Runs the event loop until `done` holds or `timeoutMs` have passed.
bool SpinUntil(const std::function<bool()> &done, int timeoutMs)
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

void Spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// What went over the line, counted where the port meets the device, and
// where the time of each transaction went: from the request written to the
// last chunk of its reply announced by the device (the simulator's pace and
// the pseudo-terminal), from there to the serial service taking the bytes
// (its check), and from there to the next request written (the engine).
struct LineCounts {
    bool Rtu = false;
    qint64 Requests = 0;
    qint64 BytesOut = 0;
    qint64 BytesIn = 0;
    // ASCII: when a reply to a process value read (0x4700) came, by station.
    std::map<int, std::vector<double>> PvReplies;
    QByteArray LastRequest;
    QByteArray Incoming;

    qint64 Timed = 0;
    double ReplyMs = 0;
    double PickupMs = 0;
    double EngineMs = 0;
    double SentAtMs = 0;
    double ArrivedAtMs = 0;
    double TakenAtMs = 0;

    void Reset()
    {
        Requests = BytesOut = BytesIn = Timed = 0;
        ReplyMs = PickupMs = EngineMs = 0;
        PvReplies.clear();
    }
    void Sent(const QByteArray &bytes)
    {
        const double now = NowMs();
        if (SentAtMs > 0 && TakenAtMs > SentAtMs && ArrivedAtMs > SentAtMs) {
            ++Timed;
            ReplyMs += ArrivedAtMs - SentAtMs;
            PickupMs += std::max(0.0, TakenAtMs - ArrivedAtMs);
            EngineMs += now - TakenAtMs;
        }
        SentAtMs = now;
        ++Requests;
        BytesOut += bytes.size();
        LastRequest = bytes;
        Incoming.clear();
    }
    void Arrived() { ArrivedAtMs = NowMs(); }
    void Received(const QByteArray &bytes)
    {
        if (bytes.isEmpty())
            return;
        TakenAtMs = NowMs();
        BytesIn += bytes.size();
        if (Rtu)
            return;
        Incoming += bytes;
        if (!Incoming.endsWith('\n'))
            return;
        // ":SSFFRRRR..." for the request, ":SSFF..." for its reply.
        const QByteArray &q = LastRequest;
        if (q.size() >= 9 && Incoming.size() >= 5 && Incoming.at(0) == ':' && q.mid(3, 6) == "034700"
            && Incoming.mid(1, 4) == q.mid(1, 4))
            PvReplies[HexPairToByte(q.at(1), q.at(2))].push_back(TakenAtMs);
        Incoming.clear();
    }
};

class CountingLine : public SerialLine {
public:
    CountingLine(std::unique_ptr<SerialLine> inner, LineCounts &counts) : Inner(std::move(inner)), Counts(counts)
    {
        Inner->DataArrived = [this] {
            Counts.Arrived();
            if (DataArrived)
                DataArrived();
        };
        Inner->Failed = [this](const QString &text) {
            if (Failed)
                Failed(text);
        };
    }
    void Open(const LineSettings &settings) override { Inner->Open(settings); }
    void Close() override { Inner->Close(); }
    bool Apply(const LineSettings &settings) override { return Inner->Apply(settings); }
    void Write(const QByteArray &bytes) override
    {
        Inner->Write(bytes);
        Counts.Sent(bytes);
    }
    qint64 PendingWrite() const override { return Inner->PendingWrite(); }
    QByteArray TakeReceived() override
    {
        const QByteArray bytes = Inner->TakeReceived();
        Counts.Received(bytes);
        return bytes;
    }
    bool InputPending() const override { return Inner->InputPending(); }
    QString Describe() const override { return Inner->Describe(); }

private:
    std::unique_ptr<SerialLine> Inner;
    LineCounts &Counts;
};

class QuietView : public MonitorView {
public:
    void Changed(unsigned) override {}
    void ShowLineFault(const QString &text) override { Fault = text; }
    void CloseWindow() override {}
    void ClearTrend(int) override {}
    void UploadFinished() override {}
    void TransferFailed(const QString &) override {}
    void AskPassword() override {}
    QString Fault;
};

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

void ReportLateness(const char *what, const BlockProbe::Summary &s)
{
    std::printf("%s: a 1 ms timer fired %zu times, 99%% of them at most %.2f ms late, the latest %.2f ms\n", what,
                s.Fired, s.P99Ms, s.MaxMs);
}

struct Run {
    const char *Name;
    TLinkSettings Link;
    std::vector<int> Stations;  // slot s polls Stations[s]
};

struct Result {
    bool Ok = false;
    double Seconds = 0;
    qint64 Requests = 0;
    double BytesOutPerRequest = 0;
    double BytesInPerRequest = 0;
    double Tps = 0;
    double LimitTps = 0;
    double LimitMsPerRequest = 0;
    int Errors = 0;
    QString LastMessage;
    std::map<int, std::vector<double>> PvReplies;
    BlockProbe::Summary Lateness;
    double LongestHandlerMs = 0;  // the engine's longest port event
    // Mean per transaction.
    double ReplyMs = 0;
    double PickupMs = 0;
    double EngineMs = 0;
};

TParity ParityOf(int index)
{
    return index == 1 ? pEven : index == 2 ? pOdd : pNone;
}

// Line time of one transaction apart from its characters: the simulator's
// turnaround and, in RTU, the silence after which it takes the request as
// ended (3.5 characters, fixed at 1.75 ms above 19200 baud).
double FixedMsPerRequest(const TLinkSettings &link, double charMs)
{
    double ms = TurnaroundMs;
    if (link.RtuMode)
        ms += link.BaudRate > 19200 ? 1.75 : 3.5 * charMs;
    return ms;
}

Result Measure(const Run &run, int seconds, bool probeUi)
{
    Result result;
    LineCounts counts;
    counts.Rtu = run.Link.RtuMode;
    const LineFactory real = QtSerialLineFactory();
    TComPort port(DefaultClock(), [&](int number) -> std::unique_ptr<SerialLine> {
        return std::make_unique<CountingLine>(real(number), counts);
    });
    SessionState = TSessionState{};
    LinkSettings = run.Link;
    QuietView view;
    MonitorEngine engine(port, SessionState, view);
    // Times the engine's handling of each port event.
    bool measuring = false;
    double longestHandlerMs = 0;
    const TComPort::TriggerHandler engineHandler = port.OnTrigger;
    port.OnTrigger = [&](TComPort &p, std::uint16_t message, std::uint16_t argument, std::uint16_t data) {
        const double begin = NowMs();
        engineHandler(p, message, argument, data);
        if (measuring)
            longestHandlerMs = std::max(longestHandlerMs, NowMs() - begin);
    };
    std::array<int, SlotCount> addresses{1, 1, 1, 1};
    for (size_t s = 0; s < run.Stations.size(); ++s)
        addresses[s] = run.Stations[s];
    for (size_t s = 0; s < run.Stations.size(); ++s)
        engine.RunBt0Click(static_cast<int>(s), addresses);

    // Past identification and the first read-out of the page, the cycle runs
    // its status steps.
    const int slotCount = static_cast<int>(run.Stations.size());
    const bool steady = SpinUntil(
        [&] {
            for (int s = 0; s < slotCount; ++s) {
                const std::uint8_t model = engine.Slot(s).SlotModel;
                if (model != ModelA && model != ModelB && model != ModelC)
                    return false;
            }
            return engine.Page().Shown || !view.Fault.isEmpty();
        },
        60'000);
    if (!steady || !view.Fault.isEmpty()) {
        std::fprintf(stderr, "%s: the monitor did not get going: %s %s (step %d, polled slot %d, page %s)\n",
                     run.Name, qPrintable(view.Fault), qPrintable(engine.Message()), engine.PollStep(),
                     engine.PolledSlot(), engine.Page().Shown ? "shown" : "not shown");
        for (int s = 0; s < slotCount; ++s) {
            const MonitorSlot &slot = engine.Slot(s);
            std::fprintf(stderr, "  slot %d: station %d, %s, model 0x%02X, %d requests, %d faults\n", s,
                         slot.SlotAddress, slot.SlotConnected ? "connected" : "not connected", slot.SlotModel,
                         slot.ExecCount, slot.ErrorCount);
        }
        return result;
    }
    int errorsBefore = 0;
    for (int s = 0; s < slotCount; ++s)
        errorsBefore += engine.Slot(s).ErrorCount;

    BlockProbe probe;
    counts.Reset();
    measuring = true;
    const double start = NowMs();
    if (probeUi)
        probe.Start();
    Spin(seconds * 1000);
    probe.Stop();
    const double end = NowMs();
    measuring = false;
    const LineCounts window = counts;
    int errors = -errorsBefore;
    for (int s = 0; s < slotCount; ++s)
        errors += engine.Slot(s).ErrorCount;
    result.LastMessage = engine.Message();
    // Cancelled, the slots let the line go once the last reply is in: none
    // is left on its way to the next run.
    for (int s = 0; s < slotCount; ++s)
        engine.RunBt0Click(s, addresses);
    SpinUntil([&] { return !port.Open(); }, 10'000);

    result.Seconds = (end - start) / 1000.0;
    result.Requests = window.Requests;
    result.Errors = errors;
    result.PvReplies = window.PvReplies;
    result.LongestHandlerMs = longestHandlerMs;
    result.Lateness = probe.Summarise();
    if (window.Requests == 0 || !view.Fault.isEmpty()) {
        std::fprintf(stderr, "%s: nothing was polled: %s\n", run.Name, qPrintable(view.Fault));
        return result;
    }
    const double bits = BitsPerCharacter(run.Link.DataBits, ParityOf(run.Link.ParityIndex), run.Link.StopBits);
    const double charMs = 1000.0 * bits / run.Link.BaudRate;
    const double n = static_cast<double>(window.Requests);
    const double lineMs = static_cast<double>(window.BytesOut + window.BytesIn) * charMs
        + n * FixedMsPerRequest(run.Link, charMs);
    result.BytesOutPerRequest = static_cast<double>(window.BytesOut) / n;
    result.BytesInPerRequest = static_cast<double>(window.BytesIn) / n;
    result.Tps = n / result.Seconds;
    result.LimitMsPerRequest = lineMs / n;
    result.LimitTps = 1000.0 / result.LimitMsPerRequest;
    if (window.Timed > 0) {
        const double timed = static_cast<double>(window.Timed);
        result.ReplyMs = window.ReplyMs / timed;
        result.PickupMs = window.PickupMs / timed;
        result.EngineMs = window.EngineMs / timed;
    }
    result.Ok = true;
    return result;
}

void Report(const Run &run, const Result &r)
{
    const double msPerRequest = 1000.0 / r.Tps;
    std::printf("%s: %lld transactions in %.1f s = %.1f/s (%.2f ms each); line-time limit %.1f/s (%.2f ms each:"
                " %.1f bytes out, %.1f in); %.2f ms more per transaction than the line needs; %d faults%s%s\n",
                run.Name, static_cast<long long>(r.Requests), r.Seconds, r.Tps, msPerRequest, r.LimitTps,
                r.LimitMsPerRequest, r.BytesOutPerRequest, r.BytesInPerRequest, msPerRequest - r.LimitMsPerRequest,
                r.Errors, r.Errors ? ", last: " : "", r.Errors ? qPrintable(r.LastMessage) : "");
    std::printf("  where it went: the reply's last chunk announced %.2f ms after the request (%.2f ms beyond the"
                " line time), taken by the serial service %.2f ms later, the next request written %.2f ms after;"
                " the engine's longest port event took %.2f ms\n",
                r.ReplyMs, r.ReplyMs - r.LimitMsPerRequest, r.PickupMs, r.EngineMs, r.LongestHandlerMs);
}

// Mean and longest interval between process value replies of each station.
double ReportRefresh(const Result &r)
{
    double sum = 0;
    int stations = 0;
    for (const auto &[station, times] : r.PvReplies) {
        if (times.size() < 2)
            continue;
        double longest = 0;
        for (size_t i = 1; i < times.size(); ++i)
            longest = std::max(longest, times[i] - times[i - 1]);
        const double mean = (times.back() - times.front()) / static_cast<double>(times.size() - 1);
        std::printf("  station %d: process value refreshed %zu times, every %.0f ms on average, longest gap %.0f ms\n",
                    station, times.size(), mean, longest);
        sum += mean;
        ++stations;
    }
    return stations ? sum / stations : 0;
}

// The simulator alone, without the program's serial service and engine: a
// plain blocking port reads the process and set value of the RTU station
// again and again. How much longer than the line time each read takes is
// the simulator's and the pseudo-terminal's share.
double SimulatorAloneMs(const QString &device, int reads)
{
    QSerialPort port(device);
    port.setBaudRate(38400);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    if (!port.open(QIODevice::ReadWrite))
        return 0;
    const QByteArray request = FrameCodec::BuildRequest(RtuStation, 0x03, 0x4700, 2, true).ToByteArray();
    double total = 0;
    int answered = 0;
    for (int i = 0; i < reads; ++i) {
        const double start = NowMs();
        port.write(request);
        port.waitForBytesWritten(100);
        QByteArray reply;
        while (reply.size() < 9 && port.waitForReadyRead(200))
            reply += port.readAll();
        if (reply.size() == 9) {
            total += NowMs() - start;
            ++answered;
        }
    }
    return answered ? total / answered : 0;
}

struct PeerResult {
    bool Ok = false;
    double Tps = 0;
    int Failed = 0;
};

PeerResult RunPymodbus(const QString &python, const QString &link, int seconds)
{
    PeerResult result;
    QProcess peer;
    peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    peer.start(python, {QStringLiteral(QMV_PYMODBUS_POLL), QStringLiteral("--port"), link, QStringLiteral("--baud"),
                        QStringLiteral("38400"), QStringLiteral("--unit"), QString::number(RtuStation),
                        QStringLiteral("--register"), QStringLiteral("0x4700"), QStringLiteral("--count"),
                        QStringLiteral("2"), QStringLiteral("--seconds"), QString::number(seconds)});
    if (!peer.waitForStarted(10'000) || !peer.waitForFinished((seconds + 60) * 1000)) {
        std::fprintf(stderr, "pymodbus did not run: %s\n", qPrintable(peer.errorString()));
        peer.kill();
        peer.waitForFinished(5000);
        return result;
    }
    const QJsonObject json = QJsonDocument::fromJson(peer.readAllStandardOutput().trimmed()).object();
    const double elapsed = json.value(QStringLiteral("seconds")).toDouble();
    if (peer.exitCode() != 0 || elapsed <= 0) {
        std::fprintf(stderr, "pymodbus: %s\n", QJsonDocument(json).toJson(QJsonDocument::Compact).constData());
        return result;
    }
    result.Tps = json.value(QStringLiteral("answered")).toInt() / elapsed;
    result.Failed = json.value(QStringLiteral("failed")).toInt();
    result.Ok = true;
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString simulator = QStringLiteral(QMV_QMVSIM_PATH);
    QString python = QStringLiteral("/usr/bin/python3");  // the one that sees Debian's pymodbus
    int seconds = 10;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--qmvsim"))
            simulator = args[++i];
        else if (args[i] == QLatin1String("--python"))
            python = args[++i];
        else if (args[i] == QLatin1String("--seconds"))
            seconds = std::max(1, args[++i].toInt());
    }

    QTemporaryDir folder;
    if (!folder.isValid() || !QDir(folder.path()).mkdir(QStringLiteral("ports")))
        return 1;
    QDir::setCurrent(folder.path());
    const QString link = folder.filePath(QStringLiteral("ports/COM1"));

    QStringList simArgs{QStringLiteral("--link"), link, QStringLiteral("--turnaround"), QString::number(TurnaroundMs),
                        QStringLiteral("--chunk"), QString::number(ChunkBytes)};
    for (const char *c : Controllers)
        simArgs << QStringLiteral("--controller") << QString::fromLatin1(c);
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(simulator, simArgs);
    if (!sim.waitForStarted(5000)) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(simulator));
        return 1;
    }
    if (!SpinUntil([&] { return QFileInfo(link).exists(); }, 5000)) {
        std::fprintf(stderr, "qmvsim made no link at %s\n", qPrintable(link));
        return 1;
    }

    const TLinkSettings rtu38400{1, 38400, 8, 0, 1, true};
    const TLinkSettings ascii9600{1, 9600, 7, 1, 1, false};
    const Run rtuRun{"RTU 38400 8N1, 1 slot", rtu38400, {RtuStation}};
    const Run asciiRun{"ASCII 9600 7E1, 1 slot", ascii9600, {1}};
    const Run fourRun{"ASCII 9600 7E1, 4 slots", ascii9600, {1, 2, 3, 4}};

    // How late a 1 ms timer is with nothing else in this process: what the
    // machine itself (other processes on its cores) costs the thread.
    {
        BlockProbe idle;
        idle.Start();
        Spin(seconds * 1000);
        idle.Stop();
        ReportLateness("idle event loop", idle.Summarise());
    }

    const Result rtu = Measure(rtuRun, seconds, false);
    if (rtu.Ok)
        Report(rtuRun, rtu);
    const Result ascii = Measure(asciiRun, seconds, false);
    if (ascii.Ok)
        Report(asciiRun, ascii);
    const Result four = Measure(fourRun, seconds, true);
    double refreshMs = 0;
    if (four.Ok) {
        Report(fourRun, four);
        refreshMs = ReportRefresh(four);
        ReportLateness("  user-interface thread while polling", four.Lateness);
    }

    // The same read as the monitor's process value step: 8 bytes out, 9 in.
    const double rtuCharMs = 1000.0 * BitsPerCharacter(8, pNone, 1) / 38400;
    const double readLineMs = 17 * rtuCharMs + FixedMsPerRequest(rtu38400, rtuCharMs);
    const double aloneMs = SimulatorAloneMs(link, 300);
    if (aloneMs > 0)
        std::printf("simulator alone, RTU 38400 read of 0x4700 x2 with a blocking port: %.2f ms each, line time %.2f ms"
                    " (%.2f ms beyond)\n",
                    aloneMs, readLineMs, aloneMs - readLineMs);

    const PeerResult peer = RunPymodbus(python, link, seconds);
    const double peerLimitTps = 1000.0 / readLineMs;
    if (peer.Ok)
        std::printf("pymodbus RTU 38400 8N1, reading 0x4700 x2 from station %d: %.1f/s (line-time limit %.1f/s,"
                    " ratio %.2f); %d failed\n",
                    RtuStation, peer.Tps, peerLimitTps, peer.Tps / peerLimitTps, peer.Failed);

    sim.terminate();
    sim.waitForFinished(3000);
    if (!rtu.Ok || !ascii.Ok || !four.Ok || !peer.Ok)
        return 1;

    std::printf("monitor-rtu38400-1slot-ratio: %.3f\n", rtu.Tps / rtu.LimitTps);
    std::printf("monitor-ascii9600-1slot-ratio: %.3f\n", ascii.Tps / ascii.LimitTps);
    std::printf("monitor-4slot-pv-refresh-ms: %.0f\n", refreshMs);
    std::printf("monitor-ui-max-block-ms: %.2f\n", four.Lateness.MaxMs);
    std::printf("peer-pymodbus-rtu38400-tps: %.1f\n", peer.Tps);
    return 0;
}
