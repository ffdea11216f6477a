#include "Paraset.h"

TPMonitor *PMonitor = nullptr;

TPMonitor::TPMonitor(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("PMonitor"));
    setWindowTitle(QStringLiteral("Monitor"));
    resize(808, 560);
}
