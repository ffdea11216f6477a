// The whole monitor window against the simulated controller bus, in process
// and on the virtual clock: controls are found by their names, message
// boxes and questions are answered by the test.
#pragma once

#include "MessageBoxes.h"
#include "MonitorRig.h"
#include "MonitorWidgets.h"
#include "Paraset.h"
#include "Passenter.h"
#include "Screenshots.h"

#include <QAction>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

class MonitorWindowTest : public ::testing::Test {
protected:
    MonitorWindowTest()
    {
        SessionState = TSessionState{};
        LinkSettings = TLinkSettings{1, 9600, 7, 1, 1, false};
        SetMessageSink([this](const QString &text, const QString &caption) { Messages << caption + '|' + text; });
        Window = std::make_unique<TPMonitor>(nullptr, Clock, InProcessLineFactory(&Log, 4));
        Window->SetFileDialogs({[this](const FileChoice &) { return OpenAnswer; },
                                [this](const FileChoice &) { return SaveAnswer; },
                                [this](const QString &text) {
                                    Questions << text;
                                    return ConfirmAnswer;
                                },
                                [this](const QString &text, const QString &caption) {
                                    Questions << caption + '|' + text;
                                    return YesAnswer;
                                }});
        Password = std::make_unique<TQMVPassword>(Window.get());
        QMVPassword = Password.get();
        Window->show();
    }
    ~MonitorWindowTest() override
    {
        QMVPassword = nullptr;
        Password.reset();
        Window.reset();
        SetMessageSink({});
        SessionState = TSessionState{};
        LinkSettings = TLinkSettings{};
    }

    template <typename T = QWidget>
    T *Find(const QString &name) const
    {
        T *widget = Window->findChild<T *>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QAction *Action(const QString &name) const { return Find<QAction>(name); }
    // Shown as far as the window goes (the window itself is on screen).
    bool Shown(const QString &name) const
    {
        const QWidget *w = Find(name);
        return w && w->isVisibleTo(Window.get());
    }
    QString Text(const QString &name) const
    {
        if (auto *label = Window->findChild<QLabel *>(name))
            return label->text();
        if (auto *edit = Window->findChild<QLineEdit *>(name))
            return edit->text();
        if (auto *button = Window->findChild<QPushButton *>(name))
            return button->text();
        ADD_FAILURE() << "no text control " << name.toStdString();
        return {};
    }
    QColor LedColour(const QString &name) const
    {
        const LedShape *led = Find<LedShape>(name);
        return led ? led->Color() : QColor();
    }

    SimController &Add(int address, Model model)
    {
        ControllerConfig c;
        c.Address = address;
        c.Kind = model;
        return Bus.Add(c);
    }
    void Connect(int slot, int address)
    {
        Find<QSpinBox>(QStringLiteral("ComAddr%1").arg(slot))->setValue(address);
        Find<QPushButton>(QStringLiteral("RunBt%1").arg(slot))->click();
    }
    bool RunUntil(const std::function<bool()> &done, qint64 limitMs = 60'000)
    {
        return Clock.AdvanceUntil(
            [&] {
                QCoreApplication::processEvents();
                return done();
            },
            limitMs);
    }
    void RunFor(qint64 ms)
    {
        const qint64 until = Clock.NowMs() + ms;
        RunUntil([&] { return Clock.NowMs() >= until; }, ms + 1000);
    }
    // Runs until the selected slot's page was read out completely once more.
    bool RunUntilPageRead(qint64 limitMs = 60'000)
    {
        const size_t from = Log.Sent.size();
        return RunUntil(
            [&] {
                for (size_t i = from; i < Log.Sent.size(); ++i) {
                    if (Log.Sent[i].Register == 0x4701 && Log.Sent[i].Value == 7 && Log.Sent[i].Function == 3)
                        return i + 1 < Log.Sent.size();  // its reply came: the next request is out
                }
                return false;
            },
            limitMs);
    }
    void ChooseItem(const QString &list, int item)
    {
        auto *combo = Find<CloseUpList>(list);
        ASSERT_NE(combo, nullptr);
        // As a user does: open the list, move to the item, Enter.
        combo->showPopup();
        ASSERT_TRUE(combo->PopupOpen());
        combo->view()->setCurrentIndex(combo->model()->index(item, 0));
        QTest::keyClick(combo->view(), Qt::Key_Return);
        EXPECT_TRUE(combo->PopupOpen());  // until the close-up is told
        QCoreApplication::processEvents();
        EXPECT_FALSE(combo->PopupOpen());
    }
    void TypeAndEnter(const QString &edit, const QString &text)
    {
        auto *field = Find<QLineEdit>(edit);
        ASSERT_NE(field, nullptr);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    // How the last action ended, as the status line tells it.
    QString Status() const { return Find<QStatusBar>(QStringLiteral("StatusLine"))->currentMessage(); }
    QStringList TakeMessages()
    {
        QCoreApplication::processEvents();
        QStringList taken = Messages;
        Messages.clear();
        return taken;
    }

    VirtualClock Clock{55 * 1000};
    SimBus Bus{Clock};
    RequestLog Log{Bus, Clock};
    std::unique_ptr<TPMonitor> Window;
    std::unique_ptr<TQMVPassword> Password;
    QStringList Messages;
    QStringList Questions;
    QString OpenAnswer;
    QString SaveAnswer;
    bool ConfirmAnswer = true;
    bool YesAnswer = true;
};
