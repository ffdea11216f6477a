// The monitor window: watches up to four controllers and edits the
// parameters of one. Created at start-up, shown by the MONITOR command.
#pragma once

#include <QMainWindow>

class TPMonitor : public QMainWindow {
    Q_OBJECT
public:
    explicit TPMonitor(QWidget *parent = nullptr);
};

extern TPMonitor *PMonitor;
