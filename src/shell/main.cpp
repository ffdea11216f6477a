#include "Mainprog.h"
#include "MessageBoxes.h"
#include "Paraset.h"
#include "Passenter.h"
#include "QtSerialLine.h"
#include "Ramp.h"
#include "SelectPortDialog.h"
#include "TComPort.h"

#include <QApplication>

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
        mainForm.show();
        status = app.exec();
        PMonitor = nullptr;
        QMVPassword = nullptr;
        RampSoak = nullptr;
    });
    return status;
}
