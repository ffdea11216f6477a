// A captioned group of radio buttons with one chosen item, addressed by its
// index: the settings page's "Baudrate", "Parity Bit" and the other groups.
#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    TRadioGroup(const QString &name, const QString &caption, const QStringList &items, QWidget *parent = nullptr);

    // -1 when no item is chosen.
    int ItemIndex() const;
    // An index outside the items leaves none chosen.
    void SetItemIndex(int index);
    int Count() const { return static_cast<int>(Buttons.size()); }
    QRadioButton *Button(int index) const;

signals:
    // Another item became the chosen one, by a click or by SetItemIndex.
    void Clicked(int index);

private:
    QButtonGroup *Group;
    QList<QRadioButton *> Buttons;
};
