#include "ErrorReport.h"
#include "Mainprog.h"
#include "MessageBoxes.h"
#include "Paraset.h"
#include "Passenter.h"
#include "QtSerialLine.h"
#include "Ramp.h"
#include "SelectPortDialog.h"
#include "TComPort.h"
#include "WorkFolder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QScreen>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // The short name names the configuration folder and the window class,
    // and matches the desktop entry; people see the display name.
    QApplication::setApplicationName(QStringLiteral("qmvcomm"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velm controller communication utility"));
    QGuiApplication::setDesktopFileName(QStringLiteral("qmvcomm"));
    app.setProperty("helpFile", QStringLiteral("Velm temperature controller program"));

    // Qt's own options (-platform ...) are gone from the arguments by now.
    QCommandLineParser options;
    options.setApplicationDescription(QApplication::applicationDisplayName());
    options.addHelpOption();
    const QCommandLineOption trafficOption(QStringLiteral("traffic"),
                                           QStringLiteral("Append every frame on the line to <file>, from start-up on."),
                                           QStringLiteral("file"));
    options.addOption(trafficOption);
    options.process(app);
    if (!options.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "qmvcomm: unexpected argument '%s'; see qmvcomm --help\n",
                     qPrintable(options.positionalArguments().constFirst()));
        return 1;
    }
    // Named from the folder the program was started in, before the work
    // folder is chosen.
    const QString trafficFile =
        options.isSet(trafficOption) ? QDir::current().absoluteFilePath(options.value(trafficOption)) : QString();

    WorkFolder::Set(WorkFolder::Choose(QDir::currentPath(),
                                       QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)));
    InstallMessageBoxErrorReport();
    TComPort::SetDefaultLineFactory(QtSerialLineFactory());
    TComPort::SetPortChooser(&SelectPortDialog::Choose);

    int status = 0;
    Guarded([&] {
        TMainForm mainForm;
        QString fault;
        if (!trafficFile.isEmpty() && !mainForm.Traffic.AppendTo(trafficFile, &fault)) {
            std::fprintf(stderr, "qmvcomm: cannot write the traffic file %s: %s\n", qPrintable(trafficFile),
                         qPrintable(fault));
            status = 1;
            return;
        }
        TQMVPassword password(&mainForm);
        TRampSoak rampSoak(&mainForm);
        TPMonitor monitor(&mainForm);
        PMonitor = &monitor;
        QMVPassword = &password;
        RampSoak = &rampSoak;
        // Maximised; the geometry too, for desktops without a window manager.
        if (const QScreen *screen = mainForm.screen())
            mainForm.setGeometry(screen->availableGeometry());
        mainForm.showMaximized();
        mainForm.activateWindow();
        status = app.exec();
        PMonitor = nullptr;
        QMVPassword = nullptr;
        RampSoak = nullptr;
    });
    return status;
}
