#include "Ramp.h"

#include "ErrorReport.h"
#include "MessageBoxes.h"
#include "MessageTable.h"
#include "RampFile.h"
#include "RampProgram.h"
#include "RampTransferRules.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

TRampSoak *RampSoak = nullptr;

namespace {

constexpr int LastHour = MaxExecuteTime / 60;
constexpr int RowHeight = 21;
constexpr int PatternColumnWidth = 76;
constexpr int HeadingColumnWidth = 112;
constexpr int ButtonColumnWidth = 112;

QPushButton *Button(const QString &name, const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QComboBox *List(const QString &name, const QStringList &items, QWidget *parent)
{
    auto *list = new QComboBox(parent);
    list->setObjectName(name);
    list->addItems(items);
    return list;
}

QLabel *Panel(const QString &name, const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QStringList PatternItems()
{
    QStringList items;
    for (int p = 0; p < PatternCount; ++p)
        items << PatternName(p);
    return items;
}

QStringList NumberItems(int last)
{
    QStringList items;
    for (int i = 0; i <= last; ++i)
        items << QString::number(i);
    return items;
}

// Widgets that come and go keep their place, so that nothing else moves.
void KeepPlace(QWidget *widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

// A list shows nothing for a value it has no item for.
void ShowIndex(QComboBox *list, int index)
{
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

FileChoice RampFileChoice()
{
    return {MessageTable::RampFileFilter, QStringLiteral("r$s")};
}

} // namespace

TRampSoak::TRampSoak(QWidget *parent)
    : QMainWindow(parent, Qt::Tool), Dialogs(SharedFileDialogs(this))
{
    setObjectName(QStringLiteral("RampSoak"));
    setWindowTitle(QStringLiteral("Ramp Soak programer"));

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("RampSoakArea"));
    auto *layout = new QGridLayout(central);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    BuildTable();
    ProgTable->setParent(central);
    layout->addWidget(ProgTable, 0, 0);

    auto *buttons = new QWidget(central);
    buttons->setObjectName(QStringLiteral("ButtonPanel"));
    BuildButtons(buttons);
    layout->addWidget(buttons, 0, 1);

    auto *progress = new QWidget(central);
    progress->setObjectName(QStringLiteral("ProgressArea"));
    auto *progressLayout = new QHBoxLayout(progress);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    UpLoadLabelP = new QLabel(progress);
    UpLoadLabelP->setObjectName(QStringLiteral("UpLoadLabelP"));
    UpLoadBarP = new QProgressBar(progress);
    UpLoadBarP->setObjectName(QStringLiteral("UpLoadBarP"));
    UpLoadBarP->setRange(0, 1000);
    UpLoadBarP->setValue(0);
    progressLayout->addWidget(UpLoadLabelP);
    progressLayout->addWidget(UpLoadBarP, 1);
    for (QWidget *widget : {static_cast<QWidget *>(UpLoadLabelP), static_cast<QWidget *>(UpLoadBarP)}) {
        KeepPlace(widget);
        widget->hide();
    }
    layout->addWidget(progress, 1, 0, 1, 2);

    auto *bottom = new QHBoxLayout;
    ProgCurve = new QLabel(central);
    ProgCurve->setObjectName(QStringLiteral("ProgCurve"));
    ProgCurve->setFixedSize(CurveWidth, CurveHeight);
    KeepPlace(ProgCurve);
    ProgCurve->hide();
    bottom->addWidget(ProgCurve, 0, Qt::AlignTop);
    BuildEditPage();
    EditBox->setParent(central);
    KeepPlace(EditBox);
    EditBox->hide();
    bottom->addWidget(EditBox, 1);
    layout->addLayout(bottom, 2, 0, 1, 2);

    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("StatusLine"));
    statusBar()->setSizeGripEnabled(false);
    WriteFixedTexts();
    UpdateButtons();
}

TRampSoak::~TRampSoak()
{
    if (RampSoak == this)
        RampSoak = nullptr;
}

void TRampSoak::BuildTable()
{
    ProgTable = new QTableWidget(TableRows - 1, TableColumns - 1, this);
    ProgTable->setObjectName(QStringLiteral("ProgTable"));
    ProgTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ProgTable->setSelectionMode(QAbstractItemView::SingleSelection);
    ProgTable->setSelectionBehavior(QAbstractItemView::SelectItems);
    ProgTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ProgTable->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ProgTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ProgTable->horizontalHeader()->setDefaultSectionSize(PatternColumnWidth);
    ProgTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ProgTable->verticalHeader()->setDefaultSectionSize(RowHeight);
    ProgTable->verticalHeader()->setFixedWidth(HeadingColumnWidth);
    ProgTable->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ProgTable->horizontalHeader()->setHighlightSections(false);
    ProgTable->verticalHeader()->setHighlightSections(false);
    for (int r = 0; r < ProgTable->rowCount(); ++r) {
        for (int c = 0; c < ProgTable->columnCount(); ++c) {
            auto *item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            item->setTextAlignment(Qt::AlignCenter);
            ProgTable->setItem(r, c, item);
        }
    }
    // All rows at once, nothing to scroll.
    const int height = ProgTable->horizontalHeader()->sizeHint().height() + ProgTable->rowCount() * RowHeight +
                       2 * ProgTable->frameWidth();
    const int width = HeadingColumnWidth + ProgTable->columnCount() * PatternColumnWidth + 2 * ProgTable->frameWidth();
    ProgTable->setFixedSize(width, height);
    connect(ProgTable, &QTableWidget::currentCellChanged, this, [this](int row, int column, int, int) {
        if (row >= 0 && column >= 0)
            Guarded([&] { ProgTableClick(column + 1, row + 1); });
    });
}

void TRampSoak::BuildButtons(QWidget *panel)
{
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    panel->setMinimumWidth(ButtonColumnWidth);
    StartPLB = Panel(QStringLiteral("StartPLB"), QStringLiteral("Start Pattern"), panel);
    ProgStart = List(QStringLiteral("ProgStart"), PatternItems(), panel);
    ReadSBt = Button(QStringLiteral("ReadSBt"), QStringLiteral("Read Setting"), panel);
    ReadFBt = Button(QStringLiteral("ReadFBt"), QStringLiteral("Read File"), panel);
    SaveFBt = Button(QStringLiteral("SaveFBt"), QStringLiteral("Save to ..."), panel);
    WrBt = Button(QStringLiteral("WrBt"), QStringLiteral("Write"), panel);
    EditPBt = Button(QStringLiteral("EditPBt"), QStringLiteral("Edit"), panel);
    RetBt = Button(QStringLiteral("RetBt"), QStringLiteral("Back"), panel);
    column->addWidget(StartPLB);
    column->addWidget(ProgStart);
    column->addSpacing(12);
    for (QPushButton *button : {ReadSBt, ReadFBt, SaveFBt, WrBt, EditPBt})
        column->addWidget(button);
    column->addStretch(1);
    column->addWidget(RetBt);

    connect(ProgStart, &QComboBox::activated, this, GuardedSlot([this] { ProgStartChange(); }));
    connect(ReadSBt, &QPushButton::clicked, this, GuardedSlot([this] { ReadSBtClick(); }));
    connect(ReadFBt, &QPushButton::clicked, this, GuardedSlot([this] { ReadFBtClick(); }));
    connect(SaveFBt, &QPushButton::clicked, this, GuardedSlot([this] { SaveFBtClick(); }));
    connect(WrBt, &QPushButton::clicked, this, GuardedSlot([this] { WrBtClick(); }));
    connect(EditPBt, &QPushButton::clicked, this, GuardedSlot([this] { EditPBtClick(); }));
    connect(RetBt, &QPushButton::clicked, this, GuardedSlot([this] { RetBtClick(); }));
}

void TRampSoak::BuildEditPage()
{
    EditBox = new QGroupBox(QStringLiteral("Edit Page"), this);
    EditBox->setObjectName(QStringLiteral("EditBox"));
    auto *grid = new QGridLayout(EditBox);
    StepLinkLb = Panel(QStringLiteral("StepLinkLb"), QString(), EditBox);
    StepLinkLb->setMinimumWidth(90);
    MaxStep = List(QStringLiteral("MaxStep"), NumberItems(StepsPerPattern - 1), EditBox);
    SPEdit = new QLineEdit(EditBox);
    SPEdit->setObjectName(QStringLiteral("SPEdit"));
    SPEdit->setMaxLength(12);
    StepLink = List(QStringLiteral("StepLink"), PatternItems() << MessageTable::ProgEndText, EditBox);
    TimeHour = List(QStringLiteral("TimeHour"), NumberItems(LastHour), EditBox);
    TimeMinLb = Panel(QStringLiteral("TimeMinLb"), QStringLiteral("Minute"), EditBox);
    TimeMin = new QSpinBox(EditBox);
    TimeMin->setObjectName(QStringLiteral("TimeMin"));
    TimeMin->setRange(0, 59);
    POKBt = Button(QStringLiteral("POKBt"), QStringLiteral("Enter"), EditBox);

    // One editor at a time takes the place beside the caption.
    grid->addWidget(StepLinkLb, 0, 0);
    for (QWidget *editor : {static_cast<QWidget *>(MaxStep), static_cast<QWidget *>(SPEdit),
                            static_cast<QWidget *>(StepLink), static_cast<QWidget *>(TimeHour)}) {
        grid->addWidget(editor, 0, 1);
        editor->hide();
    }
    grid->addWidget(TimeMinLb, 1, 0);
    grid->addWidget(TimeMin, 1, 1);
    grid->addWidget(POKBt, 2, 0, 1, 2);
    // The page keeps its height whichever editor it shows.
    int rowHeight = 0;
    for (QWidget *widget : EditBox->findChildren<QWidget *>())
        rowHeight = std::max(rowHeight, widget->sizeHint().height());
    grid->setRowMinimumHeight(0, rowHeight);
    grid->setRowMinimumHeight(1, rowHeight);
    for (QWidget *widget : {static_cast<QWidget *>(StepLinkLb), static_cast<QWidget *>(TimeMinLb),
                            static_cast<QWidget *>(TimeMin)}) {
        KeepPlace(widget);
        widget->hide();
    }

    connect(POKBt, &QPushButton::clicked, this, GuardedSlot([this] { POKBtClick(); }));
    connect(SPEdit, &QLineEdit::returnPressed, this, GuardedSlot([this] { SPEditKeyPress(Qt::Key_Return); }));
    // Only the operator's choices apply; loading an editor never does.
    connect(TimeHour, &QComboBox::activated, this, GuardedSlot([this] { TimeHourChange(); }));
    connect(TimeMin, &QSpinBox::valueChanged, this, GuardedSlot([this] { TimeMinChange(); }));
}

void TRampSoak::SetTransferHost(RampTransferHost *host, std::function<int()> station)
{
    Host = host;
    Station = std::move(station);
}

void TRampSoak::ShowStatus(const QString &text)
{
    statusBar()->showMessage(text);
}

void TRampSoak::SetFileDialogs(FileDialogs dialogs)
{
    Dialogs = std::move(dialogs);
}

void TRampSoak::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TRampSoak::FormShow()
{
    WriteFixedTexts();
    EditBox->hide();
    ProgCurve->setFixedSize(CurveWidth, CurveHeight);
}

void TRampSoak::WriteFixedTexts()
{
    QStringList patterns;
    for (int p = 0; p < PatternCount; ++p)
        patterns << PatternName(p);
    ProgTable->setHorizontalHeaderLabels(patterns);
    QStringList headings{MessageTable::StepMaxText};
    for (int s = 0; s < StepsPerPattern; ++s) {
        headings << MessageTable::SetValueText + QString::number(s);
        headings << MessageTable::ExecuteTimeText + QString::number(s);
    }
    headings << MessageTable::LoopCountText << MessageTable::LinkPatternText;
    ProgTable->setVerticalHeaderLabels(headings);
}

QString TRampSoak::CellText(int column, int row) const
{
    if (column < 0 || column >= TableColumns || row < 0 || row >= TableRows || (column == 0 && row == 0))
        return QString();
    if (row == 0)
        return ProgTable->horizontalHeaderItem(column - 1)->text();
    if (column == 0)
        return ProgTable->verticalHeaderItem(row - 1)->text();
    return ProgTable->item(row - 1, column - 1)->text();
}

void TRampSoak::ShowPattern(int pattern)
{
    const auto p = static_cast<size_t>(pattern);
    const auto set = [&](int row, const QString &text) { ProgTable->item(row - 1, pattern)->setText(text); };
    set(1, QString::number(RampProgram.StepMax[p]));
    for (int s = 0; s < StepsPerPattern; ++s) {
        const auto k = static_cast<size_t>(StepIndex(pattern, s));
        set(2 + 2 * s, SetValueText(RampProgram.SetValue[k]));
        set(3 + 2 * s, ExecuteTimeText(RampProgram.ExecuteTime[k]));
    }
    set(18, QString::number(RampProgram.LoopCount[p]));
    set(19, LinkText(RampProgram.LinkPattern[p]));
}

void TRampSoak::LoadTable()
{
    // A start pattern the list has no item for shows as it is, greyed.
    ShowIndex(ProgStart, RampProgram.StartPattern);
    ProgStart->setPlaceholderText(PatternName(RampProgram.StartPattern));
    for (int p = 0; p < PatternCount; ++p)
        ShowPattern(p);
    // What the editor held was typed for the program set before: Enter
    // must not put it into the one loaded now.
    LoadEditor(false);
}

void TRampSoak::RedrawCurve()
{
    Picture = CurveOf(RampProgram);
    ProgCurve->setPixmap(QPixmap::fromImage(DrawCurve(Picture)));
    if (Picture.Shown)
        ProgCurve->show();
}

// ---- selecting and editing ------------------------------------------------

void TRampSoak::ProgTableClick(int column, int row)
{
    if (column < 1 || column >= TableColumns || row < 1 || row >= TableRows)
        return;
    Current = {column, row};
    SelectCurrentCell();
}

void TRampSoak::SelectCurrentCell()
{
    // Moving between cells of one kind keeps what the editor holds, so
    // that "Enter" copies it into each cell in turn.
    const bool sameKind = KindOfRow(Current.Row) == KindOfRow(Selected.Row);
    Selected = Current;
    if (!sameKind)
        LoadEditor();
}

void TRampSoak::ShowEditors(QWidget *editor, bool time)
{
    for (QWidget *each : {static_cast<QWidget *>(MaxStep), static_cast<QWidget *>(SPEdit),
                          static_cast<QWidget *>(StepLink), static_cast<QWidget *>(TimeHour)})
        each->setVisible(each == editor);
    TimeMinLb->setVisible(time);
    TimeMin->setVisible(time);
    StepLinkLb->show();
}

void TRampSoak::LoadEditor(bool takeFocus)
{
    const int p = Selected.Column - 1;
    if (!ValidPattern(p))
        return;
    const auto pattern = static_cast<size_t>(p);
    const int step = StepOfRow(Selected.Row);
    const auto k = static_cast<size_t>(StepIndex(p, std::max(step, 0)));
    QWidget *focus = nullptr;
    switch (KindOfRow(Selected.Row)) {
    case CellKind::StepMax:
        ShowEditors(MaxStep, false);
        StepLinkLb->setText(MessageTable::StepCountText);
        ShowIndex(MaxStep, RampProgram.StepMax[pattern]);
        focus = MaxStep;
        break;
    case CellKind::LoopCount:
        ShowEditors(SPEdit, false);
        StepLinkLb->setText(MessageTable::LoopCountText);
        SPEdit->setText(QString::number(RampProgram.LoopCount[pattern]));
        focus = SPEdit;
        break;
    case CellKind::Link:
        ShowEditors(StepLink, false);
        StepLinkLb->setText(MessageTable::LinkPatternText);
        ShowIndex(StepLink, RampProgram.LinkPattern[pattern]);
        focus = StepLink;
        break;
    case CellKind::ExecuteTime: {
        ShowEditors(TimeHour, true);
        StepLinkLb->setText(MessageTable::HourText);
        const int minutes = RampProgram.ExecuteTime[k];
        const QSignalBlocker quietHour(TimeHour);
        const QSignalBlocker quietMinute(TimeMin);
        ShowIndex(TimeHour, minutes >= 0 ? minutes / 60 : -1);
        TimeMin->setValue(minutes >= 0 ? minutes % 60 : 0);
        TimeMin->setEnabled(TimeHour->currentIndex() != LastHour);
        focus = POKBt;
        break;
    }
    case CellKind::SetValue:
        ShowEditors(SPEdit, false);
        StepLinkLb->setText(MessageTable::SetValueText);
        SPEdit->setText(SetValueText(RampProgram.SetValue[k]));
        focus = SPEdit;
        break;
    case CellKind::None: return;
    }
    if (takeFocus && EditBox->isVisible())
        focus->setFocus();
}

void TRampSoak::EditPBtClick()
{
    EditBox->show();
    Selected.Row = 0;  // forget the previous kind: the editor loads afresh
    SelectCurrentCell();
    RedrawCurve();
}

void TRampSoak::Apply()
{
    const int p = Selected.Column - 1;
    const int step = StepOfRow(Selected.Row);
    if (ValidPattern(p)) {
        switch (KindOfRow(Selected.Row)) {
        case CellKind::StepMax: ApplyStepMax(RampProgram, p, MaxStep->currentIndex()); break;
        case CellKind::LoopCount: ApplyLoopCount(RampProgram, p, SPEdit->text()); break;
        case CellKind::Link: ApplyLink(RampProgram, p, StepLink->currentIndex()); break;
        case CellKind::ExecuteTime:
            ApplyExecuteTime(RampProgram, StepIndex(p, step), TimeHour->currentIndex(),
                             TimeMin->cleanText().isEmpty() ? -1 : TimeMin->value());
            break;
        case CellKind::SetValue:
            if (!ApplySetValue(RampProgram, StepIndex(p, step), SPEdit->text()))
                SPEdit->setText(SetValueText(RampProgram.SetValue[static_cast<size_t>(StepIndex(p, step))]));
            break;
        case CellKind::None: break;
        }
        ShowPattern(p);
    }
    RedrawCurve();
}

void TRampSoak::POKBtClick()
{
    Apply();
}

void TRampSoak::SPEditKeyPress(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        Apply();
}

void TRampSoak::TimeHourChange()
{
    const bool lastHour = TimeHour->currentIndex() == LastHour;
    if (lastHour) {
        const QSignalBlocker quiet(TimeMin);
        TimeMin->setValue(0);
    }
    TimeMin->setEnabled(!lastHour);
    Apply();
}

void TRampSoak::TimeMinChange()
{
    Apply();
}

void TRampSoak::ProgStartChange()
{
    if (ProgStart->currentIndex() < 0)
        return;
    RampProgram.StartPattern = ProgStart->currentIndex();
    RedrawCurve();
}

void TRampSoak::RetBtClick()
{
    hide();
}

// ---- transfers ------------------------------------------------------------

void TRampSoak::UpdateButtons()
{
    const bool idle = Running == Transfer::None;
    ProgStart->setEnabled(idle && HasData);
    ReadSBt->setEnabled(idle);
    ReadFBt->setEnabled(idle);
    SaveFBt->setEnabled(idle && HasData);
    WrBt->setEnabled(idle && HasData);
    EditPBt->setEnabled(HasData);
}

bool TRampSoak::StartTransfer(Transfer kind)
{
    if (Running != Transfer::None)
        return false;
    statusBar()->clearMessage();
    if (Host) {
        TransferStation = Station ? Station() : 0;
        Running = kind;
        UpLoadLabelP->setText(kind == Transfer::Reading ? MessageTable::ReadingNow : MessageTable::WritingNow);
        UpLoadBarP->setValue(0);
        UpLoadLabelP->show();
        UpLoadBarP->show();
        UpdateButtons();
        const bool started =
            kind == Transfer::Reading ? Host->StartRampRead(*this) : Host->StartRampWrite(*this);
        if (started)
            return true;
        if (Running == kind)
            EndTransfer();
    }
    ShowMessage(MessageTable::NoControllerSelected);
    return false;
}

void TRampSoak::EndTransfer()
{
    Running = Transfer::None;
    UpLoadLabelP->hide();
    UpLoadBarP->hide();
    UpdateButtons();
}

void TRampSoak::ReadSBtClick()
{
    StartTransfer(Transfer::Reading);
}

void TRampSoak::WrBtClick()
{
    if (HasData)
        StartTransfer(Transfer::Writing);
}

void TRampSoak::RampReadProgress(int parameterPairs, int rampPairs)
{
    if (Running == Transfer::Reading)
        UpLoadBarP->setValue(ReadProgressPerMille(parameterPairs, rampPairs));
}

void TRampSoak::RampReadDone(const std::array<std::uint8_t, 256> &parameterBlock,
                             const std::array<std::uint8_t, 260> &rampImage)
{
    if (Running != Transfer::Reading)
        return;
    UpLoadBarP->setValue(1000);
    RampSoakProgram program = RampProgram;
    ApplyParameterBytes(parameterBlock, program);
    DecodeSteps(rampImage, program);
    RampProgram = program;
    RampProgramImage = rampImage;
    HasData = true;
    LoadTable();
    EndTransfer();
    RedrawCurve();
    ShowStatus(MessageTable::RampProgramRead(TransferStation));
}

int TRampSoak::RampWriteValue(int index)
{
    return RampWriteWord(RampProgram, index);
}

void TRampSoak::RampWriteProgress(int written)
{
    if (Running != Transfer::Writing)
        return;
    if (written < RampWriteCount) {
        UpLoadBarP->setValue(WriteProgressPerMille(written));
        return;
    }
    EndTransfer();
    ShowStatus(MessageTable::RampProgramWritten(TransferStation));
}

void TRampSoak::RampTransferFailed()
{
    if (Running == Transfer::None)
        return;
    EndTransfer();
    // The engine is in the middle of its own work when it tells: the box
    // waits until that is done.
    QTimer::singleShot(0, this, GuardedSlot([] { ShowMessage(MessageTable::RampTransferIncomplete); }));
}

// ---- files ----------------------------------------------------------------

void TRampSoak::ReadFBtClick()
{
    if (Running != Transfer::None || !Dialogs.ChooseOpen)
        return;
    const QString path = Dialogs.ChooseOpen(RampFileChoice());
    if (path.isEmpty())
        return;
    RampSoakProgram program = RampProgram;
    RampImage image = RampProgramImage;
    if (!LoadRampFile(path, program, image)) {
        ShowMessage(MessageTable::FileContentError, MessageTable::DataErrorCaption);
        return;
    }
    RampProgram = program;
    RampProgramImage = image;
    HasData = true;
    LoadTable();
    UpdateButtons();
    RedrawCurve();
    ShowStatus(MessageTable::FileLoaded(QFileInfo(path).fileName()));
}

void TRampSoak::SaveFBtClick()
{
    if (Running != Transfer::None || !HasData || !Dialogs.ChooseSave)
        return;
    const QString path = Dialogs.ChooseSave(RampFileChoice());
    if (path.isEmpty())
        return;
    const QFileInfo target(path);
    if (target.exists() && !(Dialogs.Confirm && Dialogs.Confirm(MessageTable::OverWriteFile + target.fileName())))
        return;
    if (!SaveRampFile(path, RampProgram)) {
        ShowMessage(MessageTable::FailToSaveFile, MessageTable::FileErrorCaption);
        return;
    }
    ShowStatus(MessageTable::FileSaved(target.fileName()));
}
