#include "Recorder.h"

TPRecord *PRecord = nullptr;

TPRecord::TPRecord(RecorderLink &link, QWidget *parent) : QDialog(parent), Link(link)
{
    setObjectName(QStringLiteral("PRecord"));
    setWindowTitle(QStringLiteral("Recorder Program"));
    setWindowState(Qt::WindowMaximized);
    PRecord = this;
}

TPRecord::~TPRecord()
{
    // The line is always released before the window goes.
    Link.Handler = nullptr;
    PRecord = nullptr;
}
