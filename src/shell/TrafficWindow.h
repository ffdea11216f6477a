// The traffic window: the traffic log's counters, its rows in a table, and
// the controls of its view (pause, filter, save). It stays open beside the
// other windows and takes what came on the line a few times a second, so
// that a busy line never waits for the table.
#pragma once

#include "TrafficLog.h"

#include <QAbstractTableModel>
#include <QTimer>
#include <QWidget>

#include <array>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTableView;

// The log's view as a table. The rows it announced stay its rows until the
// next Sync, whatever comes meanwhile.
class TrafficModel : public QAbstractTableModel {
public:
    explicit TrafficModel(const TrafficLog &log, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Takes in what changed in the log's view: rows that left its front,
    // rows that came at its end, or a view made anew.
    void Sync();

private:
    const TrafficLog &Log;
    int Shown = 0;
    qint64 LeftSeen = 0;
    std::uint64_t EpochSeen = 0;
};

class TTrafficWindow : public QWidget {
public:
    // Updates of the table and the counters, per second.
    static constexpr int RefreshMs = 250;

    explicit TTrafficWindow(TrafficLog &log, QWidget *parent = nullptr);

    // Takes in the rows and counters now (the window's timer does it too).
    void Refresh();
    void ClearBtClick();
    void PauseBtClick(bool pause);
    void FilterChange();
    void SaveBtClick();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    TrafficLog &Log;
    TrafficModel *Model;
    QTableView *Table;
    std::array<QLabel *, TrafficVerdictCount> VerdictCounts{};
    QLabel *SentCount;
    QLabel *GoodShare;
    QPushButton *PauseBt;
    QLabel *PauseCount;
    QSpinBox *StationFilter;
    QComboBox *LinkFilter;
    QLabel *KeptText;
    QStatusBar *StatusLine;
    QTimer Timer;
};
