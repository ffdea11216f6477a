// The ramp/soak program editor.
#pragma once

#include <QMainWindow>

class TRampSoak : public QMainWindow {
    Q_OBJECT
public:
    explicit TRampSoak(QWidget *parent = nullptr);
};

extern TRampSoak *RampSoak;
