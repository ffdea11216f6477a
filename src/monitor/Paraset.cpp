#include "Paraset.h"

#include "DiagnosticsPanel.h"
#include "ErrorReport.h"
#include "FrontPanel.h"
#include "MessageBoxes.h"
#include "MessageTable.h"
#include "MonitorWidgets.h"
#include "ParameterPanel.h"
#include "ParameterFile.h"
#include "Passenter.h"
#include "Public.h"
#include "Ramp.h"
#include "Security.h"
#include "SlotPanel.h"
#include "TrendBox.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QActionGroup>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <utility>

TPMonitor *PMonitor = nullptr;

namespace {

constexpr int DesignWidth = 808;
constexpr int TimerIntervalMs = 1000;

// The window's width when it is made: the design width on a screen of
// 1280 x 900 or less, larger on larger screens.
int InitialLayoutWidth()
{
    double scale = 1.0;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        scale = std::min(area.width() / 1280.0, area.height() / 900.0);
    }
    return ScaledPx(DesignWidth, std::clamp(scale, 1.0, 2.0));
}

FileChoice ParameterFileChoice()
{
    return {MessageTable::ParameterFileFilter, QStringLiteral("par")};
}

} // namespace

TPMonitor::TPMonitor(QWidget *owner, EventClock &clock, LineFactory factory)
    : QMainWindow(nullptr), ComPort1(clock, std::move(factory)), Owner(owner)
{
    setObjectName(QStringLiteral("PMonitor"));
    setWindowTitle(QStringLiteral("Monitor"));
    // Closing the monitor never ends the program; the main window does.
    setAttribute(Qt::WA_QuitOnClose, false);
    LayoutWidth = InitialLayoutWidth();
    Scale = static_cast<double>(LayoutWidth) / DesignWidth;
    QFont base = font();
    base.setPointSizeF(8 * Scale);
    setFont(base);

    Dialogs = SharedFileDialogs(this);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("MonitorClient"));
    auto *layout = new QVBoxLayout(central);
    const int margin = ScaledPx(3, Scale);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(ScaledPx(4, Scale));
    layout->addWidget(BuildUpperHalf());

    // The parameter page and the trend share the lower half.
    auto *lower = new QWidget(central);
    lower->setObjectName(QStringLiteral("LowerHalf"));
    auto *lowerLayout = new QGridLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    ParaPL = new ParameterPanel(Scale, lower);
    DrawIme = new TrendBox(LayoutWidth, lower);
    for (QWidget *w : {static_cast<QWidget *>(ParaPL), static_cast<QWidget *>(DrawIme)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
        w->hide();
    }
    lowerLayout->addWidget(ParaPL, 0, 0);
    lowerLayout->addWidget(DrawIme, 0, 0, Qt::AlignHCenter | Qt::AlignTop);
    layout->addWidget(lower, 1);

    DebugPL = new DiagnosticsPanel(Scale, central);
    DebugPL->hide();
    layout->addWidget(DebugPL);
    setCentralWidget(central);
    BuildMenus();
    statusBar()->setObjectName(QStringLiteral("StatusLine"));
    statusBar()->setSizeGripEnabled(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(TimerIntervalMs);
    connect(Timer1, &QTimer::timeout, this, GuardedSlot([this] { Timer1Timer(); }));

    connect(ParaPL, &ParameterPanel::EditEntered, this,
            [this](Pc id, const QString &text) { Guarded([&] { RangeHiKeyPress(id, text); }); });
    connect(ParaPL, &ParameterPanel::ListClosedUp, this,
            [this](Pc id, int item) { Guarded([&] { CtrlSetCloseUp(id, item); }); });
    connect(ParaPL, &ParameterPanel::CommandClicked, this,
            [this](bool restore) { Guarded([&] { ClearBt1Click(restore); }); });
    connect(ParaPL, &ParameterPanel::HiddenCodeEntered, this,
            [this](const QString &text) { Guarded([&] { PassEditKeyPress(text); }); });
    connect(ParaPL, &ParameterPanel::LevelClicked, this, [this](int item) { Guarded([&] { SLevelClick(item); }); });
    connect(ParaPL, &ParameterPanel::KeyDropDown, this, GuardedSlot([this] { Pass3DropDown(); }));
    connect(ParaPL, &ParameterPanel::KeyClosedUp, this,
            [this](int key, int item) { Guarded([&] { Pass1CloseUp(key, item); }); });
    connect(DebugPL, &DiagnosticsPanel::ClearClicked, this, [this](int s) { Guarded([&] { ClrBt0Click(s); }); });

    MonitorView &view = *this;
    Monitor = std::make_unique<MonitorEngine>(ComPort1, SessionState, view);
    Render(MonitorAspect::All);
    resize(LayoutWidth, sizeHint().height());
}

TPMonitor::~TPMonitor()
{
    if (RampSoak)
        RampSoak->SetTransferHost(nullptr);
    if (QMVPassword && PasswordSlot != NoSlot) {
        PasswordSlot = NoSlot;
        QMVPassword->Dismiss();
    }
    Monitor.reset();
    if (PMonitor == this)
        PMonitor = nullptr;
}

QWidget *TPMonitor::BuildUpperHalf()
{
    auto *upper = new QWidget(this);
    upper->setObjectName(QStringLiteral("UpperHalf"));
    auto *layout = new QHBoxLayout(upper);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(ScaledPx(6, Scale));

    auto *left = new QVBoxLayout;
    left->setSpacing(ScaledPx(3, Scale));
    Front = new FrontPanel(Scale, upper);
    left->addWidget(Front);
    left->addStretch(1);
    layout->addLayout(left);

    auto *slotColumn = new QVBoxLayout;
    slotColumn->setSpacing(ScaledPx(3, Scale));
    for (int s = 0; s < SlotCount; ++s) {
        auto *panel = new SlotPanel(s, Scale, upper);
        Slots[static_cast<size_t>(s)] = panel;
        slotColumn->addWidget(panel);
        connect(panel, &SlotPanel::RunClicked, this, [this, s] { Guarded([&] { RunBt0Click(s); }); });
        connect(panel, &SlotPanel::AddressChanged, this, [this, s] { Guarded([&] { ComAddr0Change(s); }); });
        connect(panel, &SlotPanel::AddressPanelClicked, this, [this, s] { Guarded([&] { Adr0LbClick(s); }); });
    }
    // The progress of an upload or download, under the slots.
    ProgressLb = new QLabel(QStringLiteral(" Loading Now"), upper);
    ProgressLb->setObjectName(QStringLiteral("ProgressLb"));
    ProgressBar = new QProgressBar(upper);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 1000);
    ProgressBar->setTextVisible(false);
    ProgressBar->setFixedHeight(ScaledPx(14, Scale));
    auto *progress = new QHBoxLayout;
    progress->setSpacing(ScaledPx(6, Scale));
    progress->addWidget(ProgressLb);
    progress->addWidget(ProgressBar, 1);
    for (QWidget *w : {static_cast<QWidget *>(ProgressLb), static_cast<QWidget *>(ProgressBar)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
        w->hide();
    }
    slotColumn->addLayout(progress);
    slotColumn->addStretch(1);
    layout->addLayout(slotColumn, 1);
    return upper;
}

void TPMonitor::BuildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    const auto item = [this](QMenu *menu, const QString &caption, const QString &name, auto handler) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, GuardedSlot(handler));
        return action;
    };

    FileMenu = bar->addMenu(QStringLiteral("FILE"));
    FileMenu->setObjectName(QStringLiteral("FILE1"));
    OPEN1 = item(FileMenu, QStringLiteral("OPEN"), QStringLiteral("OPEN1"), [this] { OPEN1Click(); });
    SAVE1 = item(FileMenu, QStringLiteral("SAVE"), QStringLiteral("SAVE1"), [this] { SAVE1Click(); });
    SAVEAS1 = item(FileMenu, QStringLiteral("SAVE AS"), QStringLiteral("SAVEAS1"), [this] { SAVEAS1Click(); });

    QMenu *device = bar->addMenu(QStringLiteral("DEVICE"));
    device->setObjectName(QStringLiteral("DeviceMenu"));
    for (int s = 0; s < SlotCount; ++s) {
        DeviceItems[static_cast<size_t>(s)] = item(device, MessageTable::DeviceText + QString::number(s + 1),
                                                   QStringLiteral("Device%1").arg(s) + QLatin1Char('1'), [this, s] { RunBt0Click(s); });
    }

    ParametersMenu = bar->addMenu(QStringLiteral("PARAMETERS"));
    ParametersMenu->setObjectName(QStringLiteral("PARAMETERS1"));
    ParametersMenu->setToolTipsVisible(true);
    UPLOAD1 = item(ParametersMenu, QStringLiteral("UPLOAD"), QStringLiteral("UPLOAD1"), [this] { UPLOAD1Click(); });
    DOWNLOAD1 = item(ParametersMenu, QStringLiteral("WRITE TO SELECTED DEVICE"), QStringLiteral("DOWNLOAD1"),
                     [this] { DOWNLOAD1Click(false); });
    WRITEALL = item(ParametersMenu, QStringLiteral("WRITE TO ALL CONNECTED DEVICE"), QStringLiteral("WRITEALL"),
                    [this] { DOWNLOAD1Click(true); });
    WRITEALL->setToolTip(QStringLiteral("Broadcast function"));
    WRITEALL->setStatusTip(QStringLiteral("Broadcast function"));
    RampSoakprogram1 = item(ParametersMenu, QStringLiteral("RAMP SOAK PROGRAM"), QStringLiteral("RampSoakprogram1"),
                            [this] { RampSoakprogram1Click(); });

    ViewMenu = bar->addMenu(QStringLiteral("VIEW"));
    ViewMenu->setObjectName(QStringLiteral("VIEW1"));
    SETTING1 = item(ViewMenu, QStringLiteral("SETTING"), QStringLiteral("SETTING1"), [this] { SETTING1Click(); });
    RECORD1 = item(ViewMenu, QStringLiteral("PV RECORD"), QStringLiteral("RECORD1"), [this] { RECORD1Click(); });
    // Radio items; with no controller connected neither is checked.
    auto *views = new QActionGroup(ViewMenu);
    views->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (QAction *radio : {SETTING1, RECORD1}) {
        radio->setCheckable(true);
        views->addAction(radio);
    }

    QMenu *exit = bar->addMenu(QStringLiteral("EXIT"));
    exit->setObjectName(QStringLiteral("EXIT1"));
    item(exit, QStringLiteral("OK"), QStringLiteral("Close2"), [this] { Close2Click(); });
    exit->addAction(QStringLiteral("CANCEL"))->setObjectName(QStringLiteral("CANCEL1"));
}

// ---- window events -----------------------------------------------------------

void TPMonitor::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous())
        return;
    if (!Placed) {
        // Above the main window, but not one of its widgets: the main
        // window's look (its style sheet) is not the monitor's.
        if (Owner) {
            Owner->winId();
            if (QWindow *own = windowHandle(); own && Owner->windowHandle())
                own->setTransientParent(Owner->windowHandle());
        }
        // Beside the main window: at the right of the screen.
        Placed = true;
        if (const QScreen *screen = this->screen()) {
            const QRect area = screen->availableGeometry();
            const int width = std::max(frameGeometry().width(), sizeHint().width());
            move(std::max(area.left(), area.right() + 1 - width), area.top());
        }
    }
    Guarded([this] { FormShow(); });
}

void TPMonitor::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    // Minimising is not closing.
    if (!event->spontaneous())
        Guarded([this] { FormClose(); });
}

void TPMonitor::FormShow()
{
    FileKnown = false;
    FileName.clear();
    SecurityChange.reset();
    statusBar()->clearMessage();
    Monitor->FormShow();
    Render(MonitorAspect::All);
}

void TPMonitor::FormClose()
{
    Timer1->stop();
    if (QMVPassword && PasswordSlot != NoSlot) {
        PasswordSlot = NoSlot;
        QMVPassword->Dismiss();
    }
    Monitor->FormClose();
    Render(MonitorAspect::All);
}

void TPMonitor::Close2Click()
{
    Monitor->Close2Click();
}

void TPMonitor::CloseWindow()
{
    // Hidden, never deleted: the port may be delivering the event that
    // brought us here.
    close();
}

// ---- slots -------------------------------------------------------------------

std::array<int, SlotCount> TPMonitor::Addresses() const
{
    std::array<int, SlotCount> addresses{};
    for (int s = 0; s < SlotCount; ++s)
        addresses[static_cast<size_t>(s)] = Slots[static_cast<size_t>(s)]->Address();
    return addresses;
}

bool TPMonitor::SlotUsable(int slot) const
{
    return slot >= 0 && slot < SlotCount && Monitor->Slot(slot).SlotConnected;
}

void TPMonitor::RunBt0Click(int slot)
{
    Monitor->RunBt0Click(slot, Addresses());
}

void TPMonitor::ComAddr0Change(int slot)
{
    Monitor->ComAddr0Change(slot, Addresses());
}

void TPMonitor::Adr0LbClick(int slot)
{
    Monitor->Adr0LbClick(slot);
}

void TPMonitor::ClrBt0Click(int slot)
{
    Monitor->ClrBt0Click(slot);
}

// ---- the parameter page --------------------------------------------------------

void TPMonitor::RangeHiKeyPress(Pc control, const QString &text)
{
    // The typed text stays until the page is read again.
    Monitor->RangeHiKeyPress(control, text);
    Render(MonitorAspect::Message);
}

void TPMonitor::CtrlSetCloseUp(Pc control, int item)
{
    // The list shows the choice until the page is read again.
    Monitor->CtrlSetCloseUp(control, item);
}

void TPMonitor::ClearBt1Click(bool restoreDefault)
{
    const QString &question = restoreDefault ? MessageTable::RestoreDefaultConfirm : MessageTable::ClearFactoryConfirm;
    if (!Dialogs.Confirm || !Dialogs.Confirm(question))
        return;
    Monitor->ClearBt1Click(restoreDefault);
}

void TPMonitor::PassEditKeyPress(const QString &text)
{
    using Code = MonitorEngine::AccessCode;
    switch (ClassifyHiddenCode(text)) {
    case HiddenCode::Calibration: Monitor->PassEditEntered(Code::Calibration); break;
    case HiddenCode::DiagnosticsOn: Monitor->PassEditEntered(Code::DiagnosticsOn); break;
    case HiddenCode::DiagnosticsOff: Monitor->PassEditEntered(Code::DiagnosticsOff); break;
    case HiddenCode::Other: Monitor->PassEditEntered(Code::Other); break;
    }
    ParaPL->ShowFirmwarePanel();
}

void TPMonitor::SLevelClick(int item)
{
    const int selected = Monitor->SelectedSlot();
    if (item == AllLockItem && SlotUsable(selected)) {
        const int station = SelectedStation();
        const bool yes = Dialogs.AskYesNo
                         && Dialogs.AskYesNo(MessageTable::AllLockQuestion(station), SLevelItemTexts[AllLockItem]);
        // The question let the polling go on: it was asked of this controller.
        if (!yes || Monitor->SelectedSlot() != selected || SelectedStation() != station) {
            ParaPL->RenderSecurity(Monitor->Security());
            return;
        }
        SecurityView wanted = Monitor->Security();
        wanted.LevelItem = AllLockItem;
        ExpectSecurity(wanted, true);
    }
    Monitor->SLevelClick(item);
}

void TPMonitor::Pass1CloseUp(int key, int item)
{
    Monitor->Pass1CloseUp(key, item);
    Render(MonitorAspect::Security);
}

void TPMonitor::Pass3DropDown()
{
    Monitor->Pass3DropDown();
}

void TPMonitor::AskPassword()
{
    const int selected = Monitor->SelectedSlot();
    if (!QMVPassword || !SlotUsable(selected)) {
        Monitor->PasswordEntered(std::nullopt);
        return;
    }
    // A dialog still open for an earlier question is closed by this one;
    // its empty answer is not the answer to this question.
    const int ask = ++PasswordAsk;
    QMVPassword->Ask(
        [this, ask](std::optional<int> password) {
            if (ask != PasswordAsk)
                return;
            PasswordSlot = NoSlot;
            // The group shows the change asked for until the answer.
            if (password)
                ExpectSecurity(Monitor->Security(), false);
            Monitor->PasswordEntered(password);
            Render(MonitorAspect::Security);
        },
        this);
    PasswordSlot = selected;
}

void TPMonitor::ExpectSecurity(const SecurityView &wanted, bool allLock)
{
    SecurityChange = SecurityWanted{Monitor->SelectedSlot(), SelectedStation(), wanted, allLock};
    statusBar()->clearMessage();
}

void TPMonitor::TransferFinished(FinishedTransfer job, int count, int station)
{
    if (job != FinishedTransfer::Password) {
        ShowStatus(MessageTable::ParametersWritten(count, station));
        return;
    }
    // The controller's security has been read back: it took the password
    // when it has the level and keys asked for. (A wrong level-1 password
    // may lock it instead: a change is no sign of success.)
    const std::optional<SecurityWanted> asked = std::exchange(SecurityChange, std::nullopt);
    const int selected = Monitor->SelectedSlot();
    if (!asked || asked->Slot != selected || asked->Station != station)
        return;
    const MonitorSlot &slot = Monitor->Slot(selected);
    const int level = SLevelItem(slot.SecurityLevel);
    bool taken = level == asked->Wanted.LevelItem;
    for (int k = 0; k < 3; ++k)
        taken = taken && KeyItem(slot.LevelKeys, k) == asked->Wanted.KeyItems[static_cast<size_t>(k)];
    const QString &levelText = SLevelItemTexts[static_cast<size_t>(level)];
    if (asked->AllLock)
        ShowStatus(taken ? MessageTable::AllLockDone(station) : MessageTable::AllLockRefused(station, levelText));
    else
        ShowStatus(taken ? MessageTable::PasswordAccepted(station) : MessageTable::PasswordRefused(station, levelText));
}

void TPMonitor::ShowStatus(const QString &text)
{
    statusBar()->showMessage(text);
}

int TPMonitor::SelectedStation() const
{
    const int selected = Monitor->SelectedSlot();
    return SlotUsable(selected) ? Monitor->Slot(selected).SlotAddress : 0;
}

void TPMonitor::CheckPasswordDialog()
{
    // A password asked for a slot that is no longer the selected one (or
    // gone) must not be written to another controller.
    if (PasswordSlot == NoSlot || !QMVPassword)
        return;
    if (Monitor->SelectedSlot() == PasswordSlot && SlotUsable(PasswordSlot))
        return;
    PasswordSlot = NoSlot;
    QMetaObject::invokeMethod(
        this, [] { Guarded([] { if (QMVPassword) QMVPassword->Dismiss(); }); }, Qt::QueuedConnection);
}

// ---- the view ------------------------------------------------------------------

void TPMonitor::Changed(unsigned aspects)
{
    // The engine reports once while it is being made, before it is ours.
    if (!Monitor)
        return;
    Render(aspects);
}

void TPMonitor::Render(unsigned aspects)
{
    if (aspects & MonitorAspect::Slots)
        RenderSlots();
    if (aspects & MonitorAspect::Large)
        Front->Render(Monitor->Large());
    if (aspects & MonitorAspect::Page)
        RenderPage();
    else if (aspects & MonitorAspect::Large)
        ParaPL->RenderProgramDisplay(Monitor->Large());
    if (aspects & MonitorAspect::Security)
        ParaPL->RenderSecurity(Monitor->Security());
    if (aspects & (MonitorAspect::Menus | MonitorAspect::Slots | MonitorAspect::Page))
        RenderMenus();
    if (aspects & MonitorAspect::Transfer)
        RenderTransfer();
    if (aspects & (MonitorAspect::Message | MonitorAspect::Diagnostics | MonitorAspect::Slots))
        RenderDiagnostics();
    SyncTimer();
    CheckPasswordDialog();
}

void TPMonitor::RenderSlots()
{
    const int selected = Monitor->SelectedSlot();
    for (int s = 0; s < SlotCount; ++s) {
        const MonitorSlot &slot = Monitor->Slot(s);
        const SlotView &view = Monitor->View(s);
        Slots[static_cast<size_t>(s)]->Render(slot, view, s == selected);
        QString caption = MessageTable::DeviceText + QString::number(s + 1);
        if (slot.SlotConnected)
            caption += MessageTable::ActiveText;
        if (DeviceItems[static_cast<size_t>(s)]->text() != caption)
            DeviceItems[static_cast<size_t>(s)]->setText(caption);
    }
}

void TPMonitor::RenderPage()
{
    const ParameterPage &page = Monitor->Page();
    ParaPL->Render(page, Monitor->Large());
    const bool trend = Monitor->TrendViewActive();
    const bool pageShown = page.Shown && !trend;
    if (ParaPL->isHidden() == pageShown)
        ParaPL->setVisible(pageShown);
    if (trend && !DrawIme->Active())
        DrawIme->ShowTrend(Monitor->SelectedSlot());
    else if (!trend && DrawIme->Active())
        DrawIme->HideTrend();
}

void TPMonitor::RenderMenus()
{
    const MonitorMenus &m = Monitor->Menus();
    FileMenu->menuAction()->setEnabled(m.FileMenu);
    SAVEAS1->setEnabled(m.SaveAs);
    // "SAVE" writes the file of the last "SAVE AS" again.
    SAVE1->setEnabled(m.SaveAs && FileKnown);
    ParametersMenu->menuAction()->setEnabled(m.ParametersMenu);
    UPLOAD1->setEnabled(m.Upload);
    DOWNLOAD1->setEnabled(m.WriteSelected);
    WRITEALL->setEnabled(m.WriteAll);
    RampSoakprogram1->setEnabled(m.RampSoak);
    ViewMenu->menuAction()->setEnabled(m.ViewMenu);
    SETTING1->setChecked(m.SettingChecked);
    RECORD1->setChecked(m.PvRecordChecked);
}

void TPMonitor::RenderTransfer()
{
    const bool shown = Monitor->ProgressShown();
    ProgressBar->setValue(Monitor->ProgressPosition());
    if (shown && ProgressLb->text() != Monitor->ProgressCaption())
        ProgressLb->setText(Monitor->ProgressCaption());
    ProgressBar->setVisible(shown);
    ProgressLb->setVisible(shown);
}

void TPMonitor::RenderDiagnostics()
{
    for (int s = 0; s < SlotCount; ++s)
        DebugPL->RenderCounters(s, Monitor->Slot(s).ExecCount, Monitor->Slot(s).ErrorCount);
    DebugPL->RenderReadings(Monitor->VoltageText(), Monitor->ColdJunctionText());
    DebugPL->RenderMessage(Monitor->Message(), Monitor->MessageRed());
    if (DebugPL->isHidden() == Monitor->DiagnosticsShown())
        DebugPL->setVisible(Monitor->DiagnosticsShown());
}

void TPMonitor::SyncTimer()
{
    if (Monitor->Timer1Enabled() && !Timer1->isActive())
        Timer1->start();
    else if (!Monitor->Timer1Enabled() && Timer1->isActive())
        Timer1->stop();
}

void TPMonitor::ShowLineFault(const QString &text)
{
    InformLater(text);
}

void TPMonitor::InformLater(const QString &text, const QString &caption)
{
    // One box per text: a fault that repeats while its box is waiting or
    // open is not shown twice.
    const QString key = caption + QLatin1Char('\n') + text;
    if (PendingMessages.contains(key))
        return;
    PendingMessages << key;
    QMetaObject::invokeMethod(
        this,
        [this, key, text, caption] {
            Guarded([&] { ShowMessage(text, caption); });
            PendingMessages.removeAll(key);
        },
        Qt::QueuedConnection);
}

// ---- the PV trend ------------------------------------------------------------------

void TPMonitor::ClearTrend(int slot)
{
    if (slot < 0)
        DrawIme->Reset();
    else if (slot < SlotCount)
        DrawIme->ClearSlot(slot);
}

int TPMonitor::TrendWord(int slot) const
{
    const MonitorSlot &s = Monitor->Slot(slot);
    // No value yet, or a model A reporting an input fault: a gap.
    if (!s.PvRead)
        return 0x8001;
    if (s.SlotModel == ModelA && s.PvFaultCode != 0)
        return 0x8000 | (s.PvFaultCode & 0xFF);
    return s.ProcessValue & 0xFFFF;
}

void TPMonitor::Timer1Timer()
{
    if (!Monitor->Timer1Enabled()) {
        Timer1->stop();
        return;
    }
    std::array<std::optional<int>, TrendSlotCount> words;
    for (int s = 0; s < SlotCount; ++s) {
        if (Monitor->Slot(s).SlotConnected)
            words[static_cast<size_t>(s)] = TrendWord(s);
    }
    DrawIme->SampleTick(words, Monitor->SelectedSlot());
}

void TPMonitor::SETTING1Click()
{
    Monitor->SetTrendViewActive(false);
}

void TPMonitor::RECORD1Click()
{
    Monitor->SetTrendViewActive(true);
}

// ---- the parameter buffer ------------------------------------------------------------

void TPMonitor::UPLOAD1Click()
{
    ShowRefusal(Monitor->UPLOAD1Click(UPLOAD1->text()), 0);
}

void TPMonitor::DOWNLOAD1Click(bool broadcast)
{
    const MonitorEngine::Confirmed asked = Monitor->DownloadTarget();
    if (!SlotUsable(asked.Slot))
        return;
    const MonitorSlot &slot = Monitor->Slot(asked.Slot);
    if (slot.SlotModel != ModelC && slot.ComWriteEnabled != 1) {
        ShowMessage(MessageTable::EnableComWriteFirst);
        return;
    }
    const auto yes = [this](const QString &question) {
        return Dialogs.AskYesNo && Dialogs.AskYesNo(question, MessageTable::ModelNameConfirm);
    };
    if (broadcast) {
        if (!yes(MessageTable::BroadcastConfirm))
            return;
    } else if (slot.SlotModel != Monitor->Buffer().ModelLetter()) {
        if (!yes(MessageTable::DifferentModelConfirm))
            return;
    }
    // The question let the polling go on: the engine writes only into the
    // controller asked about, if it is still selected as it was.
    const QString caption = (broadcast ? WRITEALL : DOWNLOAD1)->text();
    statusBar()->clearMessage();
    ShowRefusal(Monitor->DOWNLOAD1Click(broadcast, caption, asked), asked.Address);
}

void TPMonitor::ShowRefusal(MonitorEngine::TransferStart start, int address)
{
    using Start = MonitorEngine::TransferStart;
    switch (start) {
    case Start::WriteDisabled:
        ShowMessage(MessageTable::EnableComWriteFirst);
        break;
    case Start::TargetChanged:
        ShowMessage(MessageTable::DownloadTargetChanged.arg(address));
        break;
    case Start::UnknownModel:
        ShowMessage(MessageTable::NotIdentifiedYet);
        break;
    case Start::Started:
    case Start::NoController:
    case Start::Busy:
        break;
    }
}

void TPMonitor::UploadFinished()
{
    InformLater(HeaderText(Monitor->Buffer()) + MessageTable::UploadSuccessful, MessageTable::UploadDone);
}

void TPMonitor::TransferFailed(const QString &caption)
{
    InformLater(caption + MessageTable::TransferIncomplete);
}

void TPMonitor::RampSoakprogram1Click()
{
    if (!Monitor->Menus().RampSoak || !RampSoak)
        return;
    RampSoak->SetTransferHost(Monitor.get(), [this] { return SelectedStation(); });
    ShowOver(RampSoak, this);
}

void TPMonitor::OPEN1Click()
{
    const QString path = Dialogs.ChooseOpen ? Dialogs.ChooseOpen(ParameterFileChoice()) : QString();
    if (path.isEmpty())
        return;
    const ParameterFileLoad load = LoadParameterFile(path);
    switch (load.Result) {
    case ParameterFileLoad::Outcome::Loaded:
        Monitor->LoadBuffer(load.Image, true);
        RenderMenus();
        ShowMessage(HeaderText(load.Image) + MessageTable::ParametersLoaded, MessageTable::DoneText);
        return;
    case ParameterFileLoad::Outcome::BadCheckByte:
        Monitor->LoadBuffer(load.Image, false);
        RenderMenus();
        ShowMessage(MessageTable::FileContentError, MessageTable::FileErrorCaption);
        return;
    case ParameterFileLoad::Outcome::Refused:
        ShowMessage(MessageTable::FileContentError, MessageTable::FileErrorCaption);
        return;
    }
}

void TPMonitor::SAVEAS1Click()
{
    if (!Monitor->BufferValid())
        return;
    const QString path = Dialogs.ChooseSave ? Dialogs.ChooseSave(ParameterFileChoice()) : QString();
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path) && !(Dialogs.Confirm && Dialogs.Confirm(OverwriteQuestion(path))))
        return;
    SaveBuffer(path);
}

void TPMonitor::SAVE1Click()
{
    if (!FileKnown || !Monitor->BufferValid())
        return;
    SaveBuffer(FileName);
}

void TPMonitor::SaveBuffer(const QString &path)
{
    if (!SaveParameterFile(path, Monitor->Buffer())) {
        ShowMessage(MessageTable::FailToSaveFile);
        return;
    }
    FileName = path;
    FileKnown = true;
    RenderMenus();
    ShowMessage(HeaderText(Monitor->Buffer()) + MessageTable::SaveParametersDone, MessageTable::DoneText);
}
