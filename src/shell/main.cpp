#include "ErrorReport.h"
#include "Mainprog.h"
#include "MessageBoxes.h"
#include "Paraset.h"
#include "Passenter.h"
#include "QtSerialLine.h"
#include "Ramp.h"
#include "SelectPortDialog.h"
#include "TComPort.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velm controller communication utility"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velm controller communication utility"));
    app.setProperty("helpFile", QStringLiteral("Velm temperature controller program"));

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
