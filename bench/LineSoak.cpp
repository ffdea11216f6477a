// A long run of the monitor on the program's own serial code over a
// pseudo-terminal served by qmvsim, as fast as the line allows: four slots
// polled and the selected controller's parameter block uploaded again and
// again. A healthy line must never be reported lost; this counts how often
// it was (and reconnects, so that one loss does not end the run).
//
// Load both cores meanwhile to make it count (other builds, or
// `for i in 1 2; do (while :; do :; done) & done`).
//
// usage: line_soak [--qmvsim PATH] [--seconds N] [--rtu]
// The last lines are `soak-seconds:`, `soak-transactions:`, `soak-uploads:`
// and `soak-line-losses:`.
#include "EventClock.h"
#include "MonitorEngine.h"
#include "Public.h"
#include "QtSerialLine.h"
#include "TComPort.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <array>
#include <cstdio>
#include <memory>

#ifndef QMV_QMVSIM_PATH
#define QMV_QMVSIM_PATH "qmvsim"
#endif

namespace {

class SoakView : public MonitorView {
public:
    void Changed(unsigned) override {}
    void ShowLineFault(const QString &text) override
    {
        ++Losses;
        std::printf("line lost after %.1f s: %s\n", Clock.elapsed() / 1000.0, qPrintable(text));
        std::fflush(stdout);
    }
    void CloseWindow() override {}
    void ClearTrend(int) override {}
    void UploadFinished() override { ++Uploads; }
    void TransferFailed(const QString &) override {}
    void AskPassword() override {}

    QElapsedTimer Clock;
    int Losses = 0;
    int Uploads = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString simulator = QStringLiteral(QMV_QMVSIM_PATH);
    int seconds = 300;
    bool rtu = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--qmvsim") && i + 1 < args.size())
            simulator = args[++i];
        else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            seconds = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--rtu"))
            rtu = true;
    }

    QTemporaryDir folder;
    if (!folder.isValid() || !QDir(folder.path()).mkdir(QStringLiteral("ports")))
        return 1;
    QDir::setCurrent(folder.path());
    const QString link = folder.filePath(QStringLiteral("ports/COM1"));
    const QString format = rtu ? QStringLiteral(",baud=38400,data=8,parity=none,format=rtu") : QString();
    QStringList simArgs{QStringLiteral("--link"), link, QStringLiteral("--turnaround"), QStringLiteral("1")};
    const char *const models = "ABCB";
    for (int a = 1; a <= 4; ++a)
        simArgs << QStringLiteral("--controller")
                << QStringLiteral("address=%1,model=%2%3").arg(a).arg(QLatin1Char(models[a - 1])).arg(format);
    QProcess sim;
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    sim.start(simulator, simArgs);
    if (!sim.waitForStarted(5000))
        return 1;
    QElapsedTimer wait;
    wait.start();
    while (!QFileInfo::exists(link) && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    SessionState = TSessionState{};
    LinkSettings = rtu ? TLinkSettings{1, 38400, 8, 0, 1, true} : TLinkSettings{1, 9600, 7, 1, 1, false};
    SoakView view;
    TComPort port(DefaultClock(), QtSerialLineFactory());
    MonitorEngine engine(port, SessionState, view);
    const std::array<int, SlotCount> addresses{1, 2, 3, 4};
    const auto connectAll = [&] {
        for (int s = 0; s < SlotCount; ++s) {
            if (!engine.Slot(s).SlotConnected)
                engine.RunBt0Click(s, addresses);
        }
    };
    connectAll();

    // Every 200 ms: reconnect what was lost, and start the next upload when
    // none runs (one before the model is known is simply refused).
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        connectAll();
        if (engine.SelectedSlot() != 1)
            engine.Adr0LbClick(1);  // the model B: its upload needs no unlock
        if (!engine.TransferRunning())
            engine.UPLOAD1Click(QStringLiteral("UPLOAD"));
    });
    driver.start(200);
    view.Clock.start();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();

    long long transactions = 0;
    for (int s = 0; s < SlotCount; ++s)
        transactions += engine.Slot(s).ExecCount;
    sim.terminate();
    sim.waitForFinished(3000);
    std::printf("soak-seconds: %lld\n", static_cast<long long>(view.Clock.elapsed() / 1000));
    std::printf("soak-transactions: %lld\n", transactions);
    std::printf("soak-uploads: %d\n", view.Uploads);
    std::printf("soak-line-losses: %d\n", view.Losses);
    return 0;
}
