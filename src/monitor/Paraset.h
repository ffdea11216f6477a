// The monitor window "Monitor": watches up to four controllers and edits
// the parameters of one. Created at start-up, shown by the MONITOR command
// and only hidden when it closes. The request engine decides everything;
// the window owns the widgets, hands the user's actions to the engine's
// handlers and renders the state the engine keeps.
#pragma once

#include "FileDialogs.h"
#include "MonitorEngine.h"
#include "TComPort.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>
#include <optional>

class DiagnosticsPanel;
class FrontPanel;
class ParameterPanel;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QTimer;
class SlotPanel;
class TrendBox;

class TPMonitor : public QMainWindow, private MonitorView {
    Q_OBJECT
public:
    // A window of its own that stays above `owner` (the main window). The
    // monitor talks through its own port; tests give it their clock and a
    // line to the simulated controllers.
    explicit TPMonitor(QWidget *owner = nullptr, EventClock &clock = DefaultClock(), LineFactory factory = LineFactory());
    ~TPMonitor() override;

    MonitorEngine &Engine() { return *Monitor; }
    TrendBox &Trend() { return *DrawIme; }
    // The factor by which the controls are scaled: LayoutWidth / 808.
    double ControlScale() const { return Scale; }
    // How files are chosen and questions answered (tests answer them).
    void SetFileDialogs(FileDialogs dialogs) { Dialogs = std::move(dialogs); }
    // The file of the last "SAVE AS", once there was one.
    std::optional<QString> BackupFile() const { return FileKnown ? std::optional<QString>(FileName) : std::nullopt; }

    // Window events.
    void FormShow();
    void FormClose();
    void Close2Click();
    void Timer1Timer();
    // Slots.
    void RunBt0Click(int slot);
    void ComAddr0Change(int slot);
    void Adr0LbClick(int slot);
    void ClrBt0Click(int slot);
    // The parameter page.
    void RangeHiKeyPress(Pc control, const QString &text);
    void CtrlSetCloseUp(Pc control, int item);
    void ClearBt1Click(bool restoreDefault);
    void PassEditKeyPress(const QString &text);
    void SLevelClick(int item);
    void Pass1CloseUp(int key, int item);
    void Pass3DropDown();
    // Menus.
    void OPEN1Click();
    void SAVE1Click();
    void SAVEAS1Click();
    void UPLOAD1Click();
    void DOWNLOAD1Click(bool broadcast);
    void RampSoakprogram1Click();
    void SETTING1Click();
    void RECORD1Click();

    TComPort ComPort1;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // MonitorView
    void Changed(unsigned aspects) override;
    void ShowLineFault(const QString &text) override;
    void CloseWindow() override;
    void ClearTrend(int slot) override;
    void UploadFinished() override;
    void TransferFailed(const QString &caption) override;
    void AskPassword() override;
    void TransferFinished(FinishedTransfer job, int count, int station) override;

    void BuildMenus();
    QWidget *BuildUpperHalf();
    void Render(unsigned aspects);
    void RenderSlots();
    void RenderPage();
    void RenderMenus();
    void RenderTransfer();
    void RenderDiagnostics();
    void SyncTimer();
    void CheckPasswordDialog();
    // Informs after the engine's call has returned: a message box never
    // runs its own event loop in the middle of the engine's work.
    void InformLater(const QString &text, const QString &caption = QString());
    void SaveBuffer(const QString &path);
    // Says why a transfer did not start (`address`: the one asked about).
    void ShowRefusal(MonitorEngine::TransferStart start, int address);
    // How the last action ended, in the status line.
    void ShowStatus(const QString &text);
    // A password or "All Lock" is about to be written to the selected
    // controller for the level and keys `wanted`: afterwards the window
    // tells whether the controller took them.
    void ExpectSecurity(const SecurityView &wanted, bool allLock);
    int SelectedStation() const;
    std::array<int, SlotCount> Addresses() const;
    bool SlotUsable(int slot) const;
    int TrendWord(int slot) const;

    QPointer<QWidget> Owner;
    double Scale = 1.0;
    std::unique_ptr<MonitorEngine> Monitor;
    FileDialogs Dialogs;
    QString FileName;
    bool FileKnown = false;
    bool Placed = false;
    int PasswordSlot = NoSlot;  // the slot the password dialog asks for
    int PasswordAsk = 0;        // which question the dialog answers
    struct SecurityWanted {
        int Slot = NoSlot;
        int Station = 0;
        SecurityView Wanted;
        bool AllLock = false;
    };
    std::optional<SecurityWanted> SecurityChange;
    QStringList PendingMessages;
    // Whether a slot's process value was read since its trend began: the
    // trend is not given the value of a controller not yet heard from.

    std::array<SlotPanel *, SlotCount> Slots{};
    FrontPanel *Front = nullptr;
    ParameterPanel *ParaPL = nullptr;
    TrendBox *DrawIme = nullptr;
    DiagnosticsPanel *DebugPL = nullptr;
    QProgressBar *ProgressBar = nullptr;
    QLabel *ProgressLb = nullptr;
    QTimer *Timer1 = nullptr;

    QMenu *FileMenu = nullptr;
    QMenu *ParametersMenu = nullptr;
    QMenu *ViewMenu = nullptr;
    QAction *OPEN1 = nullptr;
    QAction *SAVE1 = nullptr;
    QAction *SAVEAS1 = nullptr;
    std::array<QAction *, SlotCount> DeviceItems{};
    QAction *UPLOAD1 = nullptr;
    QAction *DOWNLOAD1 = nullptr;
    QAction *WRITEALL = nullptr;
    QAction *RampSoakprogram1 = nullptr;
    QAction *SETTING1 = nullptr;
    QAction *RECORD1 = nullptr;
};

extern TPMonitor *PMonitor;
