// The monitor's request engine: four device slots on the one serial line,
// the cycle of poll steps that reads every connected controller's status
// and, for the selected controller, its parameter page; the precedence of
// the unlock write, a pending write and block transfers over polling; and
// the accounting of faults, up to dropping a slot that keeps failing.
//
// One request is outstanding at a time, sent through the port's reply
// exchange, and it carries what it was sent for: slot, station, model,
// step and the generation of the selection and job it belongs to. The
// user may cancel, select, re-address or start and end a transfer while it
// is on the line; its reply is judged against its own request, and a reply
// whose request no longer stands is taken off the line and dropped.
//
// The engine owns no widgets: it keeps the view-state of the slots, the
// large display, the parameter page, the menus and the message line, and
// tells the window which parts changed.
#pragma once

#include "MonitorJobs.h"
#include "MonitorSlot.h"
#include "ParameterImage.h"
#include "ParameterPage.h"
#include "RampTransfer.h"
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

// The model C security group as shown: the level item and the key items.
struct SecurityView {
    bool LevelEnabled = false;
    int LevelItem = 0;
    std::array<int, 3> KeyItems{};
};

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

// The jobs a window starts whose end it reports itself.
enum class FinishedTransfer {
    Download,  // the buffer written into the selected controller
    WriteAll,  // the buffer broadcast to every controller
    Password,  // a password (or "All Lock") written and the security read back
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
    // An upload into the parameter buffer is complete (not one the ramp/soak
    // editor asked for).
    virtual void UploadFinished() = 0;
    // An upload or download of the buffer could not finish (the slot was
    // dropped or changed, or the controller kept refusing).
    virtual void TransferFailed(const QString &caption) = 0;
    // A level or key change of model C needs its password: ask for it and
    // answer with PasswordEntered.
    virtual void AskPassword() = 0;
    // A job ended as it should: `count` registers written (downloads) to
    // `station` (0 for the broadcast). A password's job ends when the
    // controller's security has been read back after it.
    virtual void TransferFinished(FinishedTransfer /*job*/, int /*count*/, int /*station*/) {}
    // The write of a typed value or a list choice ended: echoed as it was
    // sent (the page is read again next), or given up (the echo differed,
    // the controller kept refusing, the selection went). Once per write.
    virtual void WriteFinished(bool /*confirmed*/) {}
};

class MonitorEngine : public RampTransferHost {
public:
    MonitorEngine(TComPort &port, TSessionState &session, MonitorView &view);
    ~MonitorEngine() override;
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

    // Block transfers on the selected controller, served before any poll
    // step. `caption` is the command's, shown beside the progress bar.
    enum class TransferStart { Started, NoController, WriteDisabled, Busy, UnknownModel, TargetChanged };
    TransferStart UPLOAD1Click(const QString &caption);
    // The controller the user was asked about before a download: the
    // download goes to it only while it is still the selected slot, at that
    // address, of that model.
    struct Confirmed {
        int Slot = NoSlot;
        int Address = 0;
        std::uint8_t Model = ModelNone;
    };
    // What to ask about for a download now (the selected slot as it is).
    Confirmed DownloadTarget() const;
    TransferStart DOWNLOAD1Click(bool broadcast, const QString &caption, const Confirmed &asked);
    bool StartRampRead(RampTransferClient &client) override;
    bool StartRampWrite(RampTransferClient &client) override;
    // The parameter buffer: filled by an upload or from a backup file.
    const ParameterImage &Buffer() const { return Image; }
    bool BufferValid() const { return ImageGood; }
    void LoadBuffer(const ParameterImage &image, bool valid);

    // Model C security: the level the user chose, a key list closed up or
    // opened, and the password typed (nothing when the dialog was cancelled).
    void SLevelClick(int item);
    void Pass1CloseUp(int key, int item);
    void Pass3DropDown();
    void PasswordEntered(std::optional<int> password);
    const SecurityView &Security() const { return SecurityState; }

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
    int ActiveSlotCount() const;
    bool AwaitingReply() const { return Exchange.Awaiting(); }
    bool Timer1Enabled() const { return SamplingOn; }
    bool TransferRunning() const;
    int ProgressPosition() const { return Progress; }
    bool ProgressShown() const { return ProgressVisible; }
    QString ProgressCaption() const { return ProgressLabel; }
    int MonitorStatus() const { return Status; }
    // Read-outs of the parameter page completed since the window opened.
    int PageReadCount() const { return PageReads; }

private:
    enum class RequestKind { Poll, Unlock, Write, BlockRead };
    // Whose request it is: the poll cycle's, the selected controller's
    // pending unlock or write (typed values, commands, the calibration
    // unlock), or the running job's.
    enum class RequestOwner { Cycle, Selection, Job };
    struct RequestContext {
        RequestKind Kind = RequestKind::Poll;
        RequestOwner Owner = RequestOwner::Cycle;
        int Slot = 0;  // counted and accounted
        int Station = 0;
        std::uint8_t Model = ModelNone;  // the slot's model the request was chosen for
        int Step = 0;
        int Count = 0;
        bool Broadcast = false;
        bool Password = false;             // a model C password: any answer ends it
        bool AfterFailure = false;         // sent once the line had been quiet
        std::uint64_t Generation = 0;      // of the selection and job
        std::uint64_t SlotGeneration = 0;  // of the slot's connection and address
        std::vector<std::uint8_t> Bytes;   // the request, for the echo
    };
    // What one transaction came to.
    enum class Outcome {
        Answer,          // data, an echo, a model A identification, a broadcast's deadline
        Timeout,
        Checksum,
        Format,
        Foreign,         // another station answered
        ReadRefused,     // exception to a read
        WriteRefused,    // exception to a write
        OtherException,
        EchoMismatch,
    };
    // The verdict the traffic log shows.
    static TrafficVerdict LineVerdict(Outcome what);
    struct Judged {
        Outcome What = Outcome::Timeout;
        int Status = 0;
        int ExceptionCode = 0;
        std::vector<int> Words;
        bool ModelA = false;
    };
    struct JobRequest {
        RequestKind Kind = RequestKind::Write;
        int Register = 0;
        int Value = 0;
        JobTarget Target;
    };
    enum class JobEnd { Done, Failed };

    // The cycle.
    void SendNext();
    void Send(RequestKind kind, RequestOwner owner, int slot, int station, int function, int reg, int value);
    bool IsCurrent(const RequestContext &request) const;
    void ReplaceStaleWaitingRequest();
    Judged Judge(const ReplyExchange::Reply &reply, const RequestContext &request) const;
    void Process(const RequestContext &request, const Judged &judged);
    void Answered(const RequestContext &request, const Judged &judged);
    void Failed(const RequestContext &request, const Judged &judged);
    void Advance();
    void SettleOnConnectedSlot();
    void AdvanceStatusSlot();
    void AtStep9();
    int DeadlineTicks(RequestKind kind, bool broadcast) const;

    // Slots and selection.
    void Connect(int s, const std::array<int, SlotCount> &addresses);
    void Drop(int s);
    void ShowConnection(int s);
    void SelectionLost();
    void Select(int s);
    int NextConnected(int after) const;
    void AfterLastSlot();
    void CopyAddresses(const std::array<int, SlotCount> &addresses);
    bool OpenLine();
    void CloseLine();
    void EndCycle(const QString &text);
    void SetLed(int s, LinkLed led);
    void SetMessage(const QString &text, bool red);
    void EndPendingWrite(bool confirmed);
    void Notify(unsigned aspects);
    bool SelectedUsable() const;
    bool WritableSelection();

    // Status display.
    void Consume(int step, int s, const std::vector<int> &words);
    void ShowPvSv(int s);
    void ShowOutputs(int s);
    void ShowLeds(int s);
    void ShowProgram(int s, const std::array<int, 5> &words);
    void ShowDiagnostics(int s);
    void BlankLargeDisplay();
    void RefreshPage();

    // Block transfers.
    TransferStart TransferAllowed() const;
    JobTarget SelectedTarget() const;
    void StartJob(MonitorJob job);
    void EndJob(JobEnd how);
    std::optional<JobRequest> NextJobRequest();
    void JobConfirmed(RequestKind kind);
    void JobData(int word);
    void DownloadComplete();
    void UploadComplete(const ParameterImage &image);
    void SetProgress(int position);
    void HideProgress();
    void ShowProgress(const QString &caption);

    // Security.
    void RefreshSecurity();
    void CheckLevelChange();
    bool SecurityHeld() const;
    void PasswordAnswered();

    TComPort &Port;
    TSessionState &Session;
    MonitorView &Viewer;
    ReplyExchange Exchange;
    TLinkSettings Link;  // copied when the port opens
    RequestContext Outstanding;

    std::array<MonitorSlot, SlotCount> Slots;
    std::array<SlotView, SlotCount> Views;
    LargeView LargeDisplay;
    ParameterPage Parameters;
    MonitorMenus MenuState;

    int Step = 0;
    int Polled = 0;
    int Selected = 0;
    std::uint64_t Generation = 0;
    bool RefreshRequested = true;
    int PageReads = 0;
    bool ReselectPending = false;
    int Status = 0;
    int ReadFaultCount = 0;
    int WriteFaultCount = 0;
    bool CloseAfterReply = false;
    bool QuietBeforeNext = false;  // the last transaction failed: let the line settle
    bool SamplingOn = false;
    bool TrendView = false;

    // The selected controller's pending write and the unlock before it.
    int WriteRegister = 0;
    int WriteValue = 0;
    bool WritePending = false;
    bool UnlockPending = false;
    bool UnlockDone = false;
    bool Calibration = false;
    bool CalibrationCode = false;

    // Block transfers.
    MonitorJob Job;
    ParameterImage Image;
    bool ImageGood = false;
    int Progress = 0;
    bool ProgressVisible = false;
    QString ProgressLabel;

    // Model C security.
    SecurityView SecurityState;
    bool KeyListOpen = false;  // the display stops following the controller
    bool PasswordReadBack = false;  // answered: the next security read tells the window

    QString MessageText;
    bool MessageIsRed = false;
    bool DebugShown = false;
    QString VoltageLabel;
    QString ColdLabel;
};
