#include "Mainprog.h"

#include "About.h"
#include "Comset.h"
#include "ErrorReport.h"
#include "MessageBoxes.h"
#include "MessageTable.h"
#include "Paraset.h"
#include "PictureBox.h"
#include "PortDirectory.h"
#include "Public.h"
#include "ReceiveRouting.h"
#include "Recorder.h"
#include "ReplyExchange.h"
#include "TrafficWindow.h"

#include <QAction>
#include <QEvent>
#include <QFileDialog>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

TMainForm *MainForm = nullptr;

namespace {
constexpr int DesignWidth = 808;
constexpr int ToolImageSize = 32;
} // namespace

TMainForm::TMainForm(QWidget *parent)
    : QMainWindow(parent),
      OpenDialog1(new QFileDialog(this)),
      SaveDialog1(new QFileDialog(this)),
      QMX(new PictureBox(QPixmap(QStringLiteral(":/product.jpg")), this)),
      ToolBar1(new QToolBar(this))
{
    MainForm = this;
    ReplyExchange::SetTrafficSink(&Traffic);
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("VELM DUDIZUZIZEV COMPANY COMMUNICATION UTILITY"));
    setWindowIcon(QIcon(QStringLiteral(":/icon.png")));
    setStyleSheet(QStringLiteral("TMainForm { background: white; }"));
    setAutoFillBackground(true);

    // Which COM ports exist is known before any other window is made.
    RefreshComPorts();

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    central->setStyleSheet(QStringLiteral("#ClientArea { background: white; }"));
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    QMX->setObjectName(QStringLiteral("QMX"));
    layout->addWidget(QMX);
    setCentralWidget(central);

    BuildMenus();
    BuildToolBar();

    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setDefaultSuffix(QStringLiteral("txt"));
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->setDefaultSuffix(QStringLiteral("rec"));
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);

    ComPortMain.OnTrigger = [this](TComPort &port, std::uint16_t message, std::uint16_t argument, std::uint16_t data) {
        ComPortMainTrigger(port, message, argument, data);
    };
    ComPort1.OnTrigger = [this](TComPort &port, std::uint16_t message, std::uint16_t argument, std::uint16_t data) {
        ComPort1Trigger(port, message, argument, data);
    };
    setWindowState(Qt::WindowMaximized);
}

TMainForm::~TMainForm()
{
    ComPortMain.OnTrigger = nullptr;
    ComPort1.OnTrigger = nullptr;
    if (ReplyExchange::TrafficTap() == &Traffic)
        ReplyExchange::SetTrafficSink(nullptr);
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::BuildMenus()
{
    QMenuBar *menu = menuBar();
    menu->setObjectName(QStringLiteral("MainMenu1"));
    QMenu *protocol = menu->addMenu(QStringLiteral("PROTOCOL"));
    protocol->setObjectName(QStringLiteral("PROTOCOL"));
    protocol->menuAction()->setStatusTip(QStringLiteral("Set RS232/RS-485 communication  protocol"));
    protocol->menuAction()->setToolTip(QStringLiteral("Set RS232/RS-485 communication  protocol"));
    QAction *setPcCom = protocol->addAction(QStringLiteral("SET PC COM"), this, GuardedSlot([this] { PROTOCOL1Click(); }));
    setPcCom->setObjectName(QStringLiteral("PROTOCOL1"));

    QMenu *program = menu->addMenu(QStringLiteral("PROGRAM"));
    program->setObjectName(QStringLiteral("PROGRAM1"));
    program->addAction(QStringLiteral("MONITOR"), this, GuardedSlot([this] { MONITOR1Click(); }))
        ->setObjectName(QStringLiteral("MONITOR1"));
    program->addAction(QStringLiteral("RECODER"), this, GuardedSlot([this] { ToolButton3Click(); }))
        ->setObjectName(QStringLiteral("RECODER1"));

    QAction *traffic = menu->addAction(QStringLiteral("TRAFFIC"), this, GuardedSlot([this] { TRAFFIC1Click(); }));
    traffic->setObjectName(QStringLiteral("TRAFFIC1"));
    traffic->setStatusTip(QStringLiteral("Every frame on the line, decoded, with counters"));

    menu->addAction(QStringLiteral("EXIT"), this, GuardedSlot([this] { EXIT1Click(); }))
        ->setObjectName(QStringLiteral("EXIT1"));
    menu->addAction(QStringLiteral("ABOUT"), this, GuardedSlot([this] { ABOUT1Click(); }))
        ->setObjectName(QStringLiteral("ABOUT1"));
}

QToolButton *TMainForm::AddToolButton(const QString &name, const QString &icon, const QString &hint,
                                      void (TMainForm::*handler)())
{
    auto *button = new QToolButton(ToolBar1);
    button->setObjectName(name);
    button->setIcon(QIcon(icon));
    button->setProperty("image", icon);
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, GuardedSlot([this, handler] { (this->*handler)(); }));
    ToolBar1->addWidget(button);
    return button;
}

void TMainForm::BuildToolBar()
{
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(ToolImageSize, ToolImageSize));
    addToolBar(Qt::TopToolBarArea, ToolBar1);
    AddToolButton(QStringLiteral("ToolButton1"), QStringLiteral(":/tool-protocol.png"),
                  QStringLiteral("Set communication protocol of PC"), &TMainForm::PROTOCOL1Click);
    ToolBar1->addSeparator()->setObjectName(QStringLiteral("ToolButton7"));
    AddToolButton(QStringLiteral("ToolButton2"), QStringLiteral(":/tool-monitor.png"),
                  QStringLiteral("Monitor program"), &TMainForm::MONITOR1Click);
    AddToolButton(QStringLiteral("ToolButton3"), QStringLiteral(":/tool-recorder.png"),
                  QStringLiteral("Recorder program"), &TMainForm::ToolButton3Click);
    AddToolButton(QStringLiteral("ToolButton5"), QStringLiteral(":/tool-traffic.png"),
                  QStringLiteral("Traffic on the line"), &TMainForm::TRAFFIC1Click);
    AddToolButton(QStringLiteral("ToolButton4"), QStringLiteral(":/tool-exit.png"), QString(),
                  &TMainForm::ToolButton4Click);
}

void TMainForm::RefreshComPorts()
{
    PortDirectory::Refresh();
    std::fill(std::begin(ComPortPresent), std::end(ComPortPresent), false);
    PortDirectory::MarkComPorts(PortDirectory::PortNames(), ComPortPresent);
}

bool TMainForm::LineFreeFor(int module) const
{
    if (SessionState.ActiveModule == ModuleNone || SessionState.ActiveModule == module)
        return true;
    // The user is told where the line is and how to get it back.
    ShowMessage(MessageTable::ComPortInUse + QLatin1Char('\n')
                + MessageTable::LineHolderText(SessionState.ActiveModule));
    return false;
}

void TMainForm::PROTOCOL1Click()
{
    if (!LineFreeFor(ModuleNone))
        return;
    // The ports are looked for again when the link settings are opened: an
    // adapter plugged in since start-up gets its number now.
    RefreshComPorts();
    {
        TProtocol dialog(SetupLinkState, this);
        ExecOver(dialog);
    }
    DecodeComSetting();
}

void TMainForm::MONITOR1Click()
{
    if (!LineFreeFor(ModuleMonitor) || !PMonitor)
        return;
    PMonitor->show();
    PMonitor->raise();
    PMonitor->activateWindow();
}

void TMainForm::ToolButton3Click()
{
    if (!LineFreeFor(ModuleRecorder))
        return;
    TPRecord recorder(RecorderLinkState, this);
    ExecOver(recorder);
}

void TMainForm::TRAFFIC1Click()
{
    // It belongs to no window, so that no dialog's modality shuts it.
    if (!TrafficWindow)
        TrafficWindow = std::make_unique<TTrafficWindow>(Traffic);
    TrafficWindow->show();
    TrafficWindow->raise();
    TrafficWindow->activateWindow();
}

void TMainForm::ExecOver(QDialog &dialog)
{
    dialog.setWindowModality(Qt::WindowModal);
    dialog.exec();
}

void TMainForm::EXIT1Click()
{
    close();
}

void TMainForm::ToolButton4Click()
{
    close();
}

void TMainForm::ABOUT1Click()
{
    TABOUT about(this);
    ExecOver(about);
}

void TMainForm::FormShow()
{
    LayoutWidth = width();
    Scale = static_cast<double>(LayoutWidth) / DesignWidth;
    // The 32 x 32 tool images grow with the window; an icon never scales a
    // picture up by itself, so the larger pictures are made here.
    const int image = std::max(16, static_cast<int>(ToolImageSize * Scale + 0.5));
    if (ToolBar1->iconSize().width() == image)
        return;
    ToolBar1->setIconSize(QSize(image, image));
    for (QToolButton *button : ToolBar1->findChildren<QToolButton *>()) {
        const QString path = button->property("image").toString();
        if (!path.isEmpty())
            button->setIcon(QPixmap(path).scaled(image, image, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
}

void TMainForm::FormActivate()
{
    if (InActivation)
        return;
    InActivation = true;
    struct Done {
        bool &Flag;
        ~Done() { Flag = false; }
    } done{InActivation};
    LoadComSettingWord();
    if (!SettingsFileFound) {
        TProtocol dialog(SetupLinkState, this);
        ExecOver(dialog);
    }
    DecodeComSetting();
}

bool TMainForm::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !ActivationQueued && !InActivation) {
        // Run after the activation has been handled: the work may open a
        // modal dialog, which must not start inside the toolkit's event.
        ActivationQueued = true;
        QTimer::singleShot(0, this, [this] {
            ActivationQueued = false;
            Guarded([this] { FormActivate(); });
        });
    }
    return QMainWindow::event(event);
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TMainForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // A maximised window gets its final width after it was shown.
    if (isVisible())
        FormShow();
}

void TMainForm::ComPortMainTrigger(TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t)
{
    RouteSetupTrigger(SetupLinkState, message, argument);
}

void TMainForm::ComPort1Trigger(TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t)
{
    RouteRecorderTrigger(RecorderLinkState, SessionState, message, argument);
}
