#include "TrendBox.h"

#include "ErrorReport.h"

#include <QPainter>

namespace {

const QColor CurveColour(Qt::white);
const QColor GridColour(0x80, 0x80, 0x80);

QFont LabelFont(int layoutWidth)
{
    QFont font;
    font.setPixelSize(std::max(8, 10 * layoutWidth / 808));
    return font;
}

void DrawLabel(QPainter &painter, const TrendLabel &label)
{
    painter.drawText(QRect(label.TopLeft, QSize(200, 40)), Qt::AlignLeft | Qt::AlignTop, label.Text);
}

void DrawCurve(QPainter &painter, const QLine &line)
{
    if (line.p1() == line.p2())
        painter.drawPoint(line.p1());
    else
        painter.drawLine(line);
}

} // namespace

TrendBox::TrendBox(int layoutWidth, QWidget *parent) : QWidget(parent), Model(layoutWidth)
{
    setObjectName(QStringLiteral("DrawIme"));
    const TrendGeometry &g = Model.Geometry();
    setFixedSize(g.BoxWidth, g.BoxHeight);
    setFont(LabelFont(layoutWidth));
    Picture = QPixmap(g.BoxWidth, g.BoxHeight);
    Picture.fill(Qt::black);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TrendBox::SampleTick(const std::array<std::optional<int>, TrendSlotCount> &words, int selectedSlot)
{
    switch (Model.Sample(words, selectedSlot, ViewActive)) {
    case TrendDraw::None: return;
    case TrendDraw::Full: Redraw(selectedSlot); return;
    case TrendDraw::Incremental: Paint(Model.PlanIncremental()); update(); return;
    }
}

void TrendBox::ShowTrend(int selectedSlot)
{
    show();
    raise();
    if (ViewActive)
        return;
    ViewActive = true;
    Redraw(selectedSlot);
}

void TrendBox::HideTrend()
{
    hide();
    ViewActive = false;
}

void TrendBox::Reset()
{
    Model.Reset();
    Picture.fill(Qt::black);
    update();
}

void TrendBox::Redraw(int selectedSlot)
{
    Paint(Model.PlanFullRedraw(selectedSlot));
    update();
}

void TrendBox::Paint(const TrendFullPlan &plan)
{
    Picture.fill(Qt::black);
    QPainter painter(&Picture);
    painter.setFont(font());
    painter.fillRect(plan.Box, Qt::black);
    painter.setPen(QPen(GridColour, 0));
    for (const QLine &line : plan.Grid)
        painter.drawLine(line);
    painter.setPen(QPen(CurveColour, 0));
    painter.drawLine(plan.HorizontalAxis);
    painter.drawLine(plan.VerticalAxis);
    for (const TrendLabel &label : plan.GridLabels)
        DrawLabel(painter, label);
    for (const QLine &line : plan.Curve)
        DrawCurve(painter, line);
    for (const TrendLabel &label : plan.ValueLabels)
        DrawLabel(painter, label);
    painter.setPen(QPen(CurveColour, 0, Qt::DotLine));
    for (const QLine &line : plan.TimeMarks)
        painter.drawLine(line);
}

void TrendBox::Paint(const TrendStepPlan &plan)
{
    QPainter painter(&Picture);
    painter.setFont(font());
    if (plan.Scroll) {
        const QPixmap strip = Picture.copy(plan.ScrollSource);
        painter.drawPixmap(plan.ScrollTarget, strip);
    }
    painter.setPen(QPen(CurveColour, 0));
    if (plan.Curve)
        DrawCurve(painter, *plan.Curve);
    if (plan.ValueLabel)
        DrawLabel(painter, *plan.ValueLabel);
    if (plan.TimeMark) {
        painter.setPen(QPen(CurveColour, 0, Qt::DotLine));
        painter.drawLine(*plan.TimeMark);
    }
}

void TrendBox::paintEvent(QPaintEvent *)
{
    Guarded([this] {
        QPainter painter(this);
        painter.drawPixmap(0, 0, Picture);
    });
}
