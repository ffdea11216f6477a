#include "RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

TRadioGroup::TRadioGroup(const QString &name, const QString &caption, const QStringList &items, QWidget *parent)
    : QGroupBox(caption, parent), Group(new QButtonGroup(this))
{
    setObjectName(name);
    auto *layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto *button = new QRadioButton(items.at(i), this);
        button->setObjectName(name + QStringLiteral("Item%1").arg(i));
        Group->addButton(button, i);
        layout->addWidget(button);
        Buttons.append(button);
    }
    layout->addStretch();
    connect(Group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit Clicked(id);
    });
}

int TRadioGroup::ItemIndex() const
{
    return Group->checkedId();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (index >= 0 && index < Count()) {
        Buttons.at(index)->setChecked(true);
        return;
    }
    // An exclusive group cannot uncheck its chosen button directly.
    Group->setExclusive(false);
    for (QRadioButton *button : Buttons)
        button->setChecked(false);
    Group->setExclusive(true);
}

QRadioButton *TRadioGroup::Button(int index) const
{
    return index >= 0 && index < Count() ? Buttons.at(index) : nullptr;
}
