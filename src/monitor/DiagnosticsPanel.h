// The diagnostics panel `DebugPL`, opened with a hidden code: per slot the
// requests sent (`ExecCnt0`-`ExecCnt3`) and the failed transactions
// (`ErrCnt0`-`ErrCnt3`) with a clear button each (`ClrBt0`-`ClrBt3`), the
// input voltage `UV` and the cold junction `ColdShow` of the selected
// controller, and the last fault in `ErrMessage`.
#pragma once

#include "MonitorSlot.h"

#include <QFrame>

#include <array>

class QLabel;
class QPushButton;

class DiagnosticsPanel : public QFrame {
    Q_OBJECT
public:
    DiagnosticsPanel(double scale, QWidget *parent = nullptr);

    void RenderCounters(int slot, std::int32_t requests, std::int32_t errors);
    void RenderReadings(const QString &voltage, const QString &coldJunction);
    void RenderMessage(const QString &text, bool red);
    // `ErrMessage` belongs to the window and is shown with the panel.
    QLabel *ErrMessage = nullptr;

signals:
    void ClearClicked(int slot);

private:
    std::array<QLabel *, SlotCount> ExecCnt{};
    std::array<QLabel *, SlotCount> ErrCnt{};
    QLabel *UV = nullptr;
    QLabel *ColdShow = nullptr;
};
