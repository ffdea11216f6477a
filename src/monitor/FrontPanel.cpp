#include "FrontPanel.h"

#include "ErrorReport.h"
#include "MessageTable.h"
#include "MonitorWidgets.h"

#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The picture's design size at a window 808 wide.
constexpr int PictureWidth = 240;
constexpr int PictureHeight = 196;

const QColor Body(0x2E, 0x31, 0x36);
const QColor Bezel(0x1B, 0x1D, 0x20);
const QColor Glass(0x05, 0x05, 0x05);
const QColor Caption(0xE0, 0xE0, 0xE0);
const QColor PvDigits(0xFF, 0x3A, 0x2A);
const QColor SvDigits(0x3C, 0xFF, 0x5A);

struct LampPlace {
    int X, Y;
    const char *Caption;
};
// OUT1, OUT2, AT, ALM along the bottom; C and F beside the process value.
constexpr LampPlace Lamps[6] = {
    {22, 140, "OUT1"}, {72, 140, "OUT2"}, {122, 140, "AT"}, {172, 140, "ALM"}, {214, 22, "C"}, {214, 50, "F"},
};
constexpr int LampSize = 12;


} // namespace

// ---- FrontPicture -----------------------------------------------------------

FrontPicture::FrontPicture(double scale, QWidget *parent) : QWidget(parent), Scale(scale)
{
    setObjectName(QStringLiteral("ImeA1"));
    setFixedSize(ScaledPx(PictureWidth, scale), ScaledPx(PictureHeight, scale));
}

QRect FrontPicture::Design(int x, int y, int w, int h) const
{
    return {ScaledPx(x, Scale), ScaledPx(y, Scale), ScaledPx(w, Scale), ScaledPx(h, Scale)};
}

QRect FrontPicture::PvWindow() const
{
    return Design(12, 12, 184, 58);
}

QRect FrontPicture::SvWindow() const
{
    return Design(12, 76, 184, 54);
}

QPoint FrontPicture::LampAt(int index) const
{
    const LampPlace &lamp = Lamps[std::clamp(index, 0, 5)];
    return {ScaledPx(lamp.X, Scale), ScaledPx(lamp.Y, Scale)};
}

int FrontPicture::LampDiameter() const
{
    return ScaledPx(LampSize, Scale);
}

void FrontPicture::paintEvent(QPaintEvent *)
{
    Guarded([this] {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF body = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(Bezel, ScaledPx(3, Scale)));
        painter.setBrush(Body);
        painter.drawRoundedRect(body, ScaledPx(8, Scale), ScaledPx(8, Scale));

        painter.setPen(QPen(Bezel, ScaledPx(2, Scale)));
        painter.setBrush(Glass);
        painter.drawRect(PvWindow());
        painter.drawRect(SvWindow());

        QFont small = font();
        small.setPixelSize(std::max(7, ScaledPx(9, Scale)));
        small.setBold(true);
        painter.setFont(small);
        painter.setPen(Caption);
        const QRect pv = PvWindow();
        const QRect sv = SvWindow();
        painter.drawText(QRect(pv.left() + ScaledPx(3, Scale), pv.top(), pv.width(), ScaledPx(12, Scale)),
                         Qt::AlignLeft | Qt::AlignTop, QStringLiteral("PV"));
        painter.drawText(QRect(sv.left() + ScaledPx(3, Scale), sv.top(), sv.width(), ScaledPx(12, Scale)),
                         Qt::AlignLeft | Qt::AlignTop, QStringLiteral("SV"));
        const int d = LampDiameter();
        for (int i = 0; i < 6; ++i) {
            const QPoint at = LampAt(i);
            const QString text = QString::fromLatin1(Lamps[i].Caption);
            if (i < 4) {
                painter.drawText(QRect(at.x() - d, at.y() + d, 3 * d, ScaledPx(12, Scale)), Qt::AlignCenter, text);
            } else {
                // The unit lamps carry a degree sign.
                painter.drawText(QRect(at.x() - ScaledPx(2, Scale), at.y() + d, d + ScaledPx(8, Scale),
                                       ScaledPx(12, Scale)),
                                 Qt::AlignCenter, QStringLiteral("\u00B0") + text);
            }
        }

        // The four keys of the controller.
        painter.setPen(QPen(Bezel, 1));
        painter.setBrush(QColor(0x55, 0x5A, 0x62));
        const int keyY = ScaledPx(172, Scale);
        for (int k = 0; k < 4; ++k) {
            const QRect key(ScaledPx(30 + 48 * k, Scale), keyY, ScaledPx(34, Scale), ScaledPx(14, Scale));
            painter.drawRoundedRect(key, ScaledPx(3, Scale), ScaledPx(3, Scale));
        }
    });
}

// ---- FrontPanel -------------------------------------------------------------

FrontPanel::FrontPanel(double scale, QWidget *parent) : QWidget(parent), Scale(scale)
{
    setObjectName(QStringLiteral("FrontPanel"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(ScaledPx(3, scale));

    auto *qmx = new QFrame(this);
    qmx->setObjectName(QStringLiteral("QMX1"));
    auto *qmxLayout = new QVBoxLayout(qmx);
    qmxLayout->setContentsMargins(0, 0, 0, 0);
    ImeA1 = new FrontPicture(scale, qmx);
    qmxLayout->addWidget(ImeA1);
    layout->addWidget(qmx, 0, Qt::AlignHCenter);

    const auto digits = [this](const QString &name, const QRect &window, const QColor &color) {
        auto *label = new QLabel(ImeA1);
        label->setObjectName(name);
        // Room for the window's caption at the left.
        label->setGeometry(window.adjusted(ScaledPx(16, Scale), 0, -ScaledPx(6, Scale), 0));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setAttribute(Qt::WA_TranslucentBackground);
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
        SetTextColor(label, color);
        return label;
    };
    PVDisp = digits(QStringLiteral("PVDisp"), ImeA1->PvWindow(), PvDigits);
    SVDisp = digits(QStringLiteral("SVDisp"), ImeA1->SvWindow(), SvDigits);

    const char *names[6] = {"O1LED", "O2LED", "ATLED", "ALM1LED", "DegC", "DegF"};
    LedShape **lamps[6] = {&O1LED, &O2LED, &ATLED, &ALM1LED, &DegC, &DegF};
    for (int i = 0; i < 6; ++i) {
        *lamps[i] = new LedShape(QString::fromLatin1(names[i]), ImeA1->LampDiameter(), ImeA1);
        (*lamps[i])->move(ImeA1->LampAt(i));
    }

    auto *gauges = new QGridLayout;
    gauges->setContentsMargins(0, 0, 0, 0);
    gauges->setHorizontalSpacing(ScaledPx(5, scale));
    gauges->setVerticalSpacing(ScaledPx(2, scale));
    O1Lb = new QLabel(MessageTable::Out1Text, this);
    O1Lb->setObjectName(QStringLiteral("O1Lb"));
    O2Lb = new QLabel(MessageTable::Out2Text, this);
    O2Lb->setObjectName(QStringLiteral("O2Lb"));
    Out1Qty = new OutputGauge(QStringLiteral("Out1Qty"), this);
    Out2Qty = new OutputGauge(QStringLiteral("Out2Qty"), this);
    for (QWidget *w : {static_cast<QWidget *>(O1Lb), static_cast<QWidget *>(O2Lb), static_cast<QWidget *>(Out1Qty),
                       static_cast<QWidget *>(Out2Qty)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    Out1Qty->setFixedHeight(ScaledPx(16, scale));
    Out2Qty->setFixedHeight(ScaledPx(16, scale));
    gauges->addWidget(O1Lb, 0, 0);
    gauges->addWidget(Out1Qty, 0, 1);
    gauges->addWidget(O2Lb, 1, 0);
    gauges->addWidget(Out2Qty, 1, 1);
    gauges->setColumnStretch(1, 1);
    layout->addLayout(gauges);
    layout->addStretch(1);

    Render(LargeView{});
}

void FrontPanel::Render(const LargeView &view)
{
    using namespace MonitorColors;
    const double pvPoints = (view.PvFault ? 14 : 32) * Scale;
    if (pvPoints != PvPoints) {
        PvPoints = pvPoints;
        QFont font = PVDisp->font();
        font.setPointSizeF(pvPoints);
        PVDisp->setFont(font);
    }
    PVDisp->setAlignment((view.PvFault ? Qt::AlignHCenter : Qt::AlignRight) | Qt::AlignVCenter);
    if (PVDisp->text() != view.PvText)
        PVDisp->setText(view.PvText);

    const double svPoints = view.SvFontSize * Scale;
    if (svPoints != SvPoints) {
        SvPoints = svPoints;
        QFont font = SVDisp->font();
        font.setPointSizeF(svPoints);
        SVDisp->setFont(font);
    }
    if (SVDisp->text() != view.SvText)
        SVDisp->setText(view.SvText);

    const bool known = view.LightsKnown;
    const LedLights &l = view.Lights;
    O1LED->SetColor(known && l.Out1 ? Green : Gray);
    O2LED->SetColor(known && l.Out2 ? Green : Gray);
    ATLED->SetColor(known && l.AutoTuning ? Green : Gray);
    ALM1LED->SetColor(known && (l.Alarm1 || l.Alarm2 || l.Alarm3) ? Red : Gray);
    DegC->SetColor(known && l.DegC ? Yellow : Gray);
    DegF->SetColor(known && l.DegF ? Yellow : Gray);

    ShowOutputs(O1Lb, Out1Qty, O2Lb, Out2Qty, view.Outputs, view.OutputsShown, view.Out1Level, view.Out2Level);
}
