#include "Recorder.h"

#include "CsvExport.h"
#include "ErrorReport.h"
#include "MessageBoxes.h"
#include "MessageTable.h"
#include "RecdIme.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

TPRecord *PRecord = nullptr;

namespace {

const QColor Lime(0x00, 0xFF, 0x00);
const QColor Red(0xFF, 0x00, 0x00);
const QColor Silver(0xC0, 0xC0, 0xC0);

std::size_t At(int i)
{
    return static_cast<std::size_t>(i);
}

void Paint(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void PaintBox(QSpinBox *box, const QColor &colour)
{
    box->setStyleSheet(QStringLiteral("QSpinBox { background-color: %1; color: black; }").arg(colour.name()));
}

QToolButton *ToolButton(const QString &name, const QString &text, const QString &hint, QStyle::StandardPixmap icon,
                        QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    return button;
}

QGroupBox *Captioned(const QString &name, const QString &caption, QWidget *content, QWidget *parent)
{
    auto *box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(content);
    box->setFlat(true);
    return box;
}

// A read-only value box whose text stays black when it is disabled.
QLineEdit *ValueBox(const QString &name, const QString &text, QWidget *parent)
{
    auto *box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setEnabled(false);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text, Qt::black);
    palette.setColor(QPalette::Disabled, QPalette::Base, Qt::white);
    box->setPalette(palette);
    return box;
}

QIcon Swatch(const QColor &colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    QPainter p(&pixmap);
    p.setPen(Qt::gray);
    p.drawRect(0, 0, 15, 15);
    return QIcon(pixmap);
}

} // namespace

TPRecord::TPRecord(RecorderLink &link, QWidget *parent, EventClock &clock)
    : QDialog(parent), Timer1(clock), Dialogs(SharedFileDialogs(this))
{
    setObjectName(QStringLiteral("PRecord"));
    setWindowTitle(QStringLiteral("Recorder Program"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(BuildToolBar());
    layout->addWidget(BuildControlRow());
    layout->addWidget(BuildAddressPanel());
    RecdIme = new TRecdIme(this);
    RecdIme->setAccessibleName(QStringLiteral("Trend chart"));
    RecdIme->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout->addWidget(RecdIme, 1);
    ErrMess = new QLabel(QStringLiteral("No error"), this);
    ErrMess->setObjectName(QStringLiteral("ErrMess"));
    QPalette errPalette = ErrMess->palette();
    errPalette.setColor(QPalette::WindowText, Red);
    ErrMess->setPalette(errPalette);
    ErrMess->hide();
    StatusLine = new QStatusBar(this);
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    StatusLine->setSizeGripEnabled(false);
    layout->addWidget(StatusLine);

    Link = std::make_unique<SamplerLink>(link, SessionState, clock);
    Trend = std::make_unique<TrendChart>(ChartState, RecorderState, *RecdIme, static_cast<ChartView &>(*this));
    SamplerEngine = std::make_unique<Sampler>(RecorderState, SessionState, *Link, *Trend, Timer1,
                                              static_cast<SamplerView &>(*this));
    ReplayEngine = std::make_unique<Replayer>(RecorderState, ChartState, *Trend, Timer1,
                                              static_cast<ReplayView &>(*this));
    Timer1.OnTimer = [this] { Timer1Timer(); };
    // Enter belongs to the counter (a typed jump), never to a button.
    for (QPushButton *button : findChildren<QPushButton *>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    // Maximised, with the geometry too for desktops without a window manager.
    if (const QScreen *s = parent ? parent->screen() : QGuiApplication::primaryScreen())
        setGeometry(s->availableGeometry());
    setWindowState(Qt::WindowMaximized);
    PRecord = this;
}

TPRecord::~TPRecord()
{
    // The line is always released before the window goes.
    Guarded([this] { FormClose(); });
    Timer1.OnTimer = nullptr;
    if (PRecord == this)
        PRecord = nullptr;
}

QWidget *TPRecord::BuildToolBar()
{
    auto *bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    SaveBt = ToolButton(QStringLiteral("SaveBt"), QStringLiteral("Save"), QStringLiteral("Save recording data"),
                        QStyle::SP_DialogSaveButton, bar);
    SaveBt->setCheckable(true);
    RePlayBt = ToolButton(QStringLiteral("RePlayBt"), QStringLiteral("RePlay"), QStringLiteral("Re-Draw record"),
                          QStyle::SP_BrowserReload, bar);
    RePlayBt->setCheckable(true);
    ExitBt3 = ToolButton(QStringLiteral("ExitBt3"), QStringLiteral("Exit"), QStringLiteral("Exit this window"),
                         QStyle::SP_DialogCloseButton, bar);
    // Every change of the check state by the user (mouse, keys, assistive
    // tools) runs the handler; the window's own changes are made with the
    // signals blocked.
    connect(SaveBt, &QToolButton::toggled, this, GuardedSlot([this] { SaveBtClick(); }));
    connect(RePlayBt, &QToolButton::toggled, this, GuardedSlot([this] { RePlayBtClick(); }));
    connect(ExitBt3, &QToolButton::clicked, this, GuardedSlot([this] { ExitBt3Click(); }));
    row->addWidget(SaveBt);
    row->addWidget(RePlayBt);
    row->addWidget(ExitBt3);
    row->addStretch();
    return bar;
}

QWidget *TPRecord::BuildControlRow()
{
    auto *panel = new QWidget(this);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);

    BackGndP = new QFrame(panel);
    BackGndP->setObjectName(QStringLiteral("BackGndP"));
    BackGndP->setFrameShape(QFrame::Panel);
    BackGndP->setFrameShadow(QFrame::Raised);
    Paint(BackGndP, Lime);
    StartBt = new QPushButton(MessageTable::RecorderStart, BackGndP);
    StartBt->setObjectName(QStringLiteral("StartBt"));
    StartBt->setToolTip(MessageTable::StartHint);
    StartBt->setMinimumWidth(90);
    auto *start = new QHBoxLayout(BackGndP);
    start->setContentsMargins(8, 6, 8, 6);
    start->addWidget(StartBt);
    connect(StartBt, &QPushButton::clicked, this, GuardedSlot([this] { StartBtClick(); }));

    PlayPL = new QFrame(panel);
    PlayPL->setObjectName(QStringLiteral("PlayPL"));
    PlayPL->setFrameShape(QFrame::Panel);
    PlayPL->setFrameShadow(QFrame::Raised);
    PlayBt = ToolButton(QStringLiteral("PlayBt"), QStringLiteral("Play"), QStringLiteral("Play"),
                        QStyle::SP_MediaPlay, PlayPL);
    PauseBt = ToolButton(QStringLiteral("PauseBt"), QStringLiteral("Pause"), QStringLiteral("Pause"),
                         QStyle::SP_MediaPause, PlayPL);
    StopBt = ToolButton(QStringLiteral("StopBt"), QStringLiteral("Stop"), QStringLiteral("Stop"),
                        QStyle::SP_MediaStop, PlayPL);
    PauseBt->setEnabled(false);
    StopBt->setEnabled(false);
    TrackBar = new QSlider(Qt::Horizontal, PlayPL);
    TrackBar->setObjectName(QStringLiteral("TrackBar"));
    TrackBar->setTickPosition(QSlider::NoTicks);
    TrackBar->setPageStep(50);
    TrackBar->setRange(0, 0);
    TrackBar->setMinimumWidth(160);
    TrackBar->setAccessibleName(QStringLiteral("Replay position"));
    CsvBt = new QPushButton(QStringLiteral("CSV"), PlayPL);
    CsvBt->setObjectName(QStringLiteral("CsvBt"));
    CsvBt->setToolTip(QStringLiteral("Export the record file as a table"));
    auto *play = new QHBoxLayout(PlayPL);
    play->setContentsMargins(4, 2, 4, 2);
    play->addWidget(PlayBt);
    play->addWidget(PauseBt);
    play->addWidget(StopBt);
    play->addWidget(TrackBar, 1);
    play->addWidget(CsvBt);
    PlayPL->hide();
    connect(PlayBt, &QToolButton::clicked, this, GuardedSlot([this] { PlayBtClick(PlayButton::Play); }));
    connect(PauseBt, &QToolButton::clicked, this, GuardedSlot([this] { PlayBtClick(PlayButton::Pause); }));
    connect(StopBt, &QToolButton::clicked, this, GuardedSlot([this] { PlayBtClick(PlayButton::Stop); }));
    connect(TrackBar, &QSlider::valueChanged, this, GuardedSlot([this] { TrackBarChange(); }));
    connect(CsvBt, &QPushButton::clicked, this, GuardedSlot([this] { CsvBtClick(); }));

    ExecCntLb = new QLabel(QStringLiteral("Counter"), panel);
    ExecCntLb->setObjectName(QStringLiteral("ExecCntLb"));
    LoopCnt = new QLineEdit(ZeroCounterText(), panel);
    LoopCnt->setObjectName(QStringLiteral("LoopCnt"));
    LoopCnt->setEnabled(false);
    LoopCnt->setFixedWidth(LoopCnt->fontMetrics().horizontalAdvance(QStringLiteral("0")) * 11 + 12);
    ExecCntLb->setBuddy(LoopCnt);
    LoopCnt->installEventFilter(this);

    auto *sampleBox = new QWidget(panel);
    auto *sampleRow = new QHBoxLayout(sampleBox);
    sampleRow->setContentsMargins(0, 0, 0, 0);
    SampleTime = new QSpinBox(sampleBox);
    SampleTime->setObjectName(QStringLiteral("SampleTime"));
    SampleTime->setRange(0, MaxSampleTime);
    SampleTime->setValue(1);
    SampleTime->setMinimumWidth(60);
    SampleTime->setAccessibleName(QStringLiteral("Sampling time"));
    SampleEdit = new QLineEdit(QStringLiteral("0.5"), SampleTime);
    SampleEdit->setObjectName(QStringLiteral("SampleEdit"));
    SampleEdit->setReadOnly(true);
    SampleEdit->setFrame(false);
    SampleEdit->hide();
    SampleTime->installEventFilter(this);
    SecPl = new QLabel(QStringLiteral("seconds"), sampleBox);
    SecPl->setObjectName(QStringLiteral("SecPl"));
    sampleRow->addWidget(SampleTime);
    sampleRow->addWidget(SecPl);
    PSampleTime = Captioned(QStringLiteral("PSampleTime"), QStringLiteral("Sampling time"), sampleBox, panel);
    connect(SampleTime, &QSpinBox::valueChanged, this, GuardedSlot([this] { SampleTimeChange(); }));

    DisplayMd = new QComboBox(panel);
    DisplayMd->setObjectName(QStringLiteral("DisplayMd"));
    DisplayMd->addItems({QStringLiteral("Auto"), QStringLiteral("Fix")});
    DisplayPL = Captioned(QStringLiteral("DisplayPL"), QStringLiteral("Display"), DisplayMd, panel);
    connect(DisplayMd, &QComboBox::activated, this, GuardedSlot([this] { DisplayMdChange(); }));

    MaxScale = new QLineEdit(QStringLiteral("100"), panel);
    MaxScale->setObjectName(QStringLiteral("MaxScale"));
    MaxScale->setMaxLength(6);
    MaxScale->setEnabled(false);
    MaxScale->setFixedWidth(MaxScale->fontMetrics().horizontalAdvance(QStringLiteral("-00000.0")) + 12);
    MaxPL = Captioned(QStringLiteral("MaxPL"), QStringLiteral("Max. scale"), MaxScale, panel);
    MinScale = new QLineEdit(QStringLiteral("0"), panel);
    MinScale->setObjectName(QStringLiteral("MinScale"));
    MinScale->setMaxLength(6);
    MinScale->setEnabled(false);
    MinScale->setFixedWidth(MaxScale->width());
    MinPL = Captioned(QStringLiteral("MinPL"), QStringLiteral("Min. scale"), MinScale, panel);

    BGColor = new QComboBox(panel);
    BGColor->setObjectName(QStringLiteral("BGColor"));
    for (std::size_t i = 0; i < BackgroundColors.size(); ++i)
        BGColor->addItem(Swatch(BackgroundColors[i]), BackgroundNames[i]);
    BGColor->setCurrentIndex(static_cast<int>(BackgroundColors.size()) - 1);
    BGColorPL = Captioned(QStringLiteral("BGColorPL"), QStringLiteral("Background"), BGColor, panel);
    connect(BGColor, &QComboBox::activated, this, GuardedSlot([this] { BGColorChange(); }));

    row->addWidget(BackGndP);
    row->addWidget(PlayPL, 3);
    row->addSpacing(8);
    row->addWidget(ExecCntLb);
    row->addWidget(LoopCnt);
    row->addSpacing(8);
    row->addWidget(PSampleTime);
    row->addWidget(DisplayPL);
    row->addWidget(MaxPL);
    row->addWidget(MinPL);
    row->addWidget(BGColorPL);
    row->addStretch(1);
    return panel;
}

QWidget *TPRecord::BuildAddressPanel()
{
    // The device panels stay usable while recording (they show and hide
    // curves); the address boxes and value boxes below them are locked.
    auto *slotArea = new QWidget(this);
    auto *column = new QVBoxLayout(slotArea);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto *devices = new QWidget(slotArea);
    auto *deviceRow = new QGridLayout(devices);
    ComAddrPL = new QWidget(slotArea);
    ComAddrPL->setObjectName(QStringLiteral("ComAddrPL"));
    auto *grid = new QGridLayout(ComAddrPL);
    for (QGridLayout *layout : {deviceRow, grid}) {
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setHorizontalSpacing(6);
        layout->setVerticalSpacing(2);
    }
    for (int s = 0; s < RecorderSlotCount; ++s) {
        auto *device = new QPushButton(QStringLiteral("Device %1").arg(s + 1), devices);
        device->setObjectName(QStringLiteral("DevicePL%1").arg(s));
        device->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: white; border: 1px solid "
                                             "#404040; padding: 3px; }")
                                  .arg(DeviceColors[At(s)].name()));
        device->setToolTip(QStringLiteral("Show or hide the curve of device %1").arg(s + 1));
        connect(device, &QPushButton::clicked, this, GuardedSlot([this, s] { DevicePL0Click(s); }));
        DevicePL[At(s)] = device;
        deviceRow->addWidget(device, 0, s);
        deviceRow->setColumnStretch(s, 1);

        auto *address = new QSpinBox(ComAddrPL);
        address->setObjectName(QStringLiteral("ComAddr%1").arg(s));
        address->setRange(0, MaxStation);
        address->setValue(s == 0 ? 1 : 0);
        address->setAccessibleName(QStringLiteral("Address of device %1").arg(s + 1));
        PaintBox(address, Qt::white);
        ComAddr[At(s)] = address;

        PV[At(s)] = ValueBox(QStringLiteral("PV%1").arg(s), QStringLiteral("0"), ComAddrPL);
        PV[At(s)]->setAccessibleName(QStringLiteral("Value of device %1").arg(s + 1));

        grid->addWidget(address, 0, s);
        grid->addWidget(PV[At(s)], 1, s);
        grid->setColumnStretch(s, 1);
    }
    column->addWidget(devices);
    column->addWidget(ComAddrPL);
    return slotArea;
}

// ---- window events

void TPRecord::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TPRecord::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // A maximised window gets its width after it was shown. While a
    // recording or a replay holds the picture, its geometry stays.
    if (isVisible() && !RecorderState.Recording && !RePlayBt->isChecked())
        Guarded([this] { ApplyGeometry(); });
}

void TPRecord::closeEvent(QCloseEvent *event)
{
    Guarded([this] { FormClose(); });
    QDialog::closeEvent(event);
}

void TPRecord::reject()
{
    Guarded([this] { FormClose(); });
    QDialog::reject();
}

bool TPRecord::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == LoopCnt && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        Guarded([this, key] { LoopCntKeyUp(key); });
    } else if (watched == SampleTime && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
        PlaceSampleEdit();
    }
    return QDialog::eventFilter(watched, event);
}

void TPRecord::PlaceSampleEdit()
{
    // "0.5" covers the number, not the arrows.
    QStyleOptionSpinBox option;
    option.initFrom(SampleTime);
    option.subControls = QStyle::SC_SpinBoxEditField;
    const QRect field = SampleTime->style()->subControlRect(QStyle::CC_SpinBox, &option,
                                                            QStyle::SC_SpinBoxEditField, SampleTime);
    SampleEdit->setGeometry(field);
}

void TPRecord::ApplyGeometry()
{
    const ChartGeometry geometry = GeometryFor(width());
    Trend->SetGeometry(geometry);
    RecdIme->SetBoxSize(QSize(geometry.BoxWidth, geometry.BoxHeight));
    const int item = std::clamp(width() * 16 / 808, 12, 24);
    BGColor->setIconSize(QSize(item, item));
    Trend->ClearChart();
}

// ---- handlers

void TPRecord::FormShow()
{
    Closed = false;
    Timer1.SetEnabled(false);
    RecorderState.DeviceShown.fill(true);
    RecorderState.JumpPending = false;
    // The chart's settings follow the controls, which start from their
    // design values at every opening.
    Trend->SetAutoScale(DisplayMd->currentIndex() == 0);
    Trend->SetBackground(BGColor->currentIndex());
    ApplyGeometry();
    PlaceSampleEdit();
}

void TPRecord::FormClose()
{
    if (Closed)
        return;
    Closed = true;
    SamplerEngine->FormClose();
    RecorderState.ReplayRunning = false;
    RecorderState.ReplayState = ReplayStopped;
    RecorderState.JumpPending = false;
}

void TPRecord::ExitBt3Click()
{
    close();
}

std::array<int, RecorderSlotCount> TPRecord::TypedAddresses() const
{
    std::array<int, RecorderSlotCount> addresses{};
    for (int s = 0; s < RecorderSlotCount; ++s)
        addresses[At(s)] = ComAddr[At(s)]->value();
    return addresses;
}

void TPRecord::StartBtClick()
{
    Closed = false;
    RecorderState.JumpPending = false;
    SamplerEngine->StartBtClick(TypedAddresses(), SampleTime->value());
}

void TPRecord::Timer1Timer()
{
    if (RecorderState.Recording)
        SamplerEngine->Tick();
    else
        ReplayEngine->Timer1Timer();
}

void TPRecord::SampleTimeChange()
{
    SampleEdit->setVisible(SampleTime->value() == 0);
}

void TPRecord::DevicePL0Click(int slot)
{
    if (slot < 0 || slot >= RecorderSlotCount)
        return;
    TRecorderState &state = RecorderState;
    const std::array<int, RecorderSlotCount> typed = TypedAddresses();
    for (int s = 0; s < RecorderSlotCount; ++s) {
        if (state.DroppedAt[At(s)] == -1)
            state.DeviceAddress[At(s)] = static_cast<std::uint8_t>(typed[At(s)]);
    }
    if (state.DeviceAddress[At(slot)] == 0)
        return;
    state.DeviceShown[At(slot)] = !state.DeviceShown[At(slot)];
    ShowSlotLook(slot, state.DeviceShown[At(slot)] ? SlotLook::Shown : SlotLook::Hidden);
    Trend->UpdateChartHasCurves();
    if (!state.Recording && !state.ReplayRunning)
        return;
    if (!ChartState.ChartHasCurves)
        Trend->ClearChart();
    else if (state.Recording)
        Trend->RedrawChart();
    else
        ReplayEngine->JumpTo();
}

void TPRecord::DisplayMdChange()
{
    const bool autoScale = DisplayMd->currentIndex() == 0;
    Trend->SetAutoScale(autoScale);
    MaxScale->setEnabled(!autoScale);
    MinScale->setEnabled(!autoScale);
}

void TPRecord::BGColorChange()
{
    Trend->SetBackground(BGColor->currentIndex());
    if (ChartState.ChartHasCurves)
        Trend->RedrawChart();
    else
        Trend->ClearChart();
}

void TPRecord::SaveBtClick()
{
    TRecorderState &state = RecorderState;
    if (state.SaveArmed || !SaveBt->isChecked()) {
        SamplerEngine->DisarmSaving();
        return;
    }
    const QString path = Dialogs.ChooseSave
                             ? Dialogs.ChooseSave({MessageTable::RecordFileFilter, QStringLiteral("rec")})
                             : QString();
    if (path.isEmpty()) {
        ShowSavingDisarmed();
        return;
    }
    CurrentFileName = QFileInfo(path).fileName();
    if (QFileInfo::exists(path) && !ConfirmOverwrite(CurrentFileName)) {
        ShowSavingDisarmed();
        return;
    }
    state.RecordFilePath = QFileInfo(path).absoluteFilePath();
    state.SaveArmed = true;
    state.RecordFileUsed = false;
    QSignalBlocker block(SaveBt);
    SaveBt->setChecked(true);
}

void TPRecord::RePlayBtClick()
{
    bool entered = false;
    if (RePlayBt->isChecked()) {
        SamplerEngine->CloseRecordFile();
        if (SaveBt->isChecked() || RecorderState.SaveArmed)
            SamplerEngine->DisarmSaving();
        Link->Close();
        for (QLineEdit *box : PV)
            box->clear();
        const QString path = Dialogs.ChooseOpen ? Dialogs.ChooseOpen({MessageTable::RecordFileFilter}) : QString();
        RecordFile::Header header;
        if (!path.isEmpty() && ReplayEngine->Load(path, header)) {
            entered = true;
            for (int s = 0; s < RecorderSlotCount; ++s) {
                ComAddr[At(s)]->setValue(header.Addresses[At(s)]);
                PaintBox(ComAddr[At(s)], Qt::white);
            }
            SampleTime->setValue(std::min(header.SampleTime, MaxSampleTime));
            SampleTime->setEnabled(false);
            SampleEdit->setVisible(header.SampleTime == 0);
            {
                QSignalBlocker block(TrackBar);
                TrackBar->setMaximum(ReplayEngine->RecordTotal());
                TrackBar->setValue(0);
            }
            LoopCnt->setEnabled(true);
            LoopCnt->setText(ZeroCounterText());
            ShowReplayState(RecorderState.ReplayState);
        }
    } else {
        // Outside replay the counter only counts, and the sample time is
        // the user's again.
        RecorderState.JumpPending = false;
        LoopCnt->setEnabled(false);
        SampleTime->setEnabled(true);
    }
    {
        QSignalBlocker block(RePlayBt);
        RePlayBt->setChecked(entered);
    }
    // The panel that goes is hidden before the other shows, so that the row
    // never needs both widths at once (the window would widen for good).
    QWidget *leaving = entered ? static_cast<QWidget *>(BackGndP) : PlayPL;
    QWidget *coming = entered ? static_cast<QWidget *>(PlayPL) : BackGndP;
    leaving->hide();
    coming->show();
    SaveBt->setEnabled(!entered);
}

void TPRecord::PlayBtClick(PlayButton button)
{
    switch (button) {
    case PlayButton::Play: ReplayEngine->Play(); break;
    case PlayButton::Pause: ReplayEngine->Pause(); break;
    case PlayButton::Stop: ReplayEngine->Stop(); break;
    }
}

void TPRecord::LoopCntKeyUp(int key)
{
    if (!LoopCnt->isEnabled())
        return;
    ReplayEngine->LoopCntKeyUp(key == Qt::Key_Return || key == Qt::Key_Enter);
}

void TPRecord::TrackBarChange()
{
    ReplayEngine->TrackBarChange(TrackBar->value());
}

void TPRecord::CsvBtClick()
{
    if (ReplayEngine->FilePath().isEmpty())
        return;
    const FileChoice table{MessageTable::CsvFileFilter, QStringLiteral("csv"), true};
    const QString path = Dialogs.ChooseSave ? Dialogs.ChooseSave(table) : QString();
    if (path.isEmpty())
        return;
    StatusLine->clearMessage();
    int rows = 0;
    switch (CsvExport::Export(ReplayEngine->FilePath(), path, &rows)) {
    case CsvExport::Result::Done:
        StatusLine->showMessage(MessageTable::RowsWritten(rows, QFileInfo(path).fileName()));
        break;
    case CsvExport::Result::SourceFailed: ShowFileError(); break;
    case CsvExport::Result::TargetFailed: ShowMessage(MessageTable::DataCanNotSave); break;
    }
}

// ---- what the engines show

void TPRecord::ShowRecording(bool recording)
{
    // A recording that ends says where its records went.
    const TRecorderState &state = RecorderState;
    const bool ended = RecordingShown && !recording;
    RecordingShown = recording;
    if (recording) {
        StatusLine->clearMessage();
    } else if (ended && state.SaveArmed && state.RecordFileUsed) {
        const QFileInfo file(state.RecordFilePath);
        StatusLine->showMessage(MessageTable::RecordsSaved(RecordFile::RecordCount(file.size()), file.fileName()));
    }
    Paint(BackGndP, recording ? Red : Lime);
    StartBt->setText(recording ? MessageTable::RecorderStop : MessageTable::RecorderStart);
    StartBt->setToolTip(recording ? MessageTable::StopHint : MessageTable::StartHint);
    SaveBt->setEnabled(!recording);
    RePlayBt->setEnabled(!recording);
    SampleTime->setEnabled(!recording);
    ComAddrPL->setEnabled(!recording);
    const bool fix = !ChartState.AutoScale;
    MaxScale->setEnabled(!recording && fix);
    MinScale->setEnabled(!recording && fix);
    DisplayMd->setEnabled(!recording);
}

void TPRecord::ShowSlotLook(int slot, SlotLook look)
{
    if (slot < 0 || slot >= RecorderSlotCount)
        return;
    PaintBox(ComAddr[At(slot)], look == SlotLook::Shown ? QColor(Qt::white) : look == SlotLook::Hidden ? Silver : Red);
}

void TPRecord::ShowCounter(const QString &text)
{
    LoopCnt->setText(text);
}

void TPRecord::ShowFaultLine(const QString &text)
{
    ErrMess->setText(text);
}

bool TPRecord::ConfirmOverwrite(const QString &fileName)
{
    return Dialogs.Confirm && Dialogs.Confirm(MessageTable::OverWriteFile + fileName);
}

void TPRecord::ShowSavingDisarmed()
{
    QSignalBlocker block(SaveBt);
    SaveBt->setChecked(false);
}

void TPRecord::ShowFailure(const QString &text)
{
    ShowMessage(text);
}

void TPRecord::ShowReplayState(TReplayState state)
{
    const bool playing = state == ReplayPlaying;
    TrackBar->setEnabled(!playing);
    LoopCnt->setEnabled(!playing);
    PlayBt->setEnabled(!playing);
    PauseBt->setEnabled(playing);
    if (state == ReplayStopped) {
        RePlayBt->setEnabled(true);
        StopBt->setEnabled(false);
    } else {
        RePlayBt->setEnabled(false);
        StopBt->setEnabled(true);
    }
}

void TPRecord::ShowPositionText(const QString &text)
{
    LoopCnt->setText(text);
}

void TPRecord::ShowTrackPosition(int position)
{
    QSignalBlocker block(TrackBar);
    TrackBar->setValue(position);
}

QString TPRecord::PositionText() const
{
    return LoopCnt->text();
}

void TPRecord::ShowFileError()
{
    ShowMessage(MessageTable::FileOpenError, MessageTable::FileErrorCaption);
}

void TPRecord::ShowConversionError(const QString &text)
{
    ReportError(text);
}

void TPRecord::ShowValue(int slot, const QString &text)
{
    if (slot >= 0 && slot < RecorderSlotCount)
        PV[At(slot)]->setText(text);
}

void TPRecord::ShowSampleTime(const QString &text)
{
    ErrMess->setText(text);
}

QString TPRecord::MaxScaleText() const
{
    return MaxScale->text();
}

QString TPRecord::MinScaleText() const
{
    return MinScale->text();
}

void TPRecord::ShowScaleTexts(const QString &max, const QString &min)
{
    MaxScale->setText(max);
    MinScale->setText(min);
}

void TPRecord::ShowAutoScale()
{
    DisplayMd->setCurrentIndex(0);
}
