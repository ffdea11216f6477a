// "Select Port": asked when a port without number is opened. Lists the
// ports COM1-COM50 that can be opened right now.
#pragma once

#include "SerialLine.h"

#include <QDialog>

#include <optional>

class QComboBox;

class SelectPortDialog : public QDialog {
    Q_OBJECT
public:
    SelectPortDialog(const QList<int> &ports, QWidget *parent = nullptr);
    int ChosenPort() const;

    // The ports among COM1-COM50 that the factory can open at this moment.
    static QList<int> OpenablePorts(const LineFactory &factory);
    // Shows the dialog modally: the chosen port, or none after "Cancel".
    static std::optional<int> Choose(const LineFactory &factory);

private:
    QComboBox *PortList;
};
