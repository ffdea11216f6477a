// What the traffic log and its window cost the program, over a real
// pseudo-terminal served by qmvsim:
// - the monitor's engine polling one RTU 38400 controller as fast as the
//   line allows, in rounds that take turns: no traffic log at all; the log
//   recording with its window closed (as the program runs); the log
//   recording with its window open and following every row. The figure is
//   the transactions per second with the window open over those with it
//   closed.
// - the user-interface thread's longest block (the worst lateness of a 1 ms
//   timer, with an idle thread's beside it for what the machine costs)
//   while 1000 rows a second arrive at a log that is full, so that older
//   rows leave as new ones come, that appends each row to a traffic file,
//   and whose window is open and follows.
//
// usage: traffic_bench [--qmvsim PATH] [--seconds N] [--rounds N]
// Without a display the window paints on Qt's offscreen platform; run it
// under xvfb-run for a real X server. The last lines are the figures named
// in them.
#include "BenchSim.h"
#include "FrameCodec.h"
#include "MonitorEngine.h"
#include "Public.h"
#include "QtSerialLine.h"
#include "QuietMonitorView.h"
#include "ReplyExchange.h"
#include "TComPort.h"
#include "TrafficLog.h"
#include "TrafficWindow.h"
#include "UiProbe.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <array>
#include <cstdio>


namespace {

constexpr int Station = 5;
const char *const Controller = "address=5,model=A,baud=38400,data=8,parity=none,format=rtu";
const TLinkSettings Rtu38400{1, 38400, 8, 0, 1, true};

struct Configuration {
    const char *Name;
    bool Log;
    bool Window;
    double TpsSum = 0;
    int Rounds = 0;
    double Tps() const { return Rounds ? TpsSum / Rounds : 0; }
};

// A row as the monitor makes them: a read of eight registers in ASCII and
// its reply, one in fifty timed out.
TrafficRow SampleRow(qint64 n)
{
    TrafficRow row;
    row.TimeMs = QDateTime::currentMSecsSinceEpoch();
    row.Station = Station;
    row.Tx = n % 2 == 0;
    if (row.Tx) {
        row.Bytes = FrameCodec::BuildRequest(Station, FrameCodec::FunctionRead, 0x4718, 8, false).ToByteArray();
    } else if (n % 100 == 1) {
        row.Verdict = TrafficVerdict::Timeout;
        row.ElapsedMs = 990;
    } else {
        row.Bytes = ":0503100064012C00011100005800300640000077\r\n";
        row.Verdict = TrafficVerdict::Ok;
        row.ElapsedMs = 45;
    }
    return row;
}

} // namespace

int main(int argc, char **argv)
{
    OffscreenWithoutDisplay();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = OptionCount(args, "--seconds", 10);
    const int rounds = OptionCount(args, "--rounds", 3);

    BenchSim sim;
    if (!sim.Start(args, {QStringLiteral("--turnaround"), QStringLiteral("5"), QStringLiteral("--chunk"),
                          QStringLiteral("16"), QStringLiteral("--controller"), QString::fromLatin1(Controller)}))
        return 1;

    // The monitor polling, with or without the log and its window.
    SessionState = TSessionState{};
    LinkSettings = Rtu38400;
    TrafficLog log;
    TTrafficWindow window(log);
    TComPort port(DefaultClock(), QtSerialLineFactory());
    QuietView view;
    MonitorEngine engine(port, SessionState, view);
    std::array<int, SlotCount> addresses{Station, 1, 1, 1};
    engine.RunBt0Click(0, addresses);
    if (!SpinUntil([&] { return engine.Page().Shown || !view.Fault.isEmpty(); }, 60'000) || !view.Fault.isEmpty()) {
        std::fprintf(stderr, "the monitor did not get going: %s %s\n", qPrintable(view.Fault),
                     qPrintable(engine.Message()));
        return 1;
    }
    std::array<Configuration, 3> configurations{{
        {"no traffic log", false, false},
        {"traffic log, window closed", true, false},
        {"traffic log, window open and following", true, true},
    }};
    const int faultsBefore = engine.Slot(0).ErrorCount;
    for (int round = 1; round <= rounds; ++round) {
        for (Configuration &c : configurations) {
            ReplyExchange::SetTrafficSink(c.Log ? &log : nullptr);
            window.setVisible(c.Window);
            Spin(300);
            const int before = engine.Slot(0).ExecCount;
            const double start = NowMs();
            Spin(seconds * 1000);
            const double tps = (engine.Slot(0).ExecCount - before) * 1000.0 / (NowMs() - start);
            c.TpsSum += tps;
            ++c.Rounds;
            std::printf("round %d, %s: %.1f transactions/s\n", round, c.Name, tps);
        }
    }
    window.hide();
    ReplyExchange::SetTrafficSink(nullptr);
    const int faults = engine.Slot(0).ErrorCount - faultsBefore;
    for (const Configuration &c : configurations)
        std::printf("%s: %.1f transactions/s on average\n", c.Name, c.Tps());
    std::printf("%d faults on the line meanwhile; the log kept %d rows, %lld dropped\n", faults, log.Count(),
                static_cast<long long>(log.Dropped()));
    engine.RunBt0Click(0, addresses);
    SpinUntil([] { return SessionState.ActiveModule == ModuleNone; }, 10'000);

    // 1000 rows a second into a full log with its file and its window.
    TrafficLog full;
    for (qint64 n = 0; n < full.Capacity(); ++n)
        full.Record(SampleRow(n));
    const QString file = QDir::current().filePath(QStringLiteral("traffic.txt"));
    QString fault;
    if (!full.AppendTo(file, &fault)) {
        std::fprintf(stderr, "cannot append to %s: %s\n", qPrintable(file), qPrintable(fault));
        return 1;
    }
    TTrafficWindow fullWindow(full);
    fullWindow.show();
    Spin(500);
    const qint64 first = full.Capacity();
    BlockProbe probe;
    IdleThreadProbe idle;
    QTimer arrivals;
    arrivals.setTimerType(Qt::PreciseTimer);
    const double start = NowMs();
    qint64 recorded = 0;
    QObject::connect(&arrivals, &QTimer::timeout, [&] {
        for (const qint64 due = static_cast<qint64>(NowMs() - start); recorded < due; ++recorded)
            full.Record(SampleRow(first + recorded));
    });
    arrivals.start(5);
    probe.Start();
    Spin(seconds * 2 * 1000);
    probe.Stop();
    arrivals.stop();
    const BlockProbe::Summary idleLateness = idle.Stop();
    const double elapsed = (NowMs() - start) / 1000.0;
    std::printf("%lld rows in %.1f s (%.0f a second) into a full log of %d rows (%lld dropped), each appended to a"
                " file of %lld bytes%s, the window following\n",
                static_cast<long long>(recorded), elapsed, recorded / elapsed, full.Count(),
                static_cast<long long>(full.Dropped()), static_cast<long long>(QFileInfo(file).size()),
                full.AppendFault().isEmpty() ? "" : qPrintable(QStringLiteral(" (stopped: %1)").arg(full.AppendFault())));
    const BlockProbe::Summary lateness = probe.Summarise();
    ReportLateness("  user-interface thread", lateness);
    ReportLateness("  an idle thread meanwhile", idleLateness);

    sim.Stop();
    const double closed = configurations[1].Tps();
    if (closed <= 0 || configurations[2].Tps() <= 0 || recorded == 0)
        return 1;
    std::printf("traffic-open-tps-ratio: %.3f\n", configurations[2].Tps() / closed);
    std::printf("traffic-ui-max-block-ms: %.2f\n", lateness.MaxMs);
    return 0;
}
