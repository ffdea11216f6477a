#include "About.h"
#include "Comset.h"
#include "Mainprog.h"
#include "MessageBoxes.h"
#include "MessageTable.h"
#include "Paraset.h"
#include "Public.h"
#include "Pty.h"  // PortFolder
#include "Recorder.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Closes the next modal window once it is up, with the named button or by
// closing it; records its caption.
void CloseNextModal(QStringList &captions, const QString &button = QString())
{
    QTimer::singleShot(0, [&captions, button] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            CloseNextModal(captions, button);
            return;
        }
        captions << modal->windowTitle();
        if (auto *b = button.isEmpty() ? nullptr : modal->findChild<QPushButton *>(button))
            b->click();
        else
            modal->close();
    });
}

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetMessageSink([this](const QString &text, const QString &) { Messages << text; });
        SessionState = TSessionState{};
        ASSERT_TRUE(Folder.Link(1, QStringLiteral("/dev/null")));
        Form = std::make_unique<TMainForm>();
        Monitor = std::make_unique<TPMonitor>();
        PMonitor = Monitor.get();
    }
    void TearDown() override
    {
        PMonitor = nullptr;
        SetMessageSink(nullptr);
        SessionState = TSessionState{};
    }

    PortFolder Folder;
    std::unique_ptr<TMainForm> Form;
    std::unique_ptr<TPMonitor> Monitor;
    QStringList Messages;
    QStringList Modals;
};

TEST_F(MainFormTest, WindowMenusAndToolBar)
{
    EXPECT_EQ(Form->windowTitle(), "VELM DUDIZUZIZEV COMPANY COMMUNICATION UTILITY");
    EXPECT_TRUE(Form->windowState() & Qt::WindowMaximized);
    QStringList menus;
    for (QAction *a : Form->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, QStringList({"PROTOCOL", "PROGRAM", "TRAFFIC", "EXIT", "ABOUT"}));
    const QAction *protocol = Form->menuBar()->actions().at(0);
    EXPECT_EQ(protocol->statusTip(), "Set RS232/RS-485 communication  protocol");
    QStringList items;
    for (QAction *a : protocol->menu()->actions())
        items << a->text();
    for (QAction *a : Form->menuBar()->actions().at(1)->menu()->actions())
        items << a->text();
    EXPECT_EQ(items, QStringList({"SET PC COM", "MONITOR", "RECODER"}));

    auto *bar = Form->findChild<QToolBar *>("ToolBar1");
    ASSERT_NE(bar, nullptr);
    QStringList order;
    for (QAction *a : bar->actions())
        order << (a->isSeparator() ? a->objectName() : bar->widgetForAction(a)->objectName());
    EXPECT_EQ(order, QStringList({"ToolButton1", "ToolButton7", "ToolButton2", "ToolButton3", "ToolButton5",
                                  "ToolButton4"}));
    struct Hint { const char *Button, *Text; } hints[] = {
        {"ToolButton1", "Set communication protocol of PC"}, {"ToolButton2", "Monitor program"},
        {"ToolButton3", "Recorder program"}, {"ToolButton5", "Traffic on the line"}, {"ToolButton4", ""},
    };
    for (const Hint &h : hints) {
        auto *button = Form->findChild<QToolButton *>(h.Button);
        ASSERT_NE(button, nullptr) << h.Button;
        EXPECT_EQ(button->toolTip(), h.Text) << h.Button;
        EXPECT_FALSE(button->icon().isNull()) << h.Button;
    }
    EXPECT_EQ(bar->iconSize(), QSize(32, 32));
}

// The settings dialog's search runs for minutes: the traffic window, opened
// before it, stays in the user's hands meanwhile.
TEST_F(MainFormTest, TheTrafficWindowStaysInUseBesideAModalWindow)
{
    Form->findChild<QToolButton *>("ToolButton5")->click();
    QWidget *traffic = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        traffic = w->objectName() == "TrafficWindow" ? w : traffic;
    ASSERT_NE(traffic, nullptr);
    EXPECT_TRUE(traffic->isVisible());
    EXPECT_EQ(traffic->windowModality(), Qt::NonModal);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(traffic));

    bool pausedBesideTheDialog = false;
    std::function<void()> clickBeside = [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            QTimer::singleShot(0, clickBeside);
            return;
        }
        // A click as the user makes it, through the window system, where a
        // window that a modal one blocks gets none.
        auto *pause = traffic->findChild<QPushButton *>("PauseBt");
        QTest::mouseClick(traffic->windowHandle(), Qt::LeftButton, {},
                          pause->mapTo(traffic, pause->rect().center()));
        pausedBesideTheDialog = Form->Traffic.Paused();
        Modals << modal->windowTitle();
        modal->findChild<QPushButton *>("CancelBt")->click();
    };
    QTimer::singleShot(0, clickBeside);
    Form->PROTOCOL1Click();
    EXPECT_EQ(Modals, QStringList{"COMMUNICATION PROTOCOL"});
    EXPECT_TRUE(pausedBesideTheDialog);
}

TEST_F(MainFormTest, PortsAreEnumeratedAtConstruction)
{
    EXPECT_TRUE(ComPortPresent[1]);
}

TEST_F(MainFormTest, GuardsKeepTheLineWithOneWindow)
{
    struct Case { int Holder; bool SetupRefused, RecorderRefused, MonitorRefused; } cases[] = {
        {ModuleMonitor, true, true, false},
        {ModuleRecorder, true, false, true},
        {ModuleSetup, true, true, true},
    };
    for (const Case &c : cases) {
        SessionState.ActiveModule = c.Holder;
        Messages.clear();
        Modals.clear();
        Monitor->hide();
        if (!c.SetupRefused)
            CloseNextModal(Modals, "CancelBt");
        Form->PROTOCOL1Click();
        if (!c.RecorderRefused)
            CloseNextModal(Modals);
        Form->ToolButton3Click();
        Form->MONITOR1Click();
        const int refused = c.SetupRefused + c.RecorderRefused + c.MonitorRefused;
        EXPECT_EQ(Messages.size(), refused) << c.Holder;
        for (const QString &m : Messages)
            EXPECT_EQ(m, "COM Port In Use !!!\n" + MessageTable::LineHolderText(c.Holder));
        EXPECT_EQ(Monitor->isVisible(), !c.MonitorRefused) << c.Holder;
        if (!c.RecorderRefused) {
            EXPECT_EQ(Modals, QStringList{"Recorder Program"});
        }
    }
}

TEST_F(MainFormTest, FreeLineOpensTheSetupDialogAndDecodesAfterwards)
{
    ComSettingWord = 0x3C7;
    LinkSettings = TLinkSettings{};
    CloseNextModal(Modals, "CancelBt");
    Form->PROTOCOL1Click();
    EXPECT_EQ(Modals, QStringList{"COMMUNICATION PROTOCOL"});
    EXPECT_TRUE(Messages.isEmpty());
    EXPECT_EQ(LinkSettings.BaudRate, 38400);
    EXPECT_TRUE(LinkSettings.RtuMode);
}

TEST_F(MainFormTest, ActivationWithoutSettingsFileOpensTheSetupDialog)
{
    ASSERT_FALSE(QFile::exists("SETQM.$$$"));
    CloseNextModal(Modals, "OKBt");
    Form->FormActivate();
    EXPECT_EQ(Modals, QStringList{"COMMUNICATION PROTOCOL"});
    EXPECT_FALSE(SettingsFileFound);
    // OK wrote the file: the next activation reads it and shows nothing.
    ASSERT_TRUE(QFile::exists("SETQM.$$$"));
    Modals.clear();
    Form->FormActivate();
    EXPECT_TRUE(Modals.isEmpty());
    EXPECT_TRUE(SettingsFileFound);
    EXPECT_EQ(LinkSettings.PortNumber, ComSettingWord >> 8);
}

TEST_F(MainFormTest, ActivationReadsTheFileAndDecodes)
{
    QFile file("SETQM.$$$");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("967");
    file.close();
    Form->FormActivate();
    EXPECT_TRUE(SettingsFileFound);
    EXPECT_EQ(ComSettingWord, 967);
    EXPECT_EQ(LinkSettings.PortNumber, 3);
    EXPECT_EQ(LinkSettings.BaudRate, 38400);
    EXPECT_EQ(LinkSettings.DataBits, 8);
    EXPECT_EQ(LinkSettings.StopBits, 2);
}

TEST_F(MainFormTest, ControlsScaleWithTheWidth)
{
    Form->setWindowState(Qt::WindowNoState);
    Form->resize(1616, 900);
    Form->show();
    Form->FormShow();
    EXPECT_EQ(LayoutWidth, Form->width());
    EXPECT_DOUBLE_EQ(Form->ControlScale(), Form->width() / 808.0);
    if (Form->width() == 1616) {
        EXPECT_DOUBLE_EQ(Form->ControlScale(), 2.0);
        EXPECT_EQ(Form->findChild<QToolBar *>("ToolBar1")->iconSize(), QSize(64, 64));
    }
}

TEST_F(MainFormTest, AboutWindow)
{
    TABOUT about(Form.get());
    EXPECT_EQ(about.windowTitle(), "ABOUT");
    EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);
    QStringList texts;
    for (QLabel *label : about.findChildren<QLabel *>())
        texts << label->text();
    EXPECT_EQ(texts, QStringList({"Temperature Controller", "Communication Program", "Version 1.0.0.9",
                                  "Recommanded Display Resolution 800 x 600 or above"}));
    EXPECT_NE(about.findChild<QWidget *>("AboutPl"), nullptr);
    EXPECT_NE(about.findChild<QWidget *>("Image2"), nullptr);
    CloseNextModal(Modals);
    Form->ABOUT1Click();
    EXPECT_EQ(Modals, QStringList{"ABOUT"});
}

} // namespace
