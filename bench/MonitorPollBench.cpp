// How fast the monitor polls over a real pseudo-terminal served by qmvsim,
// which paces its replies at the baud rate: the monitor's engine with the
// program's own serial port on the real clock, and beside it independent
// Modbus masters reading the same registers of the same controller.
//
// The limits of one transaction, from the bytes that crossed the line
// (bits per character / baud):
// - line: the request's and the reply's characters and, in RTU, the
//   silence of 3.5 characters (1.75 ms above 19200 baud) after which a
//   controller takes the request as ended;
// - line+turnaround: the line and the simulator's turnaround (5 ms), the
//   time a controller takes before it answers;
// - with the waits: RTU with several slots, line+turnaround and the 20 ms
//   the monitor waits before each request.
//
// The runs, one after another on one simulator:
// - the simulator alone: a plain blocking master straight on the terminal
//   reads one controller again and again; what each read takes beyond
//   line+turnaround is the simulator's and the pseudo-terminal's share;
// - one slot, RTU 38400 8N1 and ASCII 9600 7E1, against both limits; then
//   libmodbus (RTU only) and pymodbus reading the same registers in the same
//   order from the same controller, each for as long;
// - four slots, ASCII 9600: how often each process value is refreshed, and
//   the longest block of the user-interface thread (the worst lateness of a
//   1 ms timer beside the engine) with an idle thread's beside it;
// - four slots, RTU 38400: against the limit with the waits;
// - the same four slots with the monitor window showing and painting: the
//   longest block of the user-interface thread against that of an idle
//   event loop on a thread of its own at the same time (what the machine
//   costs any thread meanwhile).
//
// usage: monitor_poll_bench [--qmvsim PATH] [--python PATH] [--seconds N]
// Without a display the window paints on Qt's offscreen platform; run it
// under xvfb-run for a real X server. The last lines are the figures named
// in them.
#include "BenchSim.h"
#include "ControllerConfig.h"
#include "Conversions.h"
#include "EventClock.h"
#include "FrameCodec.h"
#include "MessageBoxes.h"
#include "MonitorEngine.h"
#include "Paraset.h"
#include "Public.h"
#include "QtSerialLine.h"
#include "TComPort.h"
#include "QuietMonitorView.h"
#include "UiProbe.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <memory>
#include <optional>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#ifndef QMV_PYMODBUS_POLL
#define QMV_PYMODBUS_POLL "pymodbus_poll.py"
#endif

namespace {

// The simulator's pace, given to it explicitly so that the limits below use
// the same figures.
constexpr int TurnaroundMs = 5;
constexpr int ChunkBytes = 16;
// What the monitor waits before each RTU request when it polls several slots.
constexpr double RtuWaitMs = 20;

// The bus: four controllers on the program's default link and four on RTU
// 38400 8N1 (the settings pyserial and libmodbus can set on a pseudo-terminal).
const char *const Controllers[] = {
    "address=1,model=A",
    "address=2,model=B",
    "address=3,model=C",
    "address=4,model=B",
    "address=5,model=A,baud=38400,data=8,parity=none,format=rtu",
    "address=6,model=B,baud=38400,data=8,parity=none,format=rtu",
    "address=7,model=C,baud=38400,data=8,parity=none,format=rtu",
    "address=8,model=B,baud=38400,data=8,parity=none,format=rtu",
};

const TLinkSettings Rtu38400{1, 38400, 8, 0, 1, true};
const TLinkSettings Ascii9600{1, 9600, 7, 1, 1, false};

TParity ParityOf(int index)
{
    return index == 1 ? pEven : index == 2 ? pOdd : pNone;
}

double CharMs(const TLinkSettings &link)
{
    return 1000.0 * BitsPerCharacter(link.DataBits, ParityOf(link.ParityIndex), link.StopBits) / link.BaudRate;
}

// The silence that ends an RTU request: 3.5 characters, fixed above 19200 baud.
double SilenceMs(const TLinkSettings &link)
{
    return !link.RtuMode ? 0 : link.BaudRate > 19200 ? 1.75 : 3.5 * CharMs(link);
}

// One read of holding registers: the register and how many.
struct Read {
    int Register = 0;
    int Count = 0;
};

// Line+turnaround of reads as a master sends them (8 or 17 characters) and a
// controller answers them (5 + 2n bytes, or 11 + 4n characters).
double ReadsLimitMs(const TLinkSettings &link, const std::vector<Read> &reads)
{
    double ms = 0;
    for (const Read &r : reads) {
        const int bytes = link.RtuMode ? 8 + 5 + 2 * r.Count : 17 + 11 + 4 * r.Count;
        ms += bytes * CharMs(link) + SilenceMs(link) + TurnaroundMs;
    }
    return ms;
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
    // The reads sent, in order, for the peers to repeat.
    std::vector<Read> Reads;
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
        Reads.clear();
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
        // Station, function, register and count, as bytes or hex pairs.
        const auto at = [&](int i) {
            return Rtu ? static_cast<std::uint8_t>(bytes.at(i)) : HexPairToByte(bytes.at(1 + 2 * i), bytes.at(2 + 2 * i));
        };
        if (bytes.size() >= (Rtu ? 8 : 17) && at(1) == 0x03)
            Reads.push_back({at(2) * 256 + at(3), at(4) * 256 + at(5)});
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

struct Run {
    const char *Name;
    TLinkSettings Link;
    std::vector<int> Stations;  // slot s polls Stations[s]
    bool Window = false;        // the whole monitor window, showing
};

struct Result {
    bool Ok = false;
    double Seconds = 0;
    qint64 Requests = 0;
    double BytesOutPerRequest = 0;
    double BytesInPerRequest = 0;
    double Tps = 0;
    // Per transaction, the limits in ms: line, line+turnaround, and the one
    // that holds for this run (with the waits when there are any).
    double LineMs = 0;
    double TurnaroundLimitMs = 0;
    double LimitMs = 0;
    int Errors = 0;
    QString LastMessage;
    std::vector<Read> Reads;
    std::map<int, std::vector<double>> PvReplies;
    BlockProbe::Summary Lateness;
    BlockProbe::Summary IdleLateness;  // of an idle thread meanwhile
    double LongestHandlerMs = 0;  // the engine's longest port event
    // Mean per transaction.
    double ReplyMs = 0;
    double PickupMs = 0;
    double EngineMs = 0;

    double Ratio() const { return LimitMs / (1000.0 / Tps); }
    double LineRatio() const { return LineMs / (1000.0 / Tps); }
};

// The monitor under measurement: its engine with a view that only notes
// faults, or the whole window on the screen.
class MonitorUnderTest {
public:
    MonitorUnderTest(const Run &run, const LineFactory &factory)
    {
        SessionState = TSessionState{};
        LinkSettings = run.Link;
        if (run.Window) {
            SetMessageSink([this](const QString &text, const QString &) { View.Fault = text; });
            Window = std::make_unique<TPMonitor>(nullptr, DefaultClock(), factory);
            Window->show();
        } else {
            Port = std::make_unique<TComPort>(DefaultClock(), factory);
            Alone = std::make_unique<MonitorEngine>(*Port, SessionState, View);
        }
    }
    ~MonitorUnderTest()
    {
        Window.reset();
        Alone.reset();
        SetMessageSink({});
    }

    MonitorEngine &Engine() { return Window ? Window->Engine() : *Alone; }
    // The engine's own port, whose events can be timed (not the window's).
    TComPort *EnginePort() { return Port.get(); }
    const QString &Fault() const { return View.Fault; }

    // Connects or disconnects a slot, as its "Connect" button does.
    void Toggle(int slot, int address)
    {
        Addresses[static_cast<size_t>(slot)] = address;
        if (!Window) {
            Alone->RunBt0Click(slot, Addresses);
            return;
        }
        auto *edit = Window->findChild<QSpinBox *>(QStringLiteral("ComAddr%1").arg(slot));
        auto *button = Window->findChild<QPushButton *>(QStringLiteral("RunBt%1").arg(slot));
        if (!edit || !button) {
            View.Fault = QStringLiteral("the window has no ComAddr%1 or RunBt%1").arg(slot);
            return;
        }
        edit->setValue(address);
        button->click();
    }

private:
    QuietView View;
    std::unique_ptr<TComPort> Port;
    std::unique_ptr<MonitorEngine> Alone;
    std::unique_ptr<TPMonitor> Window;
    std::array<int, SlotCount> Addresses{1, 1, 1, 1};
};

Result Measure(const Run &run, int seconds, bool probeUi)
{
    Result result;
    LineCounts counts;
    counts.Rtu = run.Link.RtuMode;
    const LineFactory real = QtSerialLineFactory();
    MonitorUnderTest monitor(run, [&](int number) -> std::unique_ptr<SerialLine> {
        return std::make_unique<CountingLine>(real(number), counts);
    });
    MonitorEngine &engine = monitor.Engine();
    // Times the engine's handling of each port event.
    bool measuring = false;
    double longestHandlerMs = 0;
    if (TComPort *port = monitor.EnginePort()) {
        const TComPort::TriggerHandler engineHandler = port->OnTrigger;
        port->OnTrigger = [&, engineHandler](TComPort &p, std::uint16_t message, std::uint16_t argument,
                                             std::uint16_t data) {
            const double begin = NowMs();
            engineHandler(p, message, argument, data);
            if (measuring)
                longestHandlerMs = std::max(longestHandlerMs, NowMs() - begin);
        };
    }
    const int slotCount = static_cast<int>(run.Stations.size());
    for (int s = 0; s < slotCount; ++s)
        monitor.Toggle(s, run.Stations[static_cast<size_t>(s)]);

    // Past identification and the first read-out of the page, the cycle runs
    // its status steps.
    const bool steady = SpinUntil(
        [&] {
            for (int s = 0; s < slotCount; ++s) {
                const std::uint8_t model = engine.Slot(s).SlotModel;
                if (model != ModelA && model != ModelB && model != ModelC)
                    return false;
            }
            return engine.Page().Shown || !monitor.Fault().isEmpty();
        },
        60'000);
    if (!steady || !monitor.Fault().isEmpty()) {
        std::fprintf(stderr, "%s: the monitor did not get going: %s %s\n", run.Name, qPrintable(monitor.Fault()),
                     qPrintable(engine.Message()));
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
    std::optional<IdleThreadProbe> idle;
    counts.Reset();
    measuring = true;
    const double start = NowMs();
    if (probeUi) {
        idle.emplace();
        probe.Start();
    }
    Spin(seconds * 1000);
    probe.Stop();
    if (idle)
        result.IdleLateness = idle->Stop();
    const double end = NowMs();
    measuring = false;
    const LineCounts window = counts;
    int errors = -errorsBefore;
    for (int s = 0; s < slotCount; ++s)
        errors += engine.Slot(s).ErrorCount;
    result.LastMessage = engine.Message();
    // Disconnected, the slots let the line go once the last reply is in: none
    // is left on its way to the next run.
    for (int s = 0; s < slotCount; ++s)
        monitor.Toggle(s, run.Stations[static_cast<size_t>(s)]);
    SpinUntil([&] { return SessionState.ActiveModule == ModuleNone; }, 10'000);

    result.Seconds = (end - start) / 1000.0;
    result.Requests = window.Requests;
    result.Errors = errors;
    result.Reads = window.Reads;
    result.PvReplies = window.PvReplies;
    result.LongestHandlerMs = longestHandlerMs;
    result.Lateness = probe.Summarise();
    if (window.Requests == 0 || !monitor.Fault().isEmpty()) {
        std::fprintf(stderr, "%s: nothing was polled: %s\n", run.Name, qPrintable(monitor.Fault()));
        return result;
    }
    const double n = static_cast<double>(window.Requests);
    const double charactersMs = static_cast<double>(window.BytesOut + window.BytesIn) * CharMs(run.Link) / n;
    result.LineMs = charactersMs + SilenceMs(run.Link);
    result.TurnaroundLimitMs = result.LineMs + TurnaroundMs;
    result.LimitMs = result.TurnaroundLimitMs + (run.Link.RtuMode && slotCount > 1 ? RtuWaitMs : 0);
    result.BytesOutPerRequest = static_cast<double>(window.BytesOut) / n;
    result.BytesInPerRequest = static_cast<double>(window.BytesIn) / n;
    result.Tps = n / result.Seconds;
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
    std::printf("%s: %lld transactions in %.1f s = %.1f/s (%.2f ms each, %.1f bytes out, %.1f in); %d faults%s%s\n",
                run.Name, static_cast<long long>(r.Requests), r.Seconds, r.Tps, msPerRequest, r.BytesOutPerRequest,
                r.BytesInPerRequest, r.Errors, r.Errors ? ", last: " : "", r.Errors ? qPrintable(r.LastMessage) : "");
    std::printf("  limits: line %.2f ms (ratio %.3f), line+turnaround %.2f ms (ratio %.3f)", r.LineMs, r.LineRatio(),
                r.TurnaroundLimitMs, r.TurnaroundLimitMs / msPerRequest);
    if (r.LimitMs > r.TurnaroundLimitMs)
        std::printf(", with the %.0f ms wait %.2f ms (ratio %.3f)", RtuWaitMs, r.LimitMs, r.Ratio());
    std::printf("; %.2f ms more per transaction than the limit\n", msPerRequest - r.LimitMs);
    std::printf("  where it went: the reply's last chunk announced %.2f ms after the request (%.2f ms beyond"
                " line+turnaround), taken by the serial service %.2f ms later, the next request written %.2f ms"
                " after",
                r.ReplyMs, r.ReplyMs - r.TurnaroundLimitMs, r.PickupMs, r.EngineMs);
    if (r.LongestHandlerMs > 0)
        std::printf("; the engine's longest port event took %.2f ms", r.LongestHandlerMs);
    std::printf("\n");
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

speed_t SpeedOf(int baud)
{
    return baud == 38400 ? B38400 : baud == 19200 ? B19200 : B9600;
}

// The simulator alone: a plain blocking master straight on the terminal
// (no Qt, no serial service, a poll() on the file) reads the process and
// set value of one station again and again. The mean time per read beyond
// line+turnaround is what the simulator and the pseudo-terminal add.
std::optional<double> SimulatorOverheadMs(const QString &device, const TLinkSettings &link, int station, int reads)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&tio, SpeedOf(link.BaudRate));
    ::cfsetospeed(&tio, SpeedOf(link.BaudRate));
    ::tcsetattr(fd, TCSANOW, &tio);
    const QByteArray request = FrameCodec::BuildRequest(station, 0x03, 0x4700, 2, link.RtuMode).ToByteArray();
    const int replyLength = link.RtuMode ? 9 : 19;
    std::vector<double> taken;
    for (int i = 0; i < reads; ++i) {
        const double start = NowMs();
        if (::write(fd, request.constData(), static_cast<size_t>(request.size())) != request.size())
            break;
        int got = 0;
        char buffer[64];
        pollfd p{fd, POLLIN, 0};
        while (got < replyLength && ::poll(&p, 1, 500) > 0) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got += static_cast<int>(n);
        }
        if (got == replyLength)
            taken.push_back(NowMs() - start);
    }
    ::close(fd);
    if (taken.empty())
        return std::nullopt;
    const double limit = ReadsLimitMs(link, {{0x4700, 2}});
    double sum = 0;
    for (double t : taken)
        sum += t;
    const double mean = sum / static_cast<double>(taken.size());
    std::sort(taken.begin(), taken.end());
    std::printf("simulator alone, %s %d read of 0x4700 x2, %zu reads: %.3f ms each on average (median %.3f, 90%% at"
                " most %.3f), line+turnaround %.3f ms: %.3f ms beyond\n",
                link.RtuMode ? "RTU" : "ASCII", link.BaudRate, taken.size(), mean, taken[taken.size() / 2],
                taken[taken.size() * 9 / 10], limit, mean - limit);
    return mean - limit;
}

// An independent master (a program printing one line of JSON with
// "answered", "failed" and "seconds") reading the monitor's reads in the same
// order from the same station.
struct Peer {
    QString Name;
    QString Program;
    QStringList Arguments;
};

struct PeerResult {
    bool Ok = false;
    double Tps = 0;
    double Ratio = 0;  // of line+turnaround on its own reads
    int Failed = 0;
};

// The longest list of reads the peers take (libmodbus_poll's limit).
constexpr size_t MaxPeerReads = 1024;

QString ReadsArgument(const std::vector<Read> &reads)
{
    QStringList items;
    for (const Read &r : reads)
        items << QStringLiteral("0x%1:%2").arg(r.Register, 4, 16, QLatin1Char('0')).arg(r.Count);
    return items.join(QLatin1Char(','));
}

PeerResult RunPeer(const Peer &peer, const TLinkSettings &link, const QString &device, int station,
                   const std::vector<Read> &monitorReads, int seconds)
{
    PeerResult result;
    if (monitorReads.empty())
        return result;
    const auto count = static_cast<std::ptrdiff_t>(std::min(monitorReads.size(), MaxPeerReads));
    const std::vector<Read> reads(monitorReads.begin(), monitorReads.begin() + count);
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(peer.Program, peer.Arguments + QStringList{QStringLiteral("--port"), device, QStringLiteral("--baud"),
                                                             QString::number(link.BaudRate), QStringLiteral("--unit"),
                                                             QString::number(station), QStringLiteral("--reads"),
                                                             ReadsArgument(reads), QStringLiteral("--seconds"),
                                                             QString::number(seconds)});
    if (!process.waitForStarted(10'000) || !process.waitForFinished((seconds + 60) * 1000)) {
        std::fprintf(stderr, "%s did not run: %s\n", qPrintable(peer.Name), qPrintable(process.errorString()));
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    const QJsonObject json = QJsonDocument::fromJson(process.readAllStandardOutput().trimmed()).object();
    const double elapsed = json.value(QStringLiteral("seconds")).toDouble();
    const int answered = json.value(QStringLiteral("answered")).toInt();
    if (process.exitCode() != 0 || elapsed <= 0 || answered == 0) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(peer.Name),
                     QJsonDocument(json).toJson(QJsonDocument::Compact).constData());
        return result;
    }
    result.Tps = answered / elapsed;
    result.Failed = json.value(QStringLiteral("failed")).toInt();
    // Its reads in the order it made them: the list again and again.
    std::vector<Read> made;
    for (int i = 0; i < answered; ++i)
        made.push_back(reads[static_cast<size_t>(i) % reads.size()]);
    result.Ratio = ReadsLimitMs(link, made) / answered / (1000.0 / result.Tps);
    result.Ok = true;
    const QString firstError = json.value(QStringLiteral("first_error")).toString();
    std::printf("  %s, the same reads from station %d: %.1f/s (ratio %.3f of line+turnaround); %d failed%s%s\n",
                qPrintable(peer.Name), station, result.Tps, result.Ratio, result.Failed,
                firstError.isEmpty() ? "" : ", the first with ", qPrintable(firstError));
    return result;
}

// The program's ratio of line+turnaround over the best peer's: as both read
// the same registers in the same order, that is their transactions per
// second compared, without the small difference of mix over a run.
std::optional<double> AgainstBestPeer(const Result &program, const std::vector<PeerResult> &peers)
{
    double best = 0;
    for (const PeerResult &p : peers)
        best = std::max(best, p.Ok ? p.Ratio : 0.0);
    if (best <= 0)
        return std::nullopt;
    return program.TurnaroundLimitMs / (1000.0 / program.Tps) / best;
}

} // namespace

int main(int argc, char **argv)
{
    OffscreenWithoutDisplay();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    // The Python that sees Debian's pymodbus.
    const QString python = OptionValue(args, "--python", QStringLiteral("/usr/bin/python3"));
    const int seconds = OptionCount(args, "--seconds", 10);

    QStringList simArgs{QStringLiteral("--turnaround"), QString::number(TurnaroundMs), QStringLiteral("--chunk"),
                        QString::number(ChunkBytes)};
    for (const char *c : Controllers)
        simArgs << QStringLiteral("--controller") << QString::fromLatin1(c);
    BenchSim sim;
    if (!sim.Start(args, simArgs))
        return 1;
    const QString link = sim.Link();

    std::vector<Peer> rtuPeers{
        {QStringLiteral("pymodbus RTU"), python,
         {QStringLiteral(QMV_PYMODBUS_POLL), QStringLiteral("--framer"), QStringLiteral("rtu")}},
    };
#ifdef QMV_LIBMODBUS_POLL
    rtuPeers.insert(rtuPeers.begin(), {QStringLiteral("libmodbus RTU"), QStringLiteral(QMV_LIBMODBUS_POLL), {}});
#else
    std::printf("libmodbus_poll was not built (no libmodbus-dev): RTU is compared with pymodbus alone\n");
#endif
    const std::vector<Peer> asciiPeers{
        {QStringLiteral("pymodbus ASCII"), python,
         {QStringLiteral(QMV_PYMODBUS_POLL), QStringLiteral("--framer"), QStringLiteral("ascii")}},
    };
    const Run rtuRun{"RTU 38400 8N1, 1 slot", Rtu38400, {5}};
    const Run asciiRun{"ASCII 9600 7E1, 1 slot", Ascii9600, {1}};
    const Run fourRun{"ASCII 9600 7E1, 4 slots", Ascii9600, {1, 2, 3, 4}};
    const Run rtuFourRun{"RTU 38400 8N1, 4 slots", Rtu38400, {5, 6, 7, 8}};
    const Run windowRun{"RTU 38400 8N1, 4 slots, the monitor window showing", Rtu38400, {5, 6, 7, 8}, true};

    // How late a 1 ms timer is with nothing else in this process.
    {
        BlockProbe idle;
        idle.Start();
        Spin(seconds * 1000);
        idle.Stop();
        ReportLateness("idle event loop", idle.Summarise());
    }

    const std::optional<double> simRtu = SimulatorOverheadMs(link, Rtu38400, 5, 500);
    const std::optional<double> simAscii = SimulatorOverheadMs(link, Ascii9600, 1, 100);

    const Result rtu = Measure(rtuRun, seconds, false);
    std::vector<PeerResult> rtuPeerResults;
    if (rtu.Ok) {
        Report(rtuRun, rtu);
        for (const Peer &peer : rtuPeers)
            rtuPeerResults.push_back(RunPeer(peer, Rtu38400, link, 5, rtu.Reads, seconds));
    }
    const Result ascii = Measure(asciiRun, seconds, false);
    std::vector<PeerResult> asciiPeerResults;
    if (ascii.Ok) {
        Report(asciiRun, ascii);
        for (const Peer &peer : asciiPeers)
            asciiPeerResults.push_back(RunPeer(peer, Ascii9600, link, 1, ascii.Reads, seconds));
    }
    const Result four = Measure(fourRun, seconds, true);
    double refreshMs = 0;
    if (four.Ok) {
        Report(fourRun, four);
        refreshMs = ReportRefresh(four);
        ReportLateness("  user-interface thread while polling", four.Lateness);
        ReportLateness("  an idle thread meanwhile", four.IdleLateness);
    }
    const Result rtuFour = Measure(rtuFourRun, seconds, false);
    if (rtuFour.Ok)
        Report(rtuFourRun, rtuFour);
    const Result window = Measure(windowRun, seconds, true);
    if (window.Ok) {
        Report(windowRun, window);
        ReportLateness("  user-interface thread with the window painting", window.Lateness);
        ReportLateness("  an idle thread meanwhile", window.IdleLateness);
    }

    sim.Stop();
    // Its own count of how late its paced events ran.
    const QString simSummary = QString::fromLocal8Bit(sim.Process.readAllStandardOutput()).trimmed().section('\n', -1);
    std::printf("%s\n", qPrintable(simSummary));

    const auto peerTps = [](const std::vector<PeerResult> &results, size_t i) {
        return i < results.size() && results[i].Ok ? results[i].Tps : 0.0;
    };
    const std::optional<double> rtuBest = AgainstBestPeer(rtu, rtuPeerResults);
    const std::optional<double> asciiBest = AgainstBestPeer(ascii, asciiPeerResults);
    if (!simRtu || !simAscii || !rtu.Ok || !ascii.Ok || !four.Ok || !rtuFour.Ok || !window.Ok || !rtuBest
        || !asciiBest)
        return 1;

    std::printf("sim-overhead-ms-per-tx: %.3f\n", std::max(*simRtu, *simAscii));
    std::printf("monitor-rtu38400-1slot-ratio: %.3f\n", rtu.Ratio());
    std::printf("monitor-rtu38400-1slot-line-ratio: %.3f\n", rtu.LineRatio());
    std::printf("monitor-ascii9600-1slot-ratio: %.3f\n", ascii.Ratio());
    std::printf("monitor-ascii9600-1slot-line-ratio: %.3f\n", ascii.LineRatio());
    std::printf("monitor-rtu38400-4slot-ratio: %.3f\n", rtuFour.Ratio());
    std::printf("monitor-rtu38400-4slot-tps: %.1f\n", rtuFour.Tps);
    std::printf("monitor-4slot-pv-refresh-ms: %.0f\n", refreshMs);
    std::printf("monitor-ui-max-block-ms: %.2f\n", four.Lateness.MaxMs);
    std::printf("monitor-window-paint-extra-ms: %.2f\n", window.Lateness.MaxMs - window.IdleLateness.MaxMs);
    std::printf("peer-libmodbus-rtu38400-tps: %.1f\n", rtuPeers.size() > 1 ? peerTps(rtuPeerResults, 0) : 0.0);
    std::printf("peer-pymodbus-rtu38400-tps: %.1f\n", peerTps(rtuPeerResults, rtuPeers.size() - 1));
    std::printf("peer-pymodbus-ascii9600-tps: %.1f\n", peerTps(asciiPeerResults, 0));
    std::printf("peer-best-ratio-rtu38400: %.3f\n", *rtuBest);
    std::printf("peer-best-ratio-ascii9600: %.3f\n", *asciiBest);
    return 0;
}
