// The monitor's engine on the program's own serial code and the real clock:
// its port opens COMn through the ports/ links of the current folder, as the
// program does, and the view notes what the engine reports to the window.
#pragma once

#include "MonitorEngine.h"
#include "Public.h"
#include "QtSerialLine.h"
#include "TComPort.h"

#include <QStringList>

#include <array>
#include <memory>

class RealLineMonitor : public MonitorView {
public:
    explicit RealLineMonitor(const TLinkSettings &settings)
    {
        SessionState = TSessionState{};
        LinkSettings = settings;
        Engine = std::make_unique<MonitorEngine>(Port, SessionState, *this);
    }
    ~RealLineMonitor() override
    {
        Engine.reset();
        SessionState = TSessionState{};
        LinkSettings = TLinkSettings{};
    }

    void Changed(unsigned) override {}
    void ShowLineFault(const QString &text) override { Faults << text; }
    void CloseWindow() override { Engine->FormClose(); }
    void ClearTrend(int) override {}
    void UploadFinished() override {}
    void TransferFailed(const QString &) override {}
    void AskPassword() override {}

    void Connect(int slot, int address)
    {
        Addresses[static_cast<size_t>(slot)] = address;
        Engine->RunBt0Click(slot, Addresses);
    }

    TComPort Port{DefaultClock(), QtSerialLineFactory()};
    std::unique_ptr<MonitorEngine> Engine;
    std::array<int, SlotCount> Addresses{1, 1, 1, 1};
    QStringList Faults;
};
