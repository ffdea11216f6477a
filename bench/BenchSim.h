// What the benchmarks over the real serial code start from: windows drawn
// off screen when there is no display, their "--name value" options, and
// qmvsim serving a pseudo-terminal linked as ports/COM1 in a temporary
// folder, which is the current folder from then on.
#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

#ifndef QMV_QMVSIM_PATH
#define QMV_QMVSIM_PATH "qmvsim"
#endif

// Before the application is made: without a display the windows are drawn
// off screen (under xvfb-run they paint on its X server).
inline void OffscreenWithoutDisplay()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// The value after `name` among the arguments, or `fallback`.
inline QString OptionValue(const QStringList &args, const char *name, const QString &fallback)
{
    const qsizetype i = args.indexOf(QLatin1String(name));
    return i > 0 && i + 1 < args.size() ? args[i + 1] : fallback;
}

// A count after `name` (at least 1), or `fallback`.
inline int OptionCount(const QStringList &args, const char *name, int fallback)
{
    const QString value = OptionValue(args, name, QString());
    return value.isEmpty() ? fallback : std::max(1, value.toInt());
}

class BenchSim {
public:
    BenchSim()
    {
        Ready = Folder.isValid() && QDir(Folder.path()).mkdir(QStringLiteral("ports"))
                && QDir::setCurrent(Folder.path());
        Process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~BenchSim() { Stop(); }
    BenchSim(const BenchSim &) = delete;
    BenchSim &operator=(const BenchSim &) = delete;

    // Starts the simulator of the "--qmvsim" option (or the one built beside
    // the benchmark) with --link and `arguments`; false, with the reason on
    // the error output, when it does not run or makes no link.
    bool Start(const QStringList &args, const QStringList &arguments)
    {
        const QString program = OptionValue(args, "--qmvsim", QStringLiteral(QMV_QMVSIM_PATH));
        if (!Ready) {
            std::fprintf(stderr, "no temporary folder for the simulator's link\n");
            return false;
        }
        Process.start(program, QStringList{QStringLiteral("--link"), Link()} + arguments);
        if (!Process.waitForStarted(5000)) {
            std::fprintf(stderr, "cannot start %s\n", qPrintable(program));
            return false;
        }
        QElapsedTimer wait;
        wait.start();
        while (!QFileInfo::exists(Link()) && wait.elapsed() < 5000)
            QThread::msleep(10);
        if (!QFileInfo::exists(Link())) {
            std::fprintf(stderr, "%s made no link at %s\n", qPrintable(program), qPrintable(Link()));
            return false;
        }
        return true;
    }
    void Stop()
    {
        if (Process.state() == QProcess::NotRunning)
            return;
        Process.terminate();
        Process.waitForFinished(3000);
    }
    QString Link() const { return Folder.filePath(QStringLiteral("ports/COM1")); }

    QProcess Process;

private:
    QTemporaryDir Folder;
    bool Ready = false;
};
