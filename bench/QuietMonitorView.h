// A monitor view for benchmarks that run the engine without its window:
// it only keeps the last line fault.
#pragma once

#include "MonitorEngine.h"

class QuietView : public MonitorView {
public:
    void Changed(unsigned) override {}
    void ShowLineFault(const QString &text) override { Fault = text; }
    void CloseWindow() override {}
    void ClearTrend(int) override {}
    void UploadFinished() override {}
    void TransferFailed(const QString &) override {}
    void AskPassword() override {}
    QString Fault;
};
