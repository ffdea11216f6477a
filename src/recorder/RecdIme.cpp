#include "RecdIme.h"

#include <QPaintEvent>
#include <QPainter>

namespace {
// The chart's labels keep one size: the grid labels sit in the 30 pixels
// left of the value axis whatever the width.
constexpr int LabelPixels = 11;
} // namespace

TRecdIme::TRecdIme(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("RecdIme"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetBoxSize(QSize(795, 365));
}

TRecdIme::~TRecdIme()
{
    EndPainting();
}

void TRecdIme::SetBoxSize(const QSize &size)
{
    EndPainting();
    Pixmap = QPixmap(size.expandedTo(QSize(1, 1)));
    Pixmap.fill(Qt::white);
    setMinimumHeight(Pixmap.height());
    updateGeometry();
    update();
}

QPainter &TRecdIme::Painter()
{
    if (!Active) {
        Active = std::make_unique<QPainter>(&Pixmap);
        QFont font = Active->font();
        font.setPixelSize(LabelPixels);
        Active->setFont(font);
    }
    return *Active;
}

void TRecdIme::EndPainting()
{
    if (Active) {
        Active->end();
        Active.reset();
    }
}

void TRecdIme::FillBox(const QRect &box, const QColor &colour)
{
    Painter().fillRect(box, colour);
}

void TRecdIme::Line(QPoint from, QPoint to, const QColor &colour, int width, bool dotted)
{
    QPainter &p = Painter();
    QPen pen(colour, width, dotted ? Qt::DotLine : Qt::SolidLine, Qt::FlatCap);
    p.setPen(pen);
    p.drawLine(from, to);
}

void TRecdIme::Text(QPoint at, const QString &text, const QColor &colour, Qt::Alignment align)
{
    QPainter &p = Painter();
    p.setPen(colour);
    constexpr int Room = 200;
    const QPoint corner = align & Qt::AlignRight ? at - QPoint(Room, 0) : at;
    p.drawText(QRect(corner, QSize(Room, LabelPixels + 4)), (align & Qt::AlignHorizontal_Mask) | Qt::AlignTop, text);
}

void TRecdIme::ShiftLeft(const QRect &source)
{
    // A picture cannot be scrolled while it is being painted on.
    EndPainting();
    Pixmap.scroll(-1, 0, source);
}

void TRecdIme::Done()
{
    EndPainting();
    update();
}

// The repaint only shows the kept picture: the chart draws into it as
// samples come, so nothing needs drawing again here.
void TRecdIme::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.fillRect(event->rect(), palette().window());
    p.drawPixmap(0, 0, Pixmap);
}
