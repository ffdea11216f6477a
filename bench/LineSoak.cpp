// A long run of the monitor window on the program's own serial code over a
// pseudo-terminal served by qmvsim, as fast as the line allows: four slots
// polled and the selected controller's parameter block uploaded again and
// again, the window showing and painting as the program does. A healthy
// line must never be reported lost; this counts how often it was (and
// reconnects, so that one loss does not end the run).
//
// Load both cores meanwhile to make it count (other builds, or
// `for i in 1 2; do (while :; do :; done) & done`), and run it on a display
// (`xvfb-run -a line_soak`) to have the window system's events in play.
//
// usage: line_soak [--qmvsim PATH] [--seconds N] [--rtu]
// The last lines are `soak-seconds:`, `soak-transactions:`, `soak-uploads:`
// and `soak-line-losses:`.
#include "BenchSim.h"
#include "MessageBoxes.h"
#include "MessageTable.h"
#include "Paraset.h"
#include "Public.h"
#include "QtSerialLine.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QTimer>

#include <cstdio>


int main(int argc, char **argv)
{
    OffscreenWithoutDisplay();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = OptionCount(args, "--seconds", 300);
    const bool rtu = args.contains(QLatin1String("--rtu"));

    const QString format = rtu ? QStringLiteral(",baud=38400,data=8,parity=none,format=rtu") : QString();
    QStringList simArgs{QStringLiteral("--turnaround"), QStringLiteral("1")};
    const char *const models = "ABCB";
    for (int a = 1; a <= 4; ++a)
        simArgs << QStringLiteral("--controller")
                << QStringLiteral("address=%1,model=%2%3").arg(a).arg(QLatin1Char(models[a - 1])).arg(format);
    BenchSim sim;
    if (!sim.Start(args, simArgs))
        return 1;

    SessionState = TSessionState{};
    LinkSettings = rtu ? TLinkSettings{1, 38400, 8, 0, 1, true} : TLinkSettings{1, 9600, 7, 1, 1, false};
    QElapsedTimer clock;
    int losses = 0;
    int uploads = 0;
    // Boxes would stop the run: their texts are counted instead.
    SetMessageSink([&](const QString &text, const QString &) {
        if (text.contains(QLatin1String(" lost: "))) {
            ++losses;
            std::printf("line lost after %.1f s: %s\n", clock.elapsed() / 1000.0, qPrintable(text));
            std::fflush(stdout);
        } else if (text.endsWith(MessageTable::UploadSuccessful)) {
            ++uploads;
        }
    });
    TPMonitor window(nullptr, DefaultClock(), QtSerialLineFactory());
    window.show();
    for (int s = 0; s < SlotCount; ++s)
        window.findChild<QSpinBox *>(QStringLiteral("ComAddr%1").arg(s))->setValue(s + 1);
    QAction *upload = window.findChild<QAction *>(QStringLiteral("UPLOAD1"));

    // Every 200 ms: reconnect what was lost, and start the next upload when
    // none runs (one before the model is known is simply refused).
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        MonitorEngine &engine = window.Engine();
        for (int s = 0; s < SlotCount; ++s) {
            if (!engine.Slot(s).SlotConnected)
                window.RunBt0Click(s);
        }
        if (engine.SelectedSlot() != 1)
            window.Adr0LbClick(1);  // the model B: its upload needs no unlock
        if (!engine.TransferRunning())
            upload->trigger();
    });
    driver.start(200);
    clock.start();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();

    long long transactions = 0;
    for (int s = 0; s < SlotCount; ++s)
        transactions += window.Engine().Slot(s).ExecCount;
    SetMessageSink({});
    sim.Stop();
    std::printf("soak-seconds: %lld\n", static_cast<long long>(clock.elapsed() / 1000));
    std::printf("soak-transactions: %lld\n", transactions);
    std::printf("soak-uploads: %d\n", uploads);
    std::printf("soak-line-losses: %d\n", losses);
    return 0;
}
