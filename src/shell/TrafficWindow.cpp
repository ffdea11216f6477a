#include "TrafficWindow.h"

#include "ErrorReport.h"
#include "FileDialogs.h"
#include "MessageBoxes.h"
#include "MessageTable.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QPainter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QColor SentColour(0x1F, 0x4E, 0x8C);
const QColor FaultColour(0xC0, 0x00, 0x00);
const QColor DroppedColour(0xA0, 0x5A, 0x00);
constexpr int LastStation = 247;

bool IsFault(TrafficVerdict verdict)
{
    return verdict != TrafficVerdict::None && verdict != TrafficVerdict::Ok && verdict != TrafficVerdict::Late
           && verdict != TrafficVerdict::Unrequested;
}

// Rows of plain text in one fixed-pitch font: drawn as such, and cut to
// the column by counting characters, which costs a third of laying out
// every cell as the default delegate does.
class TrafficDelegate : public QStyledItemDelegate {
public:
    // `view` shows its font already.
    explicit TrafficDelegate(QWidget *view)
        : QStyledItemDelegate(view), Character(std::max(QFontMetricsF(view->font()).horizontalAdvance(u'0'), 1.0))
    {
    }
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette &palette = option.palette;
        if (selected)
            painter->fillRect(option.rect, palette.highlight());
        else if (option.features & QStyleOptionViewItem::Alternate)
            painter->fillRect(option.rect, palette.alternateBase());
        QString text = index.data(Qt::DisplayRole).toString();
        const QRect area = option.rect.adjusted(3, 0, -3, 0);
        const auto fits = std::max(static_cast<qsizetype>(area.width() / Character), qsizetype(1));
        if (text.size() > fits)
            text = text.left(fits - 1) + QChar(0x2026);
        const QVariant colour = index.data(Qt::ForegroundRole);
        painter->setPen(selected             ? palette.color(QPalette::HighlightedText)
                        : colour.isValid() ? colour.value<QColor>()
                                           : palette.color(QPalette::Text));
        painter->setFont(option.font);
        painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }

private:
    qreal Character;
};

} // namespace

TrafficModel::TrafficModel(const TrafficLog &log, QObject *parent) : QAbstractTableModel(parent), Log(log)
{
    Sync();
}

int TrafficModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Shown;
}

int TrafficModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : TrafficColumnCount;
}

QVariant TrafficModel::data(const QModelIndex &index, int role) const
{
    // Rows that left the log since the last Sync read empty until it.
    const qint64 at = index.row() - (Log.VisibleLeft() - LeftSeen);
    if (!index.isValid() || at < 0 || at >= Log.VisibleCount())
        return QVariant();
    const TrafficRow &row = Log.Visible(static_cast<int>(at));
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:  // the whole of a long cell
        return TrafficLog::ColumnText(row, static_cast<TrafficColumn>(index.column()));
    case Qt::ForegroundRole:
        if (row.Tx)
            return SentColour;
        if (IsFault(row.Verdict))
            return FaultColour;
        if (row.Verdict == TrafficVerdict::Late || row.Verdict == TrafficVerdict::Unrequested)
            return DroppedColour;
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= TrafficColumnCount)
        return QVariant();
    return TrafficLog::ColumnHeading(static_cast<TrafficColumn>(section));
}

void TrafficModel::Sync()
{
    const qint64 left = Log.VisibleLeft() - LeftSeen;
    if (Log.VisibleEpoch() != EpochSeen || (left > 0 && left >= Shown)) {
        beginResetModel();
        Shown = Log.VisibleCount();
        LeftSeen = Log.VisibleLeft();
        EpochSeen = Log.VisibleEpoch();
        endResetModel();
        return;
    }
    if (left > 0) {
        beginRemoveRows(QModelIndex(), 0, static_cast<int>(left) - 1);
        Shown -= static_cast<int>(left);
        LeftSeen = Log.VisibleLeft();
        endRemoveRows();
    }
    if (Log.VisibleCount() > Shown) {
        beginInsertRows(QModelIndex(), Shown, Log.VisibleCount() - 1);
        Shown = Log.VisibleCount();
        endInsertRows();
    }
}

TTrafficWindow::TTrafficWindow(TrafficLog &log, QWidget *parent)
    : QWidget(parent, Qt::Window),
      Log(log),
      Model(new TrafficModel(log, this)),
      Table(new QTableView(this)),
      SentCount(new QLabel(this)),
      GoodShare(new QLabel(this)),
      PauseBt(new QPushButton(QStringLiteral("Pause"), this)),
      PauseCount(new QLabel(this)),
      StationFilter(new QSpinBox(this)),
      LinkFilter(new QComboBox(this)),
      KeptText(new QLabel(this)),
      StatusLine(new QStatusBar(this))
{
    setObjectName(QStringLiteral("TrafficWindow"));
    setWindowTitle(QStringLiteral("TRAFFIC"));
    setWindowIcon(QIcon(QStringLiteral(":/tool-traffic.png")));
    // It never keeps the program running once the main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(1260, 640);

    // The counters: a heading over each figure.
    auto *counters = new QGridLayout;
    counters->setHorizontalSpacing(14);
    int column = 0;
    const auto addCounter = [&](const QString &heading, QLabel *value, const QString &name) {
        auto *label = new QLabel(heading, this);
        label->setAlignment(Qt::AlignCenter);
        value->setObjectName(name);
        value->setAlignment(Qt::AlignCenter);
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        counters->addWidget(label, 0, column);
        counters->addWidget(value, 1, column++);
    };
    addCounter(QStringLiteral("Sent"), SentCount, QStringLiteral("SentCount"));
    for (int v = static_cast<int>(TrafficVerdict::Ok); v < TrafficVerdictCount; ++v) {
        const auto verdict = static_cast<TrafficVerdict>(v);
        QLabel *value = new QLabel(this);
        VerdictCounts[static_cast<std::size_t>(v)] = value;
        addCounter(TrafficLog::VerdictName(verdict), value, QStringLiteral("Count%1").arg(v));
        if (verdict == TrafficVerdict::Ok)
            addCounter(QStringLiteral("Good share"), GoodShare, QStringLiteral("GoodShare"));
    }
    auto *clear = new QPushButton(QStringLiteral("Clear"), this);
    clear->setObjectName(QStringLiteral("ClearBt"));
    clear->setToolTip(QStringLiteral("Set the counters to zero"));
    connect(clear, &QPushButton::clicked, this, GuardedSlot([this] { ClearBtClick(); }));
    counters->setColumnStretch(column, 1);
    counters->addWidget(clear, 0, column + 1, 2, 1);

    // The view's controls.
    PauseBt->setObjectName(QStringLiteral("PauseBt"));
    PauseBt->setCheckable(true);
    PauseBt->setToolTip(QStringLiteral("Hold the table still; the log goes on underneath"));
    connect(PauseBt, &QPushButton::toggled, this, GuardedSlot([this] { PauseBtClick(PauseBt->isChecked()); }));
    PauseCount->setObjectName(QStringLiteral("PauseCount"));
    StationFilter->setObjectName(QStringLiteral("StationFilter"));
    StationFilter->setRange(-1, LastStation);
    StationFilter->setValue(-1);
    StationFilter->setSpecialValueText(QStringLiteral("All"));
    StationFilter->setToolTip(QStringLiteral("The station the requests addressed (0: broadcast)"));
    LinkFilter->setObjectName(QStringLiteral("LinkFilter"));
    LinkFilter->addItem(QStringLiteral("All links"));
    for (int l = 0; l < TrafficLinkCount; ++l)
        LinkFilter->addItem(TrafficLog::LinkName(static_cast<TrafficLink>(l)));
    connect(StationFilter, &QSpinBox::valueChanged, this, GuardedSlot([this] { FilterChange(); }));
    connect(LinkFilter, &QComboBox::currentIndexChanged, this, GuardedSlot([this] { FilterChange(); }));
    auto *save = new QPushButton(QStringLiteral("Save as..."), this);
    save->setObjectName(QStringLiteral("SaveBt"));
    save->setToolTip(QStringLiteral("Write the rows shown to a text or CSV file"));
    connect(save, &QPushButton::clicked, this, GuardedSlot([this] { SaveBtClick(); }));

    auto *controls = new QHBoxLayout;
    controls->addWidget(PauseBt);
    controls->addWidget(PauseCount);
    controls->addSpacing(20);
    // Labelled, so that the lists are named for those who cannot see them.
    for (QWidget *filter : {static_cast<QWidget *>(StationFilter), static_cast<QWidget *>(LinkFilter)}) {
        auto *label = new QLabel(filter == StationFilter ? QStringLiteral("Station") : QStringLiteral("Link"), this);
        label->setBuddy(filter);
        controls->addWidget(label);
        controls->addWidget(filter);
    }
    controls->addSpacing(20);
    controls->addWidget(save);
    controls->addStretch(1);

    // The table: fixed row heights and column widths, so that a long log
    // costs nothing but the rows on screen.
    Table->setObjectName(QStringLiteral("TrafficTable"));
    Table->setModel(Model);
    Table->setItemDelegate(new TrafficDelegate(Table));
    Table->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setWordWrap(false);
    Table->setAlternatingRowColors(true);
    Table->verticalHeader()->hide();
    Table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 4);
    const int character = Table->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    static const int widths[TrafficColumnCount - 1] = {15, 11, 4, 8, 46, 44};
    for (int c = 0; c < TrafficColumnCount - 1; ++c)
        Table->setColumnWidth(c, widths[c] * character);
    Table->horizontalHeader()->setStretchLastSection(true);

    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    StatusLine->setSizeGripEnabled(false);
    KeptText->setObjectName(QStringLiteral("KeptText"));
    StatusLine->addPermanentWidget(KeptText);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(counters);
    layout->addLayout(controls);
    layout->addWidget(Table, 1);
    layout->addWidget(StatusLine);

    Timer.setInterval(RefreshMs);
    connect(&Timer, &QTimer::timeout, this, GuardedSlot([this] { Refresh(); }));
    Refresh();
}

void TTrafficWindow::Refresh()
{
    // A view at its end follows what comes; one scrolled back stays put.
    QScrollBar *bar = Table->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    Model->Sync();
    if (following)
        Table->scrollToBottom();

    const TrafficCounts &counts = Log.Counts();
    SentCount->setText(QString::number(counts.Sent));
    for (int v = static_cast<int>(TrafficVerdict::Ok); v < TrafficVerdictCount; ++v)
        VerdictCounts[static_cast<std::size_t>(v)]->setText(QString::number(counts.Replies[static_cast<std::size_t>(v)]));
    GoodShare->setText(counts.Judged() > 0 ? QStringLiteral("%1 %").arg(100.0 * counts.GoodShare(), 0, 'f', 1)
                                           : QStringLiteral("-"));
    PauseCount->setText(Log.Paused() ? QStringLiteral("%1 new rows since").arg(Log.SincePause()) : QString());

    QString kept = QStringLiteral("%1 of %2 rows shown").arg(Log.VisibleCount()).arg(Log.Count());
    if (Log.Dropped() > 0)
        kept += QStringLiteral(", %1 older rows dropped").arg(Log.Dropped());
    if (!Log.AppendFault().isEmpty())
        kept += QStringLiteral("; the traffic file stopped: ") + Log.AppendFault();
    KeptText->setText(kept);
}

void TTrafficWindow::ClearBtClick()
{
    Log.ClearCounts();
    Refresh();
}

void TTrafficWindow::PauseBtClick(bool pause)
{
    if (pause)
        Log.Pause();
    else
        Log.Resume();
    PauseBt->setText(pause ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    Refresh();
}

void TTrafficWindow::FilterChange()
{
    TrafficFilter filter;
    filter.Station = StationFilter->value();
    if (LinkFilter->currentIndex() > 0)
        filter.Links = 1u << (LinkFilter->currentIndex() - 1);
    Log.SetFilter(filter);
    Refresh();
}

void TTrafficWindow::SaveBtClick()
{
    FileChoice choice{QStringLiteral("Text files (*.txt)|*.TXT|CSV files (*.csv)|*.CSV"), QStringLiteral("txt"), true};
    const QString path = SharedFileDialogs(this).ChooseSave(choice);
    if (path.isEmpty())
        return;
    const bool csv = QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
    if (!Log.Save(path, csv ? TrafficLog::Format::Csv : TrafficLog::Format::Text)) {
        ShowMessage(MessageTable::FailToSaveFile);
        return;
    }
    StatusLine->showMessage(MessageTable::RowsWritten(Log.VisibleCount(), QFileInfo(path).fileName()));
}

void TTrafficWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Refresh();
    Table->scrollToBottom();
    Timer.start();
}

void TTrafficWindow::hideEvent(QHideEvent *event)
{
    // A closed window costs the line nothing.
    Timer.stop();
    QWidget::hideEvent(event);
}
