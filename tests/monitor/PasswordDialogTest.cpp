// The password dialog under typed input.
#include "ErrorReport.h"
#include "Passenter.h"
#include "Screenshots.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class PasswordDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetErrorReporter([this](const QString &text) { Errors << text; });
        Owner = std::make_unique<QWidget>();
        Owner->resize(600, 400);
        Owner->show();
        Dialog = new TQMVPassword(Owner.get());
    }
    void TearDown() override
    {
        Owner.reset();
        SetErrorReporter({});
        EXPECT_TRUE(Errors.isEmpty()) << Errors.join(QLatin1Char('\n')).toStdString();
    }

    void Ask()
    {
        Dialog->Ask([this](std::optional<int> password) { Outcomes.push_back(password); });
    }
    QLineEdit *Edit() const { return Dialog->findChild<QLineEdit *>(QStringLiteral("PassEdit1")); }
    QPushButton *Ok() const { return Dialog->findChild<QPushButton *>(QStringLiteral("PassBt")); }
    QPushButton *Cancel() const { return Dialog->findChild<QPushButton *>(QStringLiteral("CancelBt")); }

    std::unique_ptr<QWidget> Owner;
    TQMVPassword *Dialog = nullptr;
    std::vector<std::optional<int>> Outcomes;
    QStringList Errors;
};

TEST_F(PasswordDialogTest, LooksAsItShould)
{
    Ask();
    EXPECT_EQ(Dialog->windowTitle(), QStringLiteral("Password Dialog"));
    EXPECT_FALSE(Dialog->windowFlags() & Qt::WindowStaysOnTopHint);  // above its owner only
    EXPECT_FALSE(Dialog->isModal());
    EXPECT_FALSE(Dialog->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(Dialog->windowFlags() & Qt::WindowMaximizeButtonHint);
    QStringList labels;
    for (const QLabel *label : Dialog->findChildren<QLabel *>())
        labels << label->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("Enter 4 digits of password "))) << labels.join('|').toStdString();
    EXPECT_TRUE(labels.contains(QStringLiteral("with 0~9, A~F")));
    ASSERT_TRUE(Edit() && Ok() && Cancel());
    EXPECT_EQ(Ok()->text(), QStringLiteral("OK"));
    EXPECT_EQ(Cancel()->text(), QStringLiteral("Cancel"));
    EXPECT_FALSE(Ok()->isEnabled());
    EXPECT_EQ(Edit()->maxLength(), 4);
    EXPECT_TRUE(Dialog->isVisible());
    // Centred on its owner.
    const QPoint centre = Owner->mapToGlobal(Owner->rect().center());
    EXPECT_LE((Dialog->geometry().center() - centre).manhattanLength(), 2);
}

// Asked by a window other than its owner (the monitor), it opens centred
// over that window and belongs to it; once open it stays where it is.
TEST_F(PasswordDialogTest, OpensOverTheWindowThatAsks)
{
    QWidget monitor;
    monitor.setGeometry(350, 250, 400, 300);  // inside the 800 x 600 offscreen screen
    monitor.show();
    Dialog->Ask([this](std::optional<int> password) { Outcomes.push_back(password); }, &monitor);
    EXPECT_LE((Dialog->frameGeometry().center() - monitor.frameGeometry().center()).manhattanLength(), 2);
    ASSERT_NE(Dialog->windowHandle(), nullptr);
    EXPECT_EQ(Dialog->windowHandle()->transientParent(), monitor.windowHandle());
    Dialog->move(10, 20);
    Dialog->Ask([this](std::optional<int> password) { Outcomes.push_back(password); }, &monitor);
    EXPECT_EQ(Dialog->pos(), QPoint(10, 20));
    EXPECT_EQ(Outcomes.size(), 1u);  // the first request ended with nothing
}

TEST_F(PasswordDialogTest, FourLowerCaseHexDigitsBecomeTheValue)
{
    Ask();
    QTest::keyClicks(Edit(), QStringLiteral("a0f3"));
    EXPECT_EQ(Edit()->text(), QStringLiteral("A0F3"));
    EXPECT_EQ(Edit()->displayText(), QStringLiteral("****"));
    EXPECT_TRUE(Ok()->isEnabled());
    KeepScreenshot(*Dialog, QStringLiteral("password.png"));
    QTest::mouseClick(Ok(), Qt::LeftButton);
    EXPECT_FALSE(Dialog->isVisible());
    ASSERT_EQ(Outcomes.size(), 1u);
    EXPECT_EQ(Outcomes[0], 0xA0F3);
}

TEST_F(PasswordDialogTest, AnyOtherCharacterClearsTheWholeText)
{
    Ask();
    QTest::keyClicks(Edit(), QStringLiteral("12"));
    EXPECT_EQ(Edit()->text(), QStringLiteral("12"));
    QTest::keyClicks(Edit(), QStringLiteral("g"));
    EXPECT_EQ(Edit()->text(), QString());
    EXPECT_FALSE(Ok()->isEnabled());
    QTest::keyClicks(Edit(), QStringLiteral("123-"));
    EXPECT_EQ(Edit()->text(), QString());
}

TEST_F(PasswordDialogTest, NoMoreThanFourCharacters)
{
    Ask();
    QTest::keyClicks(Edit(), QStringLiteral("123456"));
    EXPECT_EQ(Edit()->text(), QStringLiteral("1234"));
}

TEST_F(PasswordDialogTest, EnterClosesWithFourDigits)
{
    Ask();
    QTest::keyClicks(Edit(), QStringLiteral("2222"));
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_FALSE(Dialog->isVisible());
    ASSERT_EQ(Outcomes.size(), 1u);
    EXPECT_EQ(Outcomes[0], 0x2222);
}

TEST_F(PasswordDialogTest, EnterDoesNothingWithOneToThreeCharacters)
{
    Ask();
    QTest::keyClicks(Edit(), QStringLiteral("12"));
    QTest::keyClick(Edit(), Qt::Key_Return);
    QTest::keyClick(Edit(), Qt::Key_Enter);
    EXPECT_TRUE(Dialog->isVisible());
    EXPECT_TRUE(Outcomes.empty());
    EXPECT_FALSE(Ok()->isEnabled());
}

TEST_F(PasswordDialogTest, EnterWithAnEmptyTextClosesWithNothing)
{
    Ask();
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_FALSE(Dialog->isVisible());
    ASSERT_EQ(Outcomes.size(), 1u);
    EXPECT_FALSE(Outcomes[0]);
}

TEST_F(PasswordDialogTest, CancelWritesNothing)
{
    Ask();
    QTest::keyClicks(Edit(), QStringLiteral("3333"));
    QTest::mouseClick(Cancel(), Qt::LeftButton);
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_EQ(Edit()->text(), QString());
    ASSERT_EQ(Outcomes.size(), 1u);
    EXPECT_FALSE(Outcomes[0]);
}

TEST_F(PasswordDialogTest, EscapeIsCancel)
{
    Ask();
    QTest::keyClicks(Edit(), QStringLiteral("3333"));
    QTest::keyClick(Edit(), Qt::Key_Escape);
    EXPECT_FALSE(Dialog->isVisible());
    ASSERT_EQ(Outcomes.size(), 1u);
    EXPECT_FALSE(Outcomes[0]);
}

TEST_F(PasswordDialogTest, TheCloseBoxTakesACompleteTextOnly)
{
    Ask();
    QTest::keyClicks(Edit(), QStringLiteral("ABC"));
    Dialog->close();
    ASSERT_EQ(Outcomes.size(), 1u);
    EXPECT_FALSE(Outcomes[0]);
    Ask();
    QTest::keyClicks(Edit(), QStringLiteral("ABCD"));
    Dialog->close();
    ASSERT_EQ(Outcomes.size(), 2u);
    EXPECT_EQ(Outcomes[1], 0xABCD);
}

TEST_F(PasswordDialogTest, EachRequestStartsEmptyAndIsAnsweredOnce)
{
    Ask();
    QTest::keyClicks(Edit(), QStringLiteral("1111"));
    QTest::keyClick(Edit(), Qt::Key_Return);
    Ask();
    EXPECT_EQ(Edit()->text(), QString());
    EXPECT_FALSE(Ok()->isEnabled());
    // A second request while the first is open ends the first with nothing.
    QTest::keyClicks(Edit(), QStringLiteral("22"));
    Ask();
    ASSERT_EQ(Outcomes.size(), 2u);
    EXPECT_EQ(Outcomes[0], 0x1111);
    EXPECT_FALSE(Outcomes[1]);
    EXPECT_TRUE(Dialog->isVisible());
}

TEST_F(PasswordDialogTest, DismissEndsTheRequestWithNothing)
{
    Ask();
    QTest::keyClicks(Edit(), QStringLiteral("1111"));
    Dialog->Dismiss();
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_FALSE(Dialog->Asking());
    ASSERT_EQ(Outcomes.size(), 1u);
    EXPECT_FALSE(Outcomes[0]);
    Dialog->Dismiss();
    EXPECT_EQ(Outcomes.size(), 1u);
}

TEST_F(PasswordDialogTest, TheOwnerKeepsWorkingWhileItIsOpen)
{
    auto *other = new QLineEdit(Owner.get());
    other->show();
    Ask();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    QTest::keyClicks(other, QStringLiteral("x"));
    EXPECT_EQ(other->text(), QStringLiteral("x"));
}

TEST_F(PasswordDialogTest, TheEditHasTheFocusWhenShown)
{
    Ask();
    EXPECT_EQ(Dialog->focusWidget(), Edit());
}

} // namespace
