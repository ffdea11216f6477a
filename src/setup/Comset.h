// "COMMUNICATION PROTOCOL": the PC side of the serial link (port, baud rate,
// data length, parity, stop bits, ASCII or RTU), stored by OK in the settings
// file, and the search panel that scans the line for controllers and copies
// a found combination into the settings.
#pragma once

#include "ScanEngine.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTableWidget;
class TRadioGroup;

class TProtocol : public QDialog, private ScanView {
    Q_OBJECT
public:
    // The dialog scans on the main window's link, whose trigger handler
    // hands each reply to this dialog's engine.
    explicit TProtocol(SetupLink &link, QWidget *parent = nullptr);
    ~TProtocol() override;

    // Settings page.
    void FormShow();
    void COM1Click(int portNumber);
    void FormatClick();
    void OKBtClick();
    void CancelBtClick();
    // Search panel.
    void AutoDetectBtClick();
    void SetStartBtClick();
    void AddrPreSetCloseUp();
    // `row` counts as the grid does: the first result is row 1.
    void ResultTableSelectCell(int row);
    void SETBtClick();
    void SetCloseBtClick();

    const ScanEngine &Engine() const { return Search; }
    // Result row `row` (1-based), column 1 (address) or 2 (protocol); the
    // grid's fixed first row and column are the table's headers.
    QString ResultText(int row, int column) const;

    // The left-only-through-its-buttons rule: Escape and the window
    // manager's close do nothing.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void BuildSettingsPage(QWidget *page);
    void BuildSearchPanel(QWidget *panel);
    void NumberResultRows();
    void ResetResultRows();
    Scan::Presets CurrentPresets() const;

    // ScanView
    void ShowDescription(const QString &text) override;
    void ShowGauge(int value, int maximum) override;
    void ShowTimeLeft(const QString &text) override;
    void ShowHit(int row, const QString &address, const QString &protocol) override;
    void ShowScanEnd(const QString &text) override;
    void ShowScanFault(const QString &text) override;

    ScanEngine Search;
    bool GridBusy = false;  // the panel itself writes the result rows

    QStackedWidget *Pages = nullptr;
    QWidget *SettingsPage = nullptr;
    QList<QRadioButton *> PortButtons;  // COM1 ... COM12
    TRadioGroup *Baudrate = nullptr;
    TRadioGroup *DataLen = nullptr;
    TRadioGroup *Parity = nullptr;
    TRadioGroup *StopBit = nullptr;
    TRadioGroup *Format = nullptr;

    QWidget *StatusArea = nullptr;  // holds the three status lines
    QLabel *AutoDetectLb = nullptr;
    QProgressBar *DetectBar = nullptr;
    QLabel *TimeStamp = nullptr;
    QWidget *DetectPL = nullptr;
    QComboBox *AddrPreSet = nullptr;
    QComboBox *BaudPreSet = nullptr;
    QComboBox *LengthPreSet = nullptr;
    QComboBox *ParityPreSet = nullptr;
    QComboBox *StopPreSet = nullptr;
    QComboBox *ProtocolPreSet = nullptr;
    QTableWidget *ResultTable = nullptr;
    QPushButton *SetStartBt = nullptr;
    QPushButton *SETBt = nullptr;
};

// The dialog while it exists.
extern TProtocol *Protocol;
