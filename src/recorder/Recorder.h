// The data recorder: samples the process values of up to ten controllers
// over the main window's recorder link.
#pragma once

#include "Links.h"

#include <QDialog>

class TPRecord : public QDialog {
    Q_OBJECT
public:
    explicit TPRecord(RecorderLink &link, QWidget *parent = nullptr);
    ~TPRecord() override;

private:
    RecorderLink &Link;
};

extern TPRecord *PRecord;
