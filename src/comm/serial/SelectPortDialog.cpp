#include "SelectPortDialog.h"

#include "PortDirectory.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

SelectPortDialog::SelectPortDialog(const QList<int> &ports, QWidget *parent)
    : QDialog(parent), PortList(new QComboBox(this))
{
    setWindowTitle(QStringLiteral("Select Port"));
    setObjectName(QStringLiteral("SelectPortDialog"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("The configured serial port is not valid."), this));
    layout->addWidget(new QLabel(QStringLiteral("Please choose another port."), this));
    PortList->setObjectName(QStringLiteral("PortList"));
    const QHash<int, QString> devices = PortDirectory::Describe(PortDirectory::Ports());
    for (int port : ports) {
        PortList->addItem(QStringLiteral("COM%1").arg(port), port);
        PortList->setItemData(PortList->count() - 1, devices.value(port), Qt::ToolTipRole);
    }
    // The closed list tells the chosen port's device too.
    const auto showDevice = [this] { PortList->setToolTip(PortList->currentData(Qt::ToolTipRole).toString()); };
    connect(PortList, &QComboBox::currentIndexChanged, this, showDevice);
    showDevice();
    layout->addWidget(PortList);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBt"));
    ok->setEnabled(!ports.isEmpty());
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("CancelBt"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

int SelectPortDialog::ChosenPort() const
{
    return PortList->currentData().toInt();
}

QList<int> SelectPortDialog::OpenablePorts(const LineFactory &factory)
{
    QList<int> ports;
    if (!factory)
        return ports;
    for (int n = 1; n <= PortDirectory::HighestPort; ++n) {
        try {
            auto line = factory(n);
            line->Open(LineSettings{});
            line->Close();
            ports.append(n);
        } catch (...) {
            // not there, or held by someone else
        }
    }
    return ports;
}

std::optional<int> SelectPortDialog::Choose(const LineFactory &factory)
{
    SelectPortDialog dialog(OpenablePorts(factory));
    if (dialog.exec() != QDialog::Accepted || dialog.ChosenPort() <= 0)
        return std::nullopt;
    return dialog.ChosenPort();
}
