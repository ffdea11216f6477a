// A peer at the far end of an in-process line that a test drives by hand:
// it records what the master wrote and delivers bytes when told to.
#pragma once

#include "InProcessLine.h"

#include <QByteArray>
#include <QList>

class FakePeer : public LinePeer {
public:
    void Receive(InProcessLine &line, const QByteArray &bytes) override
    {
        Line = &line;
        Written += bytes;
        SettingsAtWrite = line.Settings();
    }
    void Attached(InProcessLine &line) override
    {
        Line = &line;
        ++Opens;
    }
    void Detached(InProcessLine &line) override
    {
        if (Line == &line)
            Line = nullptr;
    }
    void Deliver(const QByteArray &bytes)
    {
        if (Line)
            Line->Deliver(bytes);
    }

    InProcessLine *Line = nullptr;
    QByteArray Written;
    LineSettings SettingsAtWrite;
    int Opens = 0;
};
