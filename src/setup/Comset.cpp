#include "Comset.h"

#include "ErrorReport.h"
#include "MessageBoxes.h"
#include "MessageTable.h"
#include "PortDirectory.h"
#include "RadioGroup.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

TProtocol *Protocol = nullptr;

namespace {

constexpr int PortButtonCount = 12;
// The grid's numbered rows; it has one unnumbered row more, and grows
// (numbered) when more controllers answer than that.
constexpr int NumberedRows = 28;
constexpr int ResultRows = 29;

// "Baudrate" item by the baud preset list's index ("9600", "19200", "38400",
// "4800", "2400").
constexpr int BaudItemByPreset[6] = {-1, 2, 3, 4, 1, 0};

QComboBox *PresetList(const QString &name, const QStringList &items, QWidget *parent)
{
    auto *list = new QComboBox(parent);
    list->setObjectName(name);
    list->addItems(items);
    list->setCurrentIndex(0);
    return list;
}

void MakeBlue(QLabel *label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0xFF));
    label->setPalette(palette);
}

} // namespace

TProtocol::TProtocol(SetupLink &link, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      Search(link, SessionState, LinkSettings, *this)
{
    setObjectName(QStringLiteral("Protocol"));
    setWindowTitle(QStringLiteral("COMMUNICATION PROTOCOL"));
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    AutoDetectLb = new QLabel(this);
    AutoDetectLb->setObjectName(QStringLiteral("AutoDetectLb"));
    MakeBlue(AutoDetectLb);
    DetectBar = new QProgressBar(this);
    DetectBar->setObjectName(QStringLiteral("DetectBar"));
    DetectBar->setRange(0, 1);
    DetectBar->setValue(0);
    TimeStamp = new QLabel(this);
    TimeStamp->setObjectName(QStringLiteral("TimeStamp"));
    MakeBlue(TimeStamp);
    // The status lines lie above the search panel and come and go with it;
    // within it they keep their place, so that the buttons below do not
    // move when the gauge appears.
    StatusArea = new QWidget(this);
    StatusArea->setObjectName(QStringLiteral("StatusArea"));
    auto *status = new QVBoxLayout(StatusArea);
    status->setContentsMargins(0, 0, 0, 0);
    for (QWidget *line : {static_cast<QWidget *>(AutoDetectLb), static_cast<QWidget *>(DetectBar),
                          static_cast<QWidget *>(TimeStamp)}) {
        line->setParent(StatusArea);
        QSizePolicy policy = line->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        // A long error text must not widen the dialog; the message box
        // shows it whole.
        policy.setHorizontalPolicy(QSizePolicy::Ignored);
        line->setSizePolicy(policy);
        status->addWidget(line);
        line->hide();
    }
    layout->addWidget(StatusArea);
    StatusArea->hide();

    Pages = new QStackedWidget(this);
    SettingsPage = new QWidget(Pages);
    SettingsPage->setObjectName(QStringLiteral("SettingsPage"));
    DetectPL = new QWidget(Pages);
    DetectPL->setObjectName(QStringLiteral("DetectPL"));
    BuildSettingsPage(SettingsPage);
    BuildSearchPanel(DetectPL);
    Pages->addWidget(SettingsPage);
    Pages->addWidget(DetectPL);
    Pages->setCurrentWidget(SettingsPage);
    layout->addWidget(Pages);

    Protocol = this;
}

TProtocol::~TProtocol()
{
    if (Protocol == this)
        Protocol = nullptr;
}

void TProtocol::BuildSettingsPage(QWidget *page)
{
    auto *grid = new QGridLayout(page);

    auto *ports = new QGroupBox(QStringLiteral("Com Port"), page);
    ports->setObjectName(QStringLiteral("COMPort"));
    auto *portGrid = new QGridLayout(ports);
    // What each button stands for on this machine, for the user.
    const QHash<int, QString> devices = PortDirectory::Describe(PortDirectory::Ports());
    for (int n = 1; n <= PortButtonCount; ++n) {
        auto *button = new QRadioButton(QStringLiteral("COM%1").arg(n), ports);
        button->setObjectName(QStringLiteral("COM%1").arg(n));
        button->setProperty("PortNumber", n);
        button->setToolTip(devices.value(n, QStringLiteral("no device")));
        portGrid->addWidget(button, (n - 1) % 6, (n - 1) / 6);
        connect(button, &QRadioButton::clicked, this, GuardedSlot([this, n] { COM1Click(n); }));
        PortButtons.append(button);
    }
    PortButtons.first()->setChecked(true);

    Baudrate = new TRadioGroup(QStringLiteral("Baudrate"), QStringLiteral("Baudrate"),
                               {QStringLiteral("2400bps"), QStringLiteral("4800bps"), QStringLiteral("9600bps"),
                                QStringLiteral("19200bps"), QStringLiteral("38400bps")},
                               page);
    DataLen = new TRadioGroup(QStringLiteral("DataLen"), QStringLiteral("Data Length"),
                              {QStringLiteral("7 Bits"), QStringLiteral("8 Bits")}, page);
    Parity = new TRadioGroup(QStringLiteral("Parity"), QStringLiteral("Parity Bit"),
                             {QStringLiteral("None"), QStringLiteral("Even"), QStringLiteral("Odd")}, page);
    StopBit = new TRadioGroup(QStringLiteral("StopBit"), QStringLiteral("Stop Bit"),
                              {QStringLiteral("1 Bit"), QStringLiteral("2 Bits")}, page);
    Format = new TRadioGroup(QStringLiteral("Format"), QStringLiteral("Format"),
                             {QStringLiteral("ASCII"), QStringLiteral("RTU")}, page);
    for (TRadioGroup *group : {Baudrate, DataLen, Parity, StopBit, Format})
        group->SetItemIndex(0);
    connect(Format, &TRadioGroup::Clicked, this, GuardedSlot([this] { FormatClick(); }));

    auto *autoDetect = new QPushButton(QStringLiteral("Auto Detect"), page);
    autoDetect->setObjectName(QStringLiteral("AutoDetectBt"));
    auto *ok = new QPushButton(QStringLiteral("OK"), page);
    ok->setObjectName(QStringLiteral("OKBt"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), page);
    cancel->setObjectName(QStringLiteral("CancelBt"));
    connect(autoDetect, &QPushButton::clicked, this, GuardedSlot([this] { AutoDetectBtClick(); }));
    connect(ok, &QPushButton::clicked, this, GuardedSlot([this] { OKBtClick(); }));
    connect(cancel, &QPushButton::clicked, this, GuardedSlot([this] { CancelBtClick(); }));

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(autoDetect);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    grid->addWidget(ports, 0, 0, 2, 1);
    grid->addWidget(Baudrate, 0, 1);
    grid->addWidget(Parity, 0, 2);
    grid->addWidget(Format, 0, 3);
    grid->addWidget(DataLen, 1, 1);
    grid->addWidget(StopBit, 1, 2);
    grid->addLayout(buttons, 1, 3);
}

void TProtocol::BuildSearchPanel(QWidget *panel)
{
    const QString unknown = QStringLiteral("UNKNOW");
    AddrPreSet = PresetList(QStringLiteral("AddrPreSet"),
                            {unknown, QStringLiteral("01H~10H"), QStringLiteral("11H~20H"), QStringLiteral("21H~30H"),
                             QStringLiteral("31H~40H"), QStringLiteral("41H~50H"), QStringLiteral("51H~60H"),
                             QStringLiteral("61H~70H"), QStringLiteral("71H~80H"), QStringLiteral("81H~90H"),
                             QStringLiteral("91H~A0H"), QStringLiteral("A1H~B0H"), QStringLiteral("B1H~C0H"),
                             QStringLiteral("C1H~D0H"), QStringLiteral("D1H~E0H"), QStringLiteral("E1H~F0H"),
                             QStringLiteral("F1H~F7H")},
                            panel);
    BaudPreSet = PresetList(QStringLiteral("BaudPreSet"),
                            {unknown, QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                             QStringLiteral("4800"), QStringLiteral("2400")},
                            panel);
    LengthPreSet = PresetList(QStringLiteral("LengthPreSet"), {unknown, QStringLiteral("7 BITS"), QStringLiteral("8 BITS")},
                              panel);
    ParityPreSet = PresetList(QStringLiteral("ParityPreSet"),
                              {unknown, QStringLiteral("ODD"), QStringLiteral("EVEN"), QStringLiteral("NONE")}, panel);
    StopPreSet = PresetList(QStringLiteral("StopPreSet"),
                            {unknown, QStringLiteral("1 STOP BIT"), QStringLiteral("2 STOP BITS")}, panel);
    ProtocolPreSet = PresetList(QStringLiteral("ProtocolPreSet"), {unknown, QStringLiteral("ASCII"), QStringLiteral("RTU")},
                                panel);
    for (QComboBox *list : {AddrPreSet, BaudPreSet, LengthPreSet, ParityPreSet, StopPreSet, ProtocolPreSet}) {
        // Only the operator's choice runs the consistency rules, not the
        // dialog's own setting of a list.
        connect(list, &QComboBox::activated, this, GuardedSlot([this] { AddrPreSetCloseUp(); }));
    }

    auto *title1 = new QLabel(QStringLiteral("Address            Baud Rate        Bit Length"), panel);
    title1->setObjectName(QStringLiteral("ProtocolTitle1"));
    auto *title2 = new QLabel(QStringLiteral("Parity                Stop Bit               Protocol"), panel);
    title2->setObjectName(QStringLiteral("ProtocolTitle2"));

    ResultTable = new QTableWidget(ResultRows, 2, panel);
    ResultTable->setObjectName(QStringLiteral("ResultTable"));
    ResultTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ResultTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    ResultTable->setSelectionMode(QAbstractItemView::SingleSelection);
    ResultTable->setHorizontalHeaderLabels({QString(), QString()});
    ResultTable->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ResultTable->horizontalHeader()->setStretchLastSection(true);
    ResultTable->setColumnWidth(0, 90);
    ResultTable->verticalHeader()->setDefaultSectionSize(20);
    ResultTable->setMinimumSize(380, 260);
    for (int r = 0; r < ResultRows; ++r)
        ResultTable->setVerticalHeaderItem(r, new QTableWidgetItem(QString()));
    connect(ResultTable, &QTableWidget::cellClicked, this,
            [this](int row, int) { Guarded([this, row] { ResultTableSelectCell(row + 1); }); });
    connect(ResultTable, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
        if (row >= 0)
            Guarded([this, row] { ResultTableSelectCell(row + 1); });
    });

    SetStartBt = new QPushButton(MessageTable::StartCaption, panel);
    SetStartBt->setObjectName(QStringLiteral("SetStartBt"));
    SETBt = new QPushButton(QStringLiteral("SET"), panel);
    SETBt->setObjectName(QStringLiteral("SETBt"));
    SETBt->setEnabled(false);
    auto *close = new QPushButton(QStringLiteral("CLOSE"), panel);
    close->setObjectName(QStringLiteral("SetCloseBt"));
    connect(SetStartBt, &QPushButton::clicked, this, GuardedSlot([this] { SetStartBtClick(); }));
    connect(SETBt, &QPushButton::clicked, this, GuardedSlot([this] { SETBtClick(); }));
    connect(close, &QPushButton::clicked, this, GuardedSlot([this] { SetCloseBtClick(); }));

    auto *lists = new QGridLayout;
    lists->addWidget(title1, 0, 0, 1, 3);
    lists->addWidget(AddrPreSet, 1, 0);
    lists->addWidget(BaudPreSet, 1, 1);
    lists->addWidget(LengthPreSet, 1, 2);
    lists->addWidget(title2, 2, 0, 1, 3);
    lists->addWidget(ParityPreSet, 3, 0);
    lists->addWidget(StopPreSet, 3, 1);
    lists->addWidget(ProtocolPreSet, 3, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(SetStartBt);
    buttons->addWidget(SETBt);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(panel);
    layout->addLayout(lists);
    layout->addWidget(ResultTable);
    layout->addLayout(buttons);
}

void TProtocol::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
    Guarded([this] { FormShow(); });
}

void TProtocol::reject()
{
    // Left only through OK and Cancel.
}

void TProtocol::FormShow()
{
    const int w = ComSettingWord;
    Format->SetItemIndex((w >> 7) & 1);
    StopBit->SetItemIndex(w & 1);
    int &port = LinkSettings.PortNumber;
    port = w >> 8;
    Baudrate->SetItemIndex((w >> 4) & 7);
    Parity->SetItemIndex((w >> 2) & 3);
    DataLen->SetItemIndex((w >> 1) & 1);

    if (port < 1 || port > PortButtonCount || !IsComPortPresent(ComPortPresent, port)) {
        port = 0;
        for (int n = 1; n <= PortButtonCount; ++n) {
            if (IsComPortPresent(ComPortPresent, n)) {
                port = n;
                break;
            }
        }
    }
    for (int n = 1; n <= PortButtonCount; ++n)
        PortButtons.at(n - 1)->setEnabled(IsComPortPresent(ComPortPresent, n));
    if (port == 0) {
        // Told once the dialog is up, not from inside its show event.
        QTimer::singleShot(0, this, GuardedSlot([] { ShowMessage(MessageTable::NoComPortExist); }));
    } else {
        PortButtons.at(port - 1)->setChecked(true);
        COM1Click(port);
    }

    Pages->setCurrentWidget(SettingsPage);
    StatusArea->hide();
    AutoDetectLb->hide();
    DetectBar->hide();
    TimeStamp->hide();
}

void TProtocol::COM1Click(int portNumber)
{
    LinkSettings.PortNumber = portNumber;
}

void TProtocol::FormatClick()
{
    if (Format->ItemIndex() == 1) {
        DataLen->SetItemIndex(1);
        DataLen->setEnabled(false);
    } else {
        DataLen->setEnabled(true);
    }
}

void TProtocol::OKBtClick()
{
    // A group left without a choice (the stored word named a rate or parity
    // the groups do not offer) keeps what the stored word had.
    const int w = ComSettingWord;
    const auto choice = [](const TRadioGroup *group, int stored) {
        const int index = group->ItemIndex();
        return index >= 0 ? index : stored;
    };
    TLinkChoice link;
    link.PortNumber = LinkSettings.PortNumber;
    link.BaudIndex = choice(Baudrate, (w >> 4) & 7);
    link.ParityIndex = choice(Parity, (w >> 2) & 3);
    link.LengthIndex = choice(DataLen, (w >> 1) & 1);
    link.StopIndex = choice(StopBit, w & 1);
    link.FormatIndex = choice(Format, (w >> 7) & 1);
    if (!StoreComSettingWord(ComposeComSetting(link)))
        ShowMessage(MessageTable::DataCanNotSave);
    done(QDialog::Accepted);
}

void TProtocol::CancelBtClick()
{
    Search.Stop();
    done(QDialog::Rejected);
}

void TProtocol::NumberResultRows()
{
    for (int r = 1; r <= ResultTable->rowCount(); ++r) {
        if (r <= NumberedRows || !ResultText(r, 1).isEmpty())
            ResultTable->verticalHeaderItem(r - 1)->setText(QString::number(r));
    }
}

void TProtocol::ResetResultRows()
{
    ResultTable->clearContents();
    ResultTable->setRowCount(ResultRows);
    ResultTable->setCurrentCell(-1, -1);
    for (int r = 0; r < ResultRows; ++r) {
        if (!ResultTable->verticalHeaderItem(r))
            ResultTable->setVerticalHeaderItem(r, new QTableWidgetItem(QString()));
    }
    ResultTable->verticalHeaderItem(ResultRows - 1)->setText(QString());
    NumberResultRows();
}

QString TProtocol::ResultText(int row, int column) const
{
    if (row == 0) {
        const QTableWidgetItem *item = column >= 1 ? ResultTable->horizontalHeaderItem(column - 1) : nullptr;
        return item ? item->text() : QString();
    }
    if (row < 1 || row > ResultTable->rowCount())
        return QString();
    const QTableWidgetItem *item =
        column == 0 ? ResultTable->verticalHeaderItem(row - 1) : ResultTable->item(row - 1, column - 1);
    return item ? item->text() : QString();
}

void TProtocol::AutoDetectBtClick()
{
    AutoDetectLb->setText(MessageTable::PressedStart);
    AutoDetectLb->show();
    DetectBar->hide();
    TimeStamp->show();
    Pages->setCurrentWidget(DetectPL);
    StatusArea->show();

    GridBusy = true;
    NumberResultRows();
    ResultTable->horizontalHeaderItem(0)->setText(MessageTable::AddressHeading);
    ResultTable->horizontalHeaderItem(1)->setText(MessageTable::ProtocolHeading);
    TimeStamp->clear();
    GridBusy = false;
}

Scan::Presets TProtocol::CurrentPresets() const
{
    Scan::Presets presets;
    presets.Address = AddrPreSet->currentIndex();
    presets.Baud = BaudPreSet->currentIndex() - 1;
    presets.Parity = ParityPreSet->currentIndex() - 1;
    presets.Length = LengthPreSet->currentIndex() - 1;
    presets.Stop = StopPreSet->currentIndex() - 1;
    presets.Format = ProtocolPreSet->currentIndex() - 1;
    return presets;
}

void TProtocol::SetStartBtClick()
{
    SETBt->setEnabled(false);
    if (Search.Searching()) {
        Search.Abort();
        return;
    }
    DetectBar->show();
    DetectBar->setValue(0);
    TimeStamp->clear();
    SetStartBt->setText(MessageTable::CancelCaption);
    GridBusy = true;
    ResetResultRows();
    GridBusy = false;
    Search.Start(CurrentPresets());
}

void TProtocol::AddrPreSetCloseUp()
{
    SETBt->setEnabled(false);
    if (ProtocolPreSet->currentIndex() == 2)
        LengthPreSet->setCurrentIndex(2);
    const int length = LengthPreSet->currentIndex();
    const int parity = ParityPreSet->currentIndex();
    if (length == 2 && (parity == 1 || parity == 2))
        StopPreSet->setCurrentIndex(1);
    if (length == 1 && parity == 3)
        StopPreSet->setCurrentIndex(2);
}

void TProtocol::ResultTableSelectCell(int row)
{
    if (GridBusy || Search.GridBusy() || Search.Searching())
        return;
    const int c = Search.FoundCandidate(row);
    if (c < 0)
        return;
    const Scan::CandidateParts parts = Scan::Decompose(c);
    BaudPreSet->setCurrentIndex(parts.Baud + 1);
    ParityPreSet->setCurrentIndex(parts.Parity + 1);
    LengthPreSet->setCurrentIndex(parts.Length + 1);
    StopPreSet->setCurrentIndex(parts.Stop + 1);
    ProtocolPreSet->setCurrentIndex(parts.Format + 1);
    SETBt->setEnabled(true);
}

void TProtocol::SETBtClick()
{
    const int baud = BaudPreSet->currentIndex();
    if (baud >= 1)
        Baudrate->SetItemIndex(BaudItemByPreset[baud]);
    const int parity = ParityPreSet->currentIndex();
    if (parity >= 1)
        Parity->SetItemIndex(3 - parity);
    const int length = LengthPreSet->currentIndex();
    if (length >= 1)
        DataLen->SetItemIndex(length - 1);
    const int stop = StopPreSet->currentIndex();
    if (stop >= 1)
        StopBit->SetItemIndex(stop - 1);
    // The format goes last so that its rule has the final word on the length.
    const int format = ProtocolPreSet->currentIndex();
    if (format >= 1)
        Format->SetItemIndex(format - 1);
}

void TProtocol::SetCloseBtClick()
{
    Pages->setCurrentWidget(SettingsPage);
    StatusArea->hide();
    AutoDetectLb->hide();
    DetectBar->hide();
    TimeStamp->hide();
    Search.Stop();
    SetStartBt->setText(MessageTable::StartCaption);
}

void TProtocol::ShowDescription(const QString &text)
{
    AutoDetectLb->setText(text);
}

void TProtocol::ShowGauge(int value, int maximum)
{
    // An empty range would turn the gauge into a busy indicator.
    DetectBar->setRange(0, std::max(maximum, 1));
    DetectBar->setValue(std::clamp(value, 0, std::max(maximum, 1)));
}

void TProtocol::ShowTimeLeft(const QString &text)
{
    TimeStamp->setText(text);
}

void TProtocol::ShowHit(int row, const QString &address, const QString &protocol)
{
    if (row > ResultTable->rowCount()) {
        const int before = ResultTable->rowCount();
        ResultTable->setRowCount(row);
        for (int r = before; r < row; ++r)
            ResultTable->setVerticalHeaderItem(r, new QTableWidgetItem(QString()));
    }
    ResultTable->verticalHeaderItem(row - 1)->setText(QString::number(row));
    ResultTable->setItem(row - 1, 0, new QTableWidgetItem(address));
    ResultTable->setItem(row - 1, 1, new QTableWidgetItem(protocol));
}

void TProtocol::ShowScanEnd(const QString &text)
{
    AutoDetectLb->setText(text);
    SetStartBt->setText(MessageTable::StartCaption);
}

void TProtocol::ShowScanFault(const QString &text)
{
    AutoDetectLb->setText(text);
    SetStartBt->setText(MessageTable::StartCaption);
    ReportError(text);
}
