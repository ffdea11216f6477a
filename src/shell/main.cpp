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
#include <QDir>
#include <QScreen>
#include <QStandardPaths>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // The short name names the configuration folder and the window class,
    // and matches the desktop entry; people see the display name.
    QApplication::setApplicationName(QStringLiteral("qmvcomm"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velm controller communication utility"));
    QGuiApplication::setDesktopFileName(QStringLiteral("qmvcomm"));
    app.setProperty("helpFile", QStringLiteral("Velm temperature controller program"));

    WorkFolder::Set(WorkFolder::Choose(QDir::currentPath(),
                                       QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)));
    InstallMessageBoxErrorReport();
    TComPort::SetDefaultLineFactory(QtSerialLineFactory());
    TComPort::SetPortChooser(&SelectPortDialog::Choose);

    int status = 0;
    Guarded([&] {
        TMainForm mainForm;
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
