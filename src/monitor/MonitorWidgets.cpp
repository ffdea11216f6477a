#include "MonitorWidgets.h"

#include "ErrorReport.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cmath>

int ScaledPx(int designPx, double scale)
{
    return static_cast<int>(std::lround(designPx * scale));
}

// ---- LedShape ---------------------------------------------------------------

LedShape::LedShape(const QString &name, int diameter, QWidget *parent) : QWidget(parent), Fill(0x80, 0x80, 0x80)
{
    setObjectName(name);
    setFixedSize(diameter, diameter);
}

void LedShape::SetColor(const QColor &color)
{
    if (Fill == color)
        return;
    Fill = color;
    update();
}

void LedShape::paintEvent(QPaintEvent *)
{
    Guarded([this] {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
        painter.setBrush(Fill);
        painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    });
}

// ---- OutputGauge ------------------------------------------------------------

OutputGauge::OutputGauge(const QString &name, QWidget *parent) : QWidget(parent), Fill(0xFF, 0x00, 0xFF)
{
    setObjectName(name);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void OutputGauge::SetPosition(int position)
{
    position = std::clamp(position, 0, 1000);
    if (Value == position)
        return;
    Value = position;
    update();
}

void OutputGauge::SetColor(const QColor &color)
{
    if (Fill == color)
        return;
    Fill = color;
    update();
}

QSize OutputGauge::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(QStringLiteral("100%")) * 2, metrics.height() + 4};
}

void OutputGauge::paintEvent(QPaintEvent *)
{
    Guarded([this] {
        QPainter painter(this);
        const QRect frame = rect().adjusted(0, 0, -1, -1);
        painter.fillRect(frame, Qt::white);
        QRect filled = frame.adjusted(1, 1, 0, 0);
        filled.setWidth(filled.width() * Value / 1000);
        painter.fillRect(filled, Fill);
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.drawRect(frame);
        painter.setPen(Qt::black);
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("%1%").arg(Value / 10));
    });
}

// ---- ColorPanel -------------------------------------------------------------

ColorPanel::ColorPanel(const QString &name, const QString &caption, QWidget *parent)
    : QLabel(caption, parent), Background(0xC0, 0xC0, 0xC0), Foreground(Qt::black)
{
    setObjectName(name);
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    Restyle();
}

void ColorPanel::SetColor(const QColor &color)
{
    if (Background == color)
        return;
    Background = color;
    Restyle();
}

void ColorPanel::SetTextColor(const QColor &color)
{
    if (Foreground == color)
        return;
    Foreground = color;
    Restyle();
}

void ColorPanel::Restyle()
{
    QPalette p = palette();
    p.setColor(QPalette::Window, Background);
    p.setColor(QPalette::WindowText, Foreground);
    setPalette(p);
}

void ColorPanel::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        emit Clicked();
}

void ColorPanel::mouseDoubleClickEvent(QMouseEvent *event)
{
    QLabel::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit DoubleClicked();
}

// ---- CloseUpList ------------------------------------------------------------

namespace {

// Owner-drawn lists have an item height of their own, scaled with the window.
class ItemHeightDelegate : public QStyledItemDelegate {
public:
    ItemHeightDelegate(int height, QObject *parent) : QStyledItemDelegate(parent), Height(height) {}
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(Height, size.height()));
        return size;
    }

private:
    int Height;
};

} // namespace

void SetTextColor(QLabel *label, const QColor &color)
{
    QPalette p = label->palette();
    if (p.color(QPalette::WindowText) == color)
        return;
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
}

void ShowOutputs(QLabel *label1, OutputGauge *gauge1, QLabel *label2, OutputGauge *gauge2, const OutputsView &outputs,
                 bool shown, int level1, int level2)
{
    const bool out1 = shown && outputs.Out1Visible;
    const bool out2 = shown && outputs.Out2Visible;
    label1->setVisible(out1);
    gauge1->setVisible(out1);
    label2->setVisible(out2);
    gauge2->setVisible(out2);
    if (shown) {
        SetTextColor(label1, outputs.Out1Label);
        SetTextColor(label2, outputs.Out2Label);
        gauge1->SetColor(outputs.Out1Gauge);
        gauge2->SetColor(outputs.Out2Gauge);
    }
    gauge1->SetPosition(shown ? level1 : 0);
    gauge2->SetPosition(shown ? level2 : 0);
}

CloseUpList::CloseUpList(const QString &name, const QStringList &items, int itemHeight, QWidget *parent)
    : QComboBox(parent)
{
    setObjectName(name);
    addItems(items);
    setCurrentIndex(-1);
    setItemDelegate(new ItemHeightDelegate(itemHeight, this));
    setFocusPolicy(Qt::StrongFocus);
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
}

void CloseUpList::showPopup()
{
    if (Closing)
        return;
    if (!Open) {
        Open = true;
        emit DropDown();
    }
    QComboBox::showPopup();
}

void CloseUpList::hidePopup()
{
    QComboBox::hidePopup();
    if (!Open || Closing)
        return;
    // The list closes before the chosen item becomes the current one: the
    // close-up is told once that has happened. Until then the list counts
    // as open, so that nothing shown meanwhile replaces the user's choice.
    Closing = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            Open = false;
            Closing = false;
            emit CloseUp();
        },
        Qt::QueuedConnection);
}

void CloseUpList::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        if (!(event->modifiers() & Qt::AltModifier)) {
            showPopup();
            return;
        }
        break;
    default:
        // Typing a letter would pick an item without the list opening.
        if (!event->text().isEmpty() && event->text().at(0).isPrint() && event->key() != Qt::Key_Space) {
            event->ignore();
            return;
        }
        break;
    }
    QComboBox::keyPressEvent(event);
}

void CloseUpList::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}
