// "Ramp Soak programer": the table of the eight ramp/soak patterns, its
// edit page, the transfers to and from the monitor's selected controller,
// the program files and the set-value curve. Created once at start-up and
// only hidden by "Back", so the program set survives between showings. A
// tool window of the monitor: above it, not above every other program.
#pragma once

#include "FileDialogs.h"
#include "RampCurve.h"
#include "RampTransfer.h"

#include <QMainWindow>

#include <functional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

class TRampSoak : public QMainWindow, public RampTransferClient {
    Q_OBJECT
public:
    // A cell of ProgTable as the table counts: column 0 and row 0 are its
    // headings, pattern p is column p + 1.
    struct GridCell {
        int Column = 0;
        int Row = 0;
        bool operator==(const GridCell &) const = default;
    };

    explicit TRampSoak(QWidget *parent = nullptr);
    ~TRampSoak() override;

    // The engine that carries the transfers (nullptr when there is none)
    // and the address of the controller it would talk to (0 unknown).
    void SetTransferHost(RampTransferHost *host, std::function<int()> station = nullptr);
    void SetFileDialogs(FileDialogs dialogs);

    // Handlers.
    void FormShow();
    void ProgTableClick(int column, int row);
    void EditPBtClick();
    void POKBtClick();
    void SPEditKeyPress(int key);
    void TimeHourChange();
    void TimeMinChange();
    void ProgStartChange();
    void RetBtClick();
    void ReadSBtClick();
    void WrBtClick();
    void ReadFBtClick();
    void SaveFBtClick();

    // Shows the program set in the table and the start-pattern list.
    void LoadTable();
    void RedrawCurve();

    QString CellText(int column, int row) const;
    GridCell SelectedCell() const { return Selected; }
    const CurvePicture &Curve() const { return Picture; }

    // RampTransferClient
    void RampReadProgress(int parameterPairs, int rampPairs) override;
    void RampReadDone(const std::array<std::uint8_t, 256> &parameterBlock,
                      const std::array<std::uint8_t, 260> &rampImage) override;
    int RampWriteValue(int index) override;
    void RampWriteProgress(int written) override;
    void RampTransferFailed() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    enum class Transfer { None, Reading, Writing };

    void BuildTable();
    void BuildButtons(QWidget *panel);
    void BuildEditPage();
    void WriteFixedTexts();
    void ShowPattern(int pattern);
    void SelectCurrentCell();
    // The editor of the selected cell shows the cell's value.
    void LoadEditor(bool takeFocus = true);
    void ShowEditors(QWidget *editor, bool time);
    void Apply();
    bool StartTransfer(Transfer kind);
    void EndTransfer();
    void UpdateButtons();
    void ShowStatus(const QString &text);

    RampTransferHost *Host = nullptr;
    std::function<int()> Station;
    int TransferStation = 0;  // the controller of the transfer running or last run
    FileDialogs Dialogs;
    Transfer Running = Transfer::None;
    bool HasData = false;
    GridCell Current{1, 1};  // the table's current cell
    GridCell Selected;       // the cell the editor belongs to
    CurvePicture Picture;

    QTableWidget *ProgTable = nullptr;
    QLabel *StartPLB = nullptr;
    QComboBox *ProgStart = nullptr;
    QPushButton *ReadSBt = nullptr;
    QPushButton *ReadFBt = nullptr;
    QPushButton *SaveFBt = nullptr;
    QPushButton *WrBt = nullptr;
    QPushButton *EditPBt = nullptr;
    QPushButton *RetBt = nullptr;
    QGroupBox *EditBox = nullptr;
    QLabel *StepLinkLb = nullptr;
    QComboBox *MaxStep = nullptr;
    QLineEdit *SPEdit = nullptr;
    QComboBox *StepLink = nullptr;
    QComboBox *TimeHour = nullptr;
    QLabel *TimeMinLb = nullptr;
    QSpinBox *TimeMin = nullptr;
    QPushButton *POKBt = nullptr;
    QLabel *ProgCurve = nullptr;
    QLabel *UpLoadLabelP = nullptr;
    QProgressBar *UpLoadBarP = nullptr;
};

extern TRampSoak *RampSoak;
