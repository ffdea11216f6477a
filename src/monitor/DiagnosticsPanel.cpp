#include "DiagnosticsPanel.h"

#include "MessageTable.h"
#include "MonitorWidgets.h"
#include "StatusDisplay.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {

void SetText(QLabel *label, const QString &text)
{
    if (label->text() != text)
        label->setText(text);
}

QLabel *Counter(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(QStringLiteral("0"), parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("8888888")));
    return label;
}

} // namespace

DiagnosticsPanel::DiagnosticsPanel(double scale, QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("DebugPL"));
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Raised);
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(ScaledPx(4, scale), ScaledPx(2, scale), ScaledPx(4, scale), ScaledPx(2, scale));
    grid->setHorizontalSpacing(ScaledPx(4, scale));
    grid->setVerticalSpacing(ScaledPx(2, scale));

    grid->addWidget(new QLabel(QStringLiteral("Requests"), this), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("Errors"), this), 2, 0);
    for (int s = 0; s < SlotCount; ++s) {
        const QString digit = QString::number(s);
        auto *heading = new QLabel(MessageTable::DeviceText + QString::number(s + 1), this);
        heading->setAlignment(Qt::AlignCenter);
        grid->addWidget(heading, 0, 1 + s);
        ExecCnt[static_cast<size_t>(s)] = Counter(QStringLiteral("ExecCnt") + digit, this);
        ErrCnt[static_cast<size_t>(s)] = Counter(QStringLiteral("ErrCnt") + digit, this);
        grid->addWidget(ExecCnt[static_cast<size_t>(s)], 1, 1 + s);
        grid->addWidget(ErrCnt[static_cast<size_t>(s)], 2, 1 + s);
        auto *clear = new QPushButton(QStringLiteral("Clear"), this);
        clear->setObjectName(QStringLiteral("ClrBt") + digit);
        clear->setAutoDefault(false);
        grid->addWidget(clear, 3, 1 + s);
        connect(clear, &QPushButton::clicked, this, [this, s] { emit ClearClicked(s); });
    }

    // The selected controller's input readings, each after its caption.
    grid->addWidget(new QLabel(QStringLiteral("Voltage"), this), 1, 5);
    grid->addWidget(new QLabel(QStringLiteral("Cold Junction"), this), 2, 5);
    UV = new QLabel(this);
    UV->setObjectName(QStringLiteral("UV"));
    ColdShow = new QLabel(this);
    ColdShow->setObjectName(QStringLiteral("ColdShow"));
    for (QLabel *reading : {UV, ColdShow}) {
        reading->setFrameShape(QFrame::Panel);
        reading->setFrameShadow(QFrame::Sunken);
        reading->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        reading->setMinimumWidth(reading->fontMetrics().horizontalAdvance(QStringLiteral("- 8888.8")) + 8);
    }
    grid->addWidget(UV, 1, 6);
    grid->addWidget(ColdShow, 2, 6);

    ErrMessage = new QLabel(QStringLiteral("NO Error !!!"), this);
    ErrMessage->setObjectName(QStringLiteral("ErrMessage"));
    ErrMessage->setFrameShape(QFrame::Panel);
    ErrMessage->setFrameShadow(QFrame::Sunken);
    ErrMessage->setMinimumWidth(ErrMessage->fontMetrics().horizontalAdvance(MessageTable::EchoMismatchText) + 12);
    grid->addWidget(ErrMessage, 3, 5, 1, 2);
    grid->setColumnStretch(7, 1);
    RenderMessage(ErrMessage->text(), false);
}

void DiagnosticsPanel::RenderCounters(int slot, std::int32_t requests, std::int32_t errors)
{
    if (slot < 0 || slot >= SlotCount)
        return;
    SetText(ExecCnt[static_cast<size_t>(slot)], QString::number(requests));
    SetText(ErrCnt[static_cast<size_t>(slot)], QString::number(errors));
}

void DiagnosticsPanel::RenderReadings(const QString &voltage, const QString &coldJunction)
{
    SetText(UV, voltage);
    SetText(ColdShow, coldJunction);
}

void DiagnosticsPanel::RenderMessage(const QString &text, bool red)
{
    SetText(ErrMessage, text);
    QPalette p = ErrMessage->palette();
    const QColor color = red ? MonitorColors::Red : MonitorColors::DarkGreen;
    if (p.color(QPalette::WindowText) != color) {
        p.setColor(QPalette::WindowText, color);
        ErrMessage->setPalette(p);
    }
}
