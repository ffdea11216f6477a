#include "PictureBox.h"

#include <QPainter>

PictureBox::PictureBox(const QPixmap &picture, QWidget *parent) : QWidget(parent), Image(picture)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

int PictureBox::heightForWidth(int width) const
{
    return Image.isNull() ? 0 : width * Image.height() / Image.width();
}

QSize PictureBox::sizeHint() const
{
    return Image.isNull() ? QSize(100, 100) : Image.size();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    if (Image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize size = Image.size().scaled(this->size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, 0), size);
    painter.drawPixmap(target, Image);
}
