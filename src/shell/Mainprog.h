// The main window: the commands that open the other windows, the guard
// that keeps the serial line with one window at a time, and the two links
// that the setup dialog and the recorder talk through.
#pragma once

#include "Links.h"
#include "TComPort.h"
#include "TrafficLog.h"

#include <QMainWindow>

#include <cstdint>
#include <memory>

class QDialog;
class QFileDialog;
class QToolBar;
class QToolButton;
class PictureBox;
class TTrafficWindow;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // Commands.
    void PROTOCOL1Click();
    void MONITOR1Click();
    void ToolButton3Click();
    void TRAFFIC1Click();
    void EXIT1Click();
    void ToolButton4Click();
    void ABOUT1Click();

    // Window events.
    void FormShow();
    void FormActivate();

    // Receive routing of the two links.
    void ComPortMainTrigger(TComPort &port, std::uint16_t message, std::uint16_t argument, std::uint16_t data);
    void ComPort1Trigger(TComPort &port, std::uint16_t message, std::uint16_t argument, std::uint16_t data);

    // The factor by which the controls are scaled: LayoutWidth / 808.
    double ControlScale() const { return Scale; }

    // Every frame of every link, from start-up on (the exchanges send it here).
    TrafficLog Traffic;
    TComPort ComPortMain;
    TComPort ComPort1;
    SetupLink SetupLinkState{ComPortMain};
    RecorderLink RecorderLinkState{ComPort1};
    QFileDialog *OpenDialog1;
    QFileDialog *SaveDialog1;

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void BuildMenus();
    void BuildToolBar();
    QToolButton *AddToolButton(const QString &name, const QString &icon, const QString &hint, void (TMainForm::*handler)());
    bool LineFreeFor(int module) const;
    // Modal to this window alone: the traffic window stays in use beside it.
    static void ExecOver(QDialog &dialog);
    // Enumerates the serial ports again and marks ComPortPresent.
    void RefreshComPorts();

    PictureBox *QMX;
    QToolBar *ToolBar1;
    std::unique_ptr<TTrafficWindow> TrafficWindow;
    double Scale = 1.0;
    bool ActivationQueued = false;
    bool InActivation = false;
};

extern TMainForm *MainForm;
