#include "SlotPanel.h"

#include "MessageTable.h"
#include "MonitorWidgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

void SetPointSize(QWidget *widget, double points)
{
    QFont font = widget->font();
    if (font.pointSizeF() == points)
        return;
    font.setPointSizeF(points);
    widget->setFont(font);
}

} // namespace

SlotPanel::SlotPanel(int slot, double scale, QWidget *parent) : QFrame(parent), SlotIndex(slot), Scale(scale)
{
    const QString digit = QString::number(slot);
    setObjectName(QStringLiteral("SelPanel") + digit);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, MonitorColors::Silver);
    setPalette(p);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(ScaledPx(4, scale), ScaledPx(3, scale), ScaledPx(4, scale), ScaledPx(3, scale));
    grid->setHorizontalSpacing(ScaledPx(5, scale));
    grid->setVerticalSpacing(ScaledPx(3, scale));

    AdrLb = new ColorPanel(QStringLiteral("Adr%1Lb").arg(slot), QStringLiteral("Address"), this);
    AdrLb->SetColor(MonitorColors::Gray);
    AdrLb->setFixedHeight(ScaledPx(22, scale));
    AdrLb->setToolTip(MessageTable::DeviceText + QString::number(slot + 1));
    ComAddr = new QSpinBox(this);
    ComAddr->setObjectName(QStringLiteral("ComAddr") + digit);
    ComAddr->setRange(1, 247);
    ComAddr->setValue(1);
    ComAddr->setFixedHeight(ScaledPx(22, scale));
    ComAddr->setAlignment(Qt::AlignRight);
    ComAddr->setAccessibleName(QStringLiteral("Address %1").arg(slot + 1));
    RunBt = new QPushButton(MessageTable::ConnectText, this);
    RunBt->setObjectName(QStringLiteral("RunBt") + digit);
    RunBt->setFixedHeight(ScaledPx(22, scale));
    RunBt->setAutoDefault(false);
    RunLED = new LedShape(QStringLiteral("RunLED") + digit, ScaledPx(16, scale), this);
    auto *runRow = new QHBoxLayout;
    runRow->setSpacing(ScaledPx(4, scale));
    runRow->addWidget(RunBt, 1);
    runRow->addWidget(RunLED);

    grid->addWidget(AdrLb, 0, 0);
    grid->addWidget(ComAddr, 1, 0);
    grid->addLayout(runRow, 0, 1, 2, 1);
    grid->addWidget(ValueBox(QStringLiteral("PVPL") + digit, QStringLiteral(" PV"), PV, QStringLiteral("PV") + digit), 0, 2,
                    2, 1);
    grid->addWidget(ValueBox(QStringLiteral("SVPL") + digit, QStringLiteral(" SV"), SV, QStringLiteral("SV") + digit), 0, 3,
                    2, 1);
    DegLb = new QLabel(QStringLiteral("C"), this);
    DegLb->setObjectName(QStringLiteral("DegLb") + digit);
    DegLb->setAlignment(Qt::AlignCenter);
    DegLb->setMinimumWidth(DegLb->fontMetrics().horizontalAdvance(QStringLiteral("EU")) + 2);
    grid->addWidget(DegLb, 0, 4, 2, 1);

    O1Lb = new QLabel(MessageTable::Out1Text, this);
    O1Lb->setObjectName(QStringLiteral("O1Lb") + digit);
    O2Lb = new QLabel(MessageTable::Out2Text, this);
    O2Lb->setObjectName(QStringLiteral("O2Lb") + digit);
    OUT1 = new OutputGauge(QStringLiteral("OUT1") + digit, this);
    OUT2 = new OutputGauge(QStringLiteral("OUT2") + digit, this);
    for (OutputGauge *gauge : {OUT1, OUT2}) {
        gauge->setFixedHeight(ScaledPx(16, scale));
        gauge->setMinimumWidth(ScaledPx(70, scale));
    }
    grid->addWidget(O1Lb, 0, 5);
    grid->addWidget(OUT1, 0, 6);
    grid->addWidget(O2Lb, 1, 5);
    grid->addWidget(OUT2, 1, 6);
    grid->addWidget(BuildAlarms(), 0, 7, 2, 1);
    grid->setColumnStretch(6, 1);

    // Event lamps and current transformer reading: never shown.
    StatusPl = new QFrame(this);
    StatusPl->setObjectName(QStringLiteral("StatusPl") + digit);
    auto *status = new QHBoxLayout(StatusPl);
    status->addWidget(new QLabel(QStringLiteral("CT = 0 A"), StatusPl));
    StatusPl->hide();

    connect(RunBt, &QPushButton::clicked, this, &SlotPanel::RunClicked);
    connect(ComAddr, &QSpinBox::valueChanged, this, &SlotPanel::AddressChanged);
    connect(AdrLb, &ColorPanel::Clicked, this, &SlotPanel::AddressPanelClicked);

    Render(MonitorSlot{}, SlotView{}, false);
}

QWidget *SlotPanel::ValueBox(const QString &panelName, const QString &caption, QLineEdit *&box, const QString &boxName)
{
    auto *panel = new QFrame(this);
    panel->setObjectName(panelName);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    auto *layout = new QHBoxLayout(panel);
    layout->setContentsMargins(ScaledPx(2, Scale), ScaledPx(2, Scale), ScaledPx(2, Scale), ScaledPx(2, Scale));
    layout->setSpacing(ScaledPx(2, Scale));
    auto *label = new QLabel(caption, panel);
    label->setObjectName(panelName + QStringLiteral("Caption"));
    box = new QLineEdit(panel);
    box->setObjectName(boxName);
    box->setAccessibleName(caption.trimmed() + QLatin1Char(' ') + QString::number(SlotIndex + 1));
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont font = box->font();
    font.setPointSizeF(10 * Scale);
    box->setFont(font);
    // Wide enough for "- 1234.5" and "Waiting..." in the larger font.
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("- 8888.8")) + ScaledPx(10, Scale));
    layout->addWidget(label);
    layout->addWidget(box);
    return panel;
}

QWidget *SlotPanel::BuildAlarms()
{
    const QString digit = QString::number(SlotIndex);
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("AlarmPl") + digit);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    auto *layout = new QGridLayout(panel);
    layout->setContentsMargins(ScaledPx(3, Scale), ScaledPx(1, Scale), ScaledPx(3, Scale), ScaledPx(1, Scale));
    layout->setHorizontalSpacing(ScaledPx(3, Scale));
    layout->setVerticalSpacing(0);
    for (int a = 0; a < 3; ++a) {
        const QString n = QString::number(a + 1);
        AlarmLeds[static_cast<size_t>(a)] =
            new LedShape(QStringLiteral("ALM%1LED%2").arg(n, digit), ScaledPx(10, Scale), panel);
        AlarmLeds[static_cast<size_t>(a)]->SetColor(MonitorColors::Silver);
        auto *label = new QLabel(QStringLiteral("Alarm ") + n, panel);
        label->setObjectName(QStringLiteral("ALM%1LB%2").arg(n, digit));
        AlarmLabels[static_cast<size_t>(a)] = label;
        layout->addWidget(AlarmLeds[static_cast<size_t>(a)], a, 0);
        layout->addWidget(label, a, 1);
    }
    // The third alarm comes and goes; the panel keeps its size.
    for (QWidget *w : {static_cast<QWidget *>(AlarmLeds[2]), static_cast<QWidget *>(AlarmLabels[2])}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    return panel;
}

int SlotPanel::Address() const
{
    return ComAddr->value();
}

void SlotPanel::Render(const MonitorSlot &slot, const SlotView &view, bool selected)
{
    using namespace MonitorColors;
    const bool connected = slot.SlotConnected;
    const QString caption = connected ? MessageTable::CancelText : MessageTable::ConnectText;
    if (RunBt->text() != caption)
        RunBt->setText(caption);
    RunLED->SetColor(LedColor(slot.Led));
    AdrLb->SetColor(connected ? SkyBlue : Gray);
    const QColor panel = connected && selected ? Yellow : Silver;
    if (palette().color(QPalette::Window) != panel) {
        QPalette p = palette();
        p.setColor(QPalette::Window, panel);
        setPalette(p);
    }

    if (PvPointSize != view.PvFontSize) {
        PvPointSize = view.PvFontSize;
        SetPointSize(PV, view.PvFontSize * Scale);
    }
    if (PV->text() != view.PvText)
        PV->setText(view.PvText);
    if (SV->text() != view.SvText)
        SV->setText(view.SvText);
    if (DegLb->text() != view.UnitText)
        DegLb->setText(view.UnitText);

    ShowOutputs(O1Lb, OUT1, O2Lb, OUT2, view.Outputs, view.OutputsShown, view.Out1Level, view.Out2Level);
    const OutputsView &out = view.Outputs;

    // Before a status step has shown the outputs, alarms 1 and 2 are there
    // and the third is not.
    const std::array<bool, 3> shown{view.OutputsShown ? out.Alarm1Visible : true,
                                    view.OutputsShown ? out.Alarm2Visible : true,
                                    view.OutputsShown && out.Alarm3Visible};
    const std::array<bool, 3> on{view.Alarm1On, view.Alarm2On, view.Alarm3On};
    for (size_t a = 0; a < 3; ++a) {
        AlarmLeds[a]->setVisible(shown[a]);
        AlarmLabels[a]->setVisible(shown[a]);
        AlarmLeds[a]->SetColor(on[a] ? Red : Silver);
    }
}
