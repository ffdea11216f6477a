#include "About.h"

#include "PictureBox.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

TABOUT *ABOUT = nullptr;

namespace {
constexpr int DesignWidth = 282;
}

TABOUT::TABOUT(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ABOUT"));
    setWindowTitle(QStringLiteral("ABOUT"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    auto *outer = new QVBoxLayout(this);
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("AboutPl"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    outer->addWidget(panel);
    auto *layout = new QVBoxLayout(panel);
    auto *picture = new PictureBox(QPixmap(QStringLiteral(":/product.jpg")), panel);
    picture->setObjectName(QStringLiteral("Image2"));
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    picture->setSizePolicy(policy);
    layout->addWidget(picture);
    const char *lines[] = {"Temperature Controller", "Communication Program", "Version 1.0.0.9",
                           "Recommanded Display Resolution 800 x 600 or above"};
    int n = 1;
    for (const char *line : lines) {
        auto *label = new QLabel(QString::fromLatin1(line), panel);
        label->setObjectName(QStringLiteral("Label%1").arg(n++));
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        layout->addWidget(label);
    }
    BaseFont = font();
    outer->setSizeConstraint(QLayout::SetFixedSize);
    panel->setFixedWidth(DesignWidth - 2 * outer->contentsMargins().left());
    ABOUT = this;
}

TABOUT::~TABOUT()
{
    ABOUT = nullptr;
}

void TABOUT::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TABOUT::FormShow()
{
    // The window is laid out for its design width; a wider one scales its
    // text with it.
    const double factor = static_cast<double>(width()) / DesignWidth;
    if (factor > 1.0) {
        QFont scaled = BaseFont;
        scaled.setPointSizeF(BaseFont.pointSizeF() * factor);
        setFont(scaled);
    }
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
}
