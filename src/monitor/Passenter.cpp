#include "Passenter.h"

#include "ErrorReport.h"
#include "Security.h"
#include "WindowPlacement.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TQMVPassword *QMVPassword = nullptr;

TQMVPassword::TQMVPassword(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("QMVPassword"));
    setWindowTitle(QStringLiteral("Password Dialog"));
    setModal(false);

    Label1 = new QLabel(QStringLiteral("Enter 4 digits of password "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("with 0~9, A~F"), this);
    Label2->setObjectName(QStringLiteral("Label2"));

    PassEdit1 = new QLineEdit(this);
    PassEdit1->setObjectName(QStringLiteral("PassEdit1"));
    PassEdit1->setMaxLength(PasswordLength);
    PassEdit1->setEchoMode(QLineEdit::Password);
    // The style's own mask character differs between platforms; the
    // controller's manual shows stars.
    PassEdit1->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    PassEdit1->installEventFilter(this);

    PassBt = new QPushButton(QStringLiteral("OK"), this);
    PassBt->setObjectName(QStringLiteral("PassBt"));
    PassBt->setEnabled(false);
    CancelBt = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBt->setObjectName(QStringLiteral("CancelBt"));
    // Enter belongs to the edit's own rule, never to a default button.
    for (QPushButton *button : {PassBt, CancelBt}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(PassEdit1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(PassBt);
    buttons->addWidget(CancelBt);
    layout->addLayout(buttons);

    connect(PassEdit1, &QLineEdit::textChanged, this, GuardedSlot([this] { PassEdit1Change(); }));
    connect(PassBt, &QPushButton::clicked, this, GuardedSlot([this] { PassBtClick(PassBt); }));
    connect(CancelBt, &QPushButton::clicked, this, GuardedSlot([this] { PassBtClick(CancelBt); }));
}

void TQMVPassword::Ask(Outcome done, QWidget *asking)
{
    Finish(std::nullopt);
    Pending = std::move(done);
    // Each request starts empty: a password typed for one register is no
    // answer for the next.
    PassEdit1->clear();
    PassBt->setEnabled(false);
    ShowOver(this, asking ? asking : parentWidget());
}

void TQMVPassword::Dismiss()
{
    PassEdit1->clear();
    if (isVisible())
        close();
    Finish(std::nullopt);
}

void TQMVPassword::FormShow()
{
    PassEdit1->setFocus();
}

void TQMVPassword::PassEdit1Change()
{
    const QString text = PassEdit1->text();
    const QString filtered = FilterPasswordText(text);
    if (filtered != text) {
        PassEdit1->setText(filtered);  // comes back here once, with nothing left to change
        return;
    }
    PassBt->setEnabled(PasswordComplete(text));
}

void TQMVPassword::PassEdit1KeyPress(int key)
{
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && PasswordClosable(PassEdit1->text()))
        close();
}

void TQMVPassword::PassBtClick(QPushButton *sender)
{
    if (sender == CancelBt)
        PassEdit1->clear();
    close();
}

void TQMVPassword::FormClose()
{
    // A text of one to three characters (possible only through the close
    // box) writes nothing, as an empty one.
    Finish(PasswordValue(PassEdit1->text()));
}

void TQMVPassword::Finish(std::optional<int> password)
{
    Outcome done = std::move(Pending);
    Pending = nullptr;
    if (done)
        done(password);
}

void TQMVPassword::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TQMVPassword::closeEvent(QCloseEvent *event)
{
    Guarded([this] { FormClose(); });
    QDialog::closeEvent(event);
}

void TQMVPassword::keyPressEvent(QKeyEvent *event)
{
    // Escape is the Cancel button, so that it ends the request like one.
    if (event->key() == Qt::Key_Escape) {
        Guarded([this] { PassBtClick(CancelBt); });
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TQMVPassword::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == PassEdit1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Guarded([this, key] { PassEdit1KeyPress(key); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
