// The monitor's request engine: four device slots on the one serial line,
// the cycle of poll steps that reads every connected controller's status
// and, for the selected controller, its parameter page; the precedence of
// the unlock write, a pending write and block transfers over polling; and
// the accounting of time-outs and faults, up to dropping a silent slot.
//
// One request is outstanding at a time, sent through the port's reply
// exchange. The engine owns no widgets: it keeps the view-state of the
// slots, the large display, the parameter page, the menus and the message
// line, and tells the window which parts changed.
#pragma once

#include "MonitorSlot.h"
#include "ParameterPage.h"
#include "Public.h"
#include "ReplyExchange.h"
#include "StatusDisplay.h"
#include "TComPort.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// What the monitor window renders, by part.
namespace MonitorAspect {
enum : unsigned {
    Slots = 1u << 0,       // slot captions, LEDs, values, counters, selection
    Large = 1u << 1,       // the front-panel display
    Page = 1u << 2,        // the parameter page
    Menus = 1u << 3,
    Message = 1u << 4,     // ErrMessage
    Link = 1u << 5,        // the port opened or closed (Timer1)
    Transfer = 1u << 6,    // progress bar and label
    Security = 1u << 7,    // the security group
    Diagnostics = 1u << 8, // voltage and cold junction
    All = 0xFFFFu,
};
}

struct MonitorMenus {
    bool FileMenu = false;
    bool ParametersMenu = false;
    bool ViewMenu = false;
    bool Save = false;
    bool SaveAs = false;
    bool Upload = false;
    bool WriteSelected = false;
    bool WriteAll = false;
    bool RampSoak = false;
    bool SettingChecked = false;
    bool PvRecordChecked = false;
};

class MonitorView {
public:
    virtual ~MonitorView() = default;
    // Render these parts (MonitorAspect bits) from the engine's state.
    virtual void Changed(unsigned aspects) = 0;
    // The serial service failed (port missing, device lost, write refused):
    // every slot is released; show the text once.
    virtual void ShowLineFault(const QString &text) = 0;
    // The outstanding transaction ended after "EXIT": close the window now.
    virtual void CloseWindow() = 0;
    // The trend samples of a slot (or of all, -1) start again.
    virtual void ClearTrend(int slot) = 0;
};

class MonitorEngine {
public:
    MonitorEngine(TComPort &port, TSessionState &session, MonitorView &view);
    ~MonitorEngine();
    MonitorEngine(const MonitorEngine &) = delete;
    MonitorEngine &operator=(const MonitorEngine &) = delete;

    // Window events.
    void FormShow();
    void FormClose();
    // "EXIT" -> "OK": closes now, or once the outstanding reply or deadline came.
    void Close2Click();

    // Slots: `addresses` are the four spin edits' values.
    void RunBt0Click(int slot, const std::array<int, SlotCount> &addresses);
    void ComAddr0Change(int slot, const std::array<int, SlotCount> &addresses);
    void Adr0LbClick(int slot);
    void ClrBt0Click(int slot);

    // The parameter page: Enter in an edit field, a list closed up, and the
    // two commands after the user confirmed them.
    void RangeHiKeyPress(Pc control, const QString &text);
    void CtrlSetCloseUp(Pc control, int item);
    void ClearBt1Click(bool restoreDefault);

    // Hidden access codes typed behind "Firmware Version".
    enum class AccessCode { Calibration, DiagnosticsOn, DiagnosticsOff, Other };
    void PassEditEntered(AccessCode code);

    // The trend view replaces the page (the window owns the trend itself).
    void SetTrendViewActive(bool active);
    bool TrendViewActive() const { return TrendView; }

    // The port's events (the monitor's ComPort1Trigger).
    void ComPort1Trigger(std::uint16_t message, std::uint16_t argument);

    // State for the window and for tests.
    const MonitorSlot &Slot(int s) const { return Slots[static_cast<size_t>(s)]; }
    const SlotView &View(int s) const { return Views[static_cast<size_t>(s)]; }
    const LargeView &Large() const { return LargeDisplay; }
    const ParameterPage &Page() const { return Parameters; }
    const MonitorMenus &Menus() const { return MenuState; }
    const QString &Message() const { return MessageText; }
    bool MessageRed() const { return MessageIsRed; }
    bool DiagnosticsShown() const { return DebugShown; }
    QString VoltageText() const { return VoltageLabel; }
    QString ColdJunctionText() const { return ColdLabel; }
    int SelectedSlot() const { return Selected; }
    int PolledSlot() const { return Polled; }
    int PollStep() const { return Step; }
    int ActiveSlotCount() const { return Active; }
    bool AwaitingReply() const { return Exchange.Awaiting(); }
    bool ClosePending() const { return CloseAfterReply; }
    bool Timer1Enabled() const { return SamplingOn; }
    bool CalibrationMode() const { return Calibration; }
    bool TransferRunning() const;
    int ProgressPosition() const { return Progress; }
    bool ProgressShown() const { return ProgressVisible; }
    QString ProgressCaption() const { return ProgressLabel; }
    int MonitorStatus() const { return Status; }

private:
    enum class RequestKind { Poll, Unlock, Write, ParameterBlock, RampBlock };
    struct Outstanding {
        RequestKind Kind = RequestKind::Poll;
        int Step = 0;
        int Slot = 0;  // counted and accounted
        int Station = 0;
        int Function = 0;
        int Count = 0;
        bool Broadcast = false;
        bool Password = false;
        std::vector<std::uint8_t> Request;  // as bytes, for the echo
    };

    // The cycle.
    void SendNext();
    void Send(RequestKind kind, int slot, int station, int function, int reg, int value);
    void Process(const ReplyExchange::Reply &reply);
    void ProcessData(const std::vector<int> &words);
    void ProcessWrite(const std::vector<std::uint8_t> &bytes, int function, int exceptionCode);
    void Account(int status, int function = 0, int exceptionCode = 0, bool foreign = false);
    void Advance();
    void AdvanceStatusSlot();
    void AtStep9();
    int DeadlineTicks(bool broadcast) const;

    // Slots and selection.
    void Connect(int s, const std::array<int, SlotCount> &addresses);
    void Disconnect(int s);
    void ShowConnection(int s);
    void HandSelectionOn(int s);
    void SelectionSet(int s);
    void ClearWriteFlags();
    void AfterLastSlot();
    void Drop(int s);
    void CopyAddresses(const std::array<int, SlotCount> &addresses);
    bool OpenLine();
    void CloseLine();
    void EndCycle(const QString &text);
    void SetLed(int s, LinkLed led);
    void SetMessage(const QString &text, bool red);
    void Notify(unsigned aspects);

    // Status display.
    void Consume(int step, int s, const std::vector<int> &words);
    void ShowPvSv(int s);
    void ShowOutputs(int s);
    void ShowLeds(int s);
    void ShowProgram(int s, const std::array<int, 5> &words);
    void ShowDiagnostics(int s);
    void BlankLargeDisplay();
    void RefreshPage();

    // Block transfers: served before any poll step.
    void PrepareTransferWrite();
    void StoreParameterPair(int word);
    void StoreRampPair(int word);
    void AdvanceTransferWrite();
    void EndTransfers();

    TComPort &Port;
    TSessionState &Session;
    MonitorView &Viewer;
    ReplyExchange Exchange;
    TLinkSettings Link;  // copied when the port opens
    Outstanding Current;

    std::array<MonitorSlot, SlotCount> Slots;
    std::array<SlotView, SlotCount> Views;
    LargeView LargeDisplay;
    ParameterPage Parameters;
    MonitorMenus MenuState;

    int Active = 0;
    int Step = 0;
    int Polled = 0;
    int Selected = 0;
    bool RefreshRequested = true;
    bool ReselectPending = false;
    int Status = 0;
    int TimeoutCount = 0;
    int ReadFaultCount = 0;
    int WriteFaultCount = 0;
    bool CloseAfterReply = false;
    bool SamplingOn = false;
    bool TrendView = false;

    int WriteRegister = 0;
    int WriteValue = 0;
    bool WritePending = false;
    bool UnlockPending = false;
    bool UnlockDone = false;
    bool Calibration = false;
    bool CalibrationCode = false;

    // Block transfers.
    bool UploadStarted = false;
    bool UploadRunning = false;
    bool RampReadRunning = false;
    bool Downloading = false;
    bool Broadcasting = false;
    bool RampWriting = false;
    bool PasswordWrite = false;
    int Progress = 0;
    bool ProgressVisible = false;
    QString ProgressLabel;

    QString MessageText;
    bool MessageIsRed = false;
    bool DebugShown = false;
    QString VoltageLabel;
    QString ColdLabel;
};
