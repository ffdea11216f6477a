#include "ErrorReport.h"
#include "FakePeer.h"
#include "SelectPortDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

TEST(SelectPortDialog, ListsTheOpenablePortsFirstPreselected)
{
    FakePeer peer;
    // COM1-COM4 exist; COM3 cannot be opened right now.
    const LineFactory factory = [&](int n) -> std::unique_ptr<SerialLine> {
        if (n < 1 || n > 4)
            throw ComError(QStringLiteral("ie_BadId - Specified comport doesn't exist"));
        if (n == 3)
            throw ComError(QStringLiteral("ie_Open - device already open"));
        return std::make_unique<InProcessLine>(&peer);
    };
    const QList<int> ports = SelectPortDialog::OpenablePorts(factory);
    EXPECT_EQ(ports, QList<int>({1, 2, 4}));

    SelectPortDialog dialog(ports);
    EXPECT_EQ(dialog.windowTitle(), "Select Port");
    QStringList texts;
    for (QLabel *label : dialog.findChildren<QLabel *>())
        texts << label->text();
    EXPECT_EQ(texts, QStringList({"The configured serial port is not valid.", "Please choose another port."}));
    auto *list = dialog.findChild<QComboBox *>("PortList");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentText(), "COM1");
    EXPECT_EQ(list->itemText(2), "COM4");
    list->setCurrentIndex(2);
    EXPECT_EQ(dialog.ChosenPort(), 4);
    EXPECT_EQ(dialog.findChild<QPushButton *>("OKBt")->text(), "OK");
    EXPECT_EQ(dialog.findChild<QPushButton *>("CancelBt")->text(), "Cancel");
}

TEST(SelectPortDialog, NothingToChooseDisablesOk)
{
    SelectPortDialog dialog({});
    EXPECT_FALSE(dialog.findChild<QPushButton *>("OKBt")->isEnabled());
}

} // namespace
