// The editor window: its controls, the edit page and the files, on the
// offscreen platform.
#include "ErrorReport.h"
#include "MessageBoxes.h"
#include "MessageTable.h"
#include "Ramp.h"
#include "RampFile.h"
#include "RampTestSupport.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList Items(const QComboBox *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

QStringList Numbers(int last)
{
    QStringList items;
    for (int i = 0; i <= last; ++i)
        items << QString::number(i);
    return items;
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    file.close();
    return bytes;
}

class RampSoakWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        SetMessageSink([this](const QString &text, const QString &caption) { Messages << text + '|' + caption; });
        SetErrorReporter([this](const QString &text) { Errors << text; });
        Window.SetFileDialogs({[this](const FileChoice &) { return OpenAnswer; },
                               [this](const FileChoice &) { return SaveAnswer; },
                               [this](const QString &text) {
                                   Questions << text;
                                   return ConfirmAnswer;
                               }});
        Window.show();
    }
    void TearDown() override
    {
        EXPECT_TRUE(Errors.isEmpty()) << Errors.join(QLatin1Char('\n')).toStdString();
        SetMessageSink({});
        SetErrorReporter({});
    }
    template <typename T>
    T *Find(const char *name) const
    {
        T *widget = Window.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    bool Shown(const char *name) const { return Find<QWidget>(name)->isVisibleTo(&Window); }
    bool Enabled(const char *name) const { return Find<QWidget>(name)->isEnabled(); }
    QString FilePath(const QString &name) const { return Folder.filePath(name); }

    void Load(const RampSoakProgram &program)
    {
        OpenAnswer = FilePath(QStringLiteral("load.r$s"));
        ASSERT_TRUE(SaveRampFile(OpenAnswer, program));
        Window.ReadFBtClick();
        ASSERT_EQ(RampProgram, program);
    }
    // Clicks a cell as the table counts (pattern p is column p + 1).
    void Click(int column, int row) { Find<QTableWidget>("ProgTable")->setCurrentCell(row - 1, column - 1); }
    void Type(const QString &text)
    {
        auto *edit = Find<QLineEdit>("SPEdit");
        edit->clear();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    void ChooseHour(int hour)
    {
        auto *list = Find<QComboBox>("TimeHour");
        list->setCurrentIndex(hour);
        emit list->activated(hour);
    }

    ProgramSetGuard Guard;
    TRampSoak Window;
    QTemporaryDir Folder;
    QString OpenAnswer;
    QString SaveAnswer;
    bool ConfirmAnswer = true;
    QStringList Questions;
    QStringList Messages;
    QStringList Errors;
};

TEST_F(RampSoakWindowTest, TheWindowBeforeAnyData)
{
    EXPECT_EQ(Window.windowTitle(), QStringLiteral("Ramp Soak programer"));
    // A tool window of the monitor, above it only.
    EXPECT_FALSE(Window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(Window.windowType(), Qt::Tool);
    EXPECT_FALSE(Window.isModal());
    EXPECT_EQ(Window.CellText(0, 0), QString());
    EXPECT_EQ(Window.CellText(1, 0), QStringLiteral("Pattern 0"));
    EXPECT_EQ(Window.CellText(8, 0), QStringLiteral("Pattern 7"));
    const std::vector<std::pair<int, const char *>> headings{
        {1, "Step Max."},        {2, "Set Value 0"},       {3, "Execute Time 0"}, {16, "Set Value 7"},
        {17, "Execute Time 7"}, {18, "Loop Count"},       {19, "Link Pattern"}};
    for (const auto &[row, text] : headings)
        EXPECT_EQ(Window.CellText(0, row), QString::fromLatin1(text)) << row;
    EXPECT_EQ(Window.CellText(1, 1), QString());
    EXPECT_EQ(Window.CellText(8, 19), QString());

    EXPECT_EQ(Find<QLabel>("StartPLB")->text(), QStringLiteral("Start Pattern"));
    EXPECT_EQ(Items(Find<QComboBox>("ProgStart")),
              (QStringList{"Pattern 0", "Pattern 1", "Pattern 2", "Pattern 3", "Pattern 4", "Pattern 5", "Pattern 6",
                           "Pattern 7"}));
    const std::vector<std::pair<const char *, const char *>> buttons{
        {"ReadSBt", "Read Setting"}, {"ReadFBt", "Read File"}, {"SaveFBt", "Save to ..."},
        {"WrBt", "Write"},          {"EditPBt", "Edit"},      {"RetBt", "Back"},
        {"POKBt", "Enter"}};
    for (const auto &[name, caption] : buttons)
        EXPECT_EQ(Find<QPushButton>(name)->text(), QString::fromLatin1(caption)) << name;
    EXPECT_FALSE(Enabled("ProgStart"));
    EXPECT_TRUE(Enabled("ReadSBt"));
    EXPECT_TRUE(Enabled("ReadFBt"));
    EXPECT_FALSE(Enabled("SaveFBt"));
    EXPECT_FALSE(Enabled("WrBt"));
    EXPECT_FALSE(Enabled("EditPBt"));
    EXPECT_TRUE(Enabled("RetBt"));

    EXPECT_EQ(Find<QGroupBox>("EditBox")->title(), QStringLiteral("Edit Page"));
    for (const char *hidden : {"EditBox", "StepLinkLb", "MaxStep", "SPEdit", "StepLink", "TimeHour", "TimeMinLb",
                               "TimeMin", "ProgCurve", "UpLoadLabelP", "UpLoadBarP"})
        EXPECT_FALSE(Shown(hidden)) << hidden;
    EXPECT_EQ(Items(Find<QComboBox>("MaxStep")), Numbers(7));
    EXPECT_EQ(Items(Find<QComboBox>("TimeHour")), Numbers(15));
    EXPECT_EQ(Items(Find<QComboBox>("StepLink")),
              (QStringList{"Pattern 0", "Pattern 1", "Pattern 2", "Pattern 3", "Pattern 4", "Pattern 5", "Pattern 6",
                           "Pattern 7", "Prog End"}));
    EXPECT_EQ(Find<QLabel>("TimeMinLb")->text(), QStringLiteral("Minute"));
    EXPECT_EQ(Find<QSpinBox>("TimeMin")->minimum(), 0);
    EXPECT_EQ(Find<QSpinBox>("TimeMin")->maximum(), 59);
    EXPECT_EQ(Find<QProgressBar>("UpLoadBarP")->maximum(), 1000);
    EXPECT_EQ(Find<QLabel>("ProgCurve")->size(), QSize(560, 95));
    EXPECT_EQ(Window.SelectedCell(), (TRampSoak::GridCell{0, 0}));
}

TEST_F(RampSoakWindowTest, ReadFileFillsTheTableAndDrawsTheCurve)
{
    RampSoakProgram program = ExampleProgram();
    program.LinkPattern[1] = 3;
    program.StartPattern = 0;
    Load(program);
    EXPECT_TRUE(Messages.isEmpty());
    for (const char *name : {"ProgStart", "SaveFBt", "WrBt", "EditPBt", "ReadSBt", "ReadFBt"})
        EXPECT_TRUE(Enabled(name)) << name;
    EXPECT_EQ(Window.CellText(1, 2), QStringLiteral("25.0"));
    EXPECT_EQ(Window.CellText(1, 3), QStringLiteral("00:30"));
    EXPECT_EQ(Window.CellText(1, 4), QStringLiteral("100.0"));
    EXPECT_EQ(Window.CellText(1, 5), QStringLiteral("01:30"));
    EXPECT_EQ(Window.CellText(1, 6), QStringLiteral("0.0"));
    // A loaded link shows as the link list's item of that value.
    const QStringList links = Items(Find<QComboBox>("StepLink"));
    EXPECT_EQ(Window.CellText(1, 19), links[8]);
    EXPECT_EQ(Window.CellText(2, 19), links[3]);
    EXPECT_TRUE(Shown("ProgCurve"));
    EXPECT_TRUE(Window.Curve().Shown);
    EXPECT_EQ(Window.Curve().Duration, 360);
    EXPECT_EQ(Find<QLabel>("ProgCurve")->pixmap().size(), QSize(560, 95));
}

TEST_F(RampSoakWindowTest, EditOpensThePageOnTheCurrentCell)
{
    Load(ExampleProgram());
    Find<QPushButton>("EditPBt")->click();
    EXPECT_TRUE(Shown("EditBox"));
    EXPECT_EQ(Window.SelectedCell(), (TRampSoak::GridCell{1, 1}));
    EXPECT_TRUE(Shown("MaxStep"));
    EXPECT_FALSE(Shown("SPEdit"));
    EXPECT_FALSE(Shown("TimeMin"));
    EXPECT_EQ(Find<QLabel>("StepLinkLb")->text(), QStringLiteral("Step Count"));
    EXPECT_EQ(Find<QComboBox>("MaxStep")->currentIndex(), 1);

    Find<QComboBox>("MaxStep")->setCurrentIndex(5);
    Find<QPushButton>("POKBt")->click();
    EXPECT_EQ(RampProgram.StepMax[0], 5);
    EXPECT_EQ(Window.CellText(1, 1), QStringLiteral("5"));
}

TEST_F(RampSoakWindowTest, ClickingACellWithTheMouseSelectsIt)
{
    Load(ExampleProgram());
    Find<QPushButton>("EditPBt")->click();
    auto *table = Find<QTableWidget>("ProgTable");
    const QRect cell = table->visualRect(table->model()->index(18 - 1, 2));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(Window.SelectedCell(), (TRampSoak::GridCell{3, 18}));
    EXPECT_EQ(Find<QLabel>("StepLinkLb")->text(), QStringLiteral("Loop Count"));
    EXPECT_TRUE(Shown("SPEdit"));
    EXPECT_EQ(Window.focusWidget(), Find<QWidget>("SPEdit"));
}

TEST_F(RampSoakWindowTest, SetValuesAreTypedWithOneDecimal)
{
    Load(ExampleProgram());
    Find<QPushButton>("EditPBt")->click();
    Click(2, 6);  // Set Value 2 of pattern 1
    EXPECT_EQ(Find<QLabel>("StepLinkLb")->text(), QStringLiteral("Set Value "));
    EXPECT_EQ(Find<QLineEdit>("SPEdit")->text(), QStringLiteral("0.0"));
    Type(QStringLiteral("25.3"));
    EXPECT_EQ(RampProgram.SetValue[10], 253);
    EXPECT_EQ(Window.CellText(2, 6), QStringLiteral("25.3"));
    Type(QStringLiteral("-0.5"));
    EXPECT_EQ(RampProgram.SetValue[10], -5);
    EXPECT_EQ(Window.CellText(2, 6), QStringLiteral("-0.5"));
    // Refused: the editor shows the stored value again.
    for (const char *typed : {"abc", "-1000.1", "3276.8"}) {
        Type(QString::fromLatin1(typed));
        EXPECT_EQ(Find<QLineEdit>("SPEdit")->text(), QStringLiteral("-0.5")) << typed;
        EXPECT_EQ(RampProgram.SetValue[10], -5) << typed;
        EXPECT_EQ(Window.CellText(2, 6), QStringLiteral("-0.5")) << typed;
    }
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(RampSoakWindowTest, MovingBetweenSetValueCellsKeepsTheEditorsText)
{
    Load(ExampleProgram());
    Find<QPushButton>("EditPBt")->click();
    Click(1, 2);
    Type(QStringLiteral("10"));
    Click(1, 4);
    EXPECT_EQ(Find<QLineEdit>("SPEdit")->text(), QStringLiteral("10"));
    Find<QPushButton>("POKBt")->click();
    EXPECT_EQ(RampProgram.SetValue[0], 100);
    EXPECT_EQ(RampProgram.SetValue[1], 100);
    // Another kind of row loads its own value.
    Click(1, 18);
    EXPECT_EQ(Find<QLineEdit>("SPEdit")->text(), QStringLiteral("2"));
    Click(1, 2);
    EXPECT_EQ(Find<QLineEdit>("SPEdit")->text(), QStringLiteral("10.0"));
}

TEST_F(RampSoakWindowTest, LoopCounts)
{
    Load(ExampleProgram());
    Find<QPushButton>("EditPBt")->click();
    Click(1, 18);
    Type(QStringLiteral("150"));
    EXPECT_EQ(RampProgram.LoopCount[0], 99);
    EXPECT_EQ(Window.CellText(1, 18), QStringLiteral("99"));
    Type(QStringLiteral("-3"));
    EXPECT_EQ(RampProgram.LoopCount[0], 99);
    EXPECT_EQ(Window.CellText(1, 18), QStringLiteral("99"));
    Type(QStringLiteral("7"));
    EXPECT_EQ(Window.CellText(1, 18), QStringLiteral("7"));
    EXPECT_EQ(Window.Curve().Duration, 120 * 8);
}

TEST_F(RampSoakWindowTest, HourFifteenTakesNoMinutes)
{
    Load(ExampleProgram());
    Find<QPushButton>("EditPBt")->click();
    Click(1, 3);  // Execute Time 0 of pattern 0: 30 minutes
    EXPECT_EQ(Find<QLabel>("StepLinkLb")->text(), QStringLiteral("Hour"));
    EXPECT_TRUE(Shown("TimeHour"));
    EXPECT_TRUE(Shown("TimeMinLb"));
    EXPECT_TRUE(Shown("TimeMin"));
    EXPECT_FALSE(Shown("SPEdit"));
    EXPECT_EQ(Window.focusWidget(), Find<QWidget>("POKBt"));
    EXPECT_EQ(Find<QComboBox>("TimeHour")->currentIndex(), 0);
    EXPECT_EQ(Find<QSpinBox>("TimeMin")->value(), 30);
    EXPECT_EQ(RampProgram.ExecuteTime[0], 30);  // loading applies nothing

    ChooseHour(15);
    EXPECT_EQ(Find<QSpinBox>("TimeMin")->value(), 0);
    EXPECT_FALSE(Enabled("TimeMin"));
    EXPECT_EQ(RampProgram.ExecuteTime[0], 900);
    EXPECT_EQ(Window.CellText(1, 3), QStringLiteral("15:00"));

    ChooseHour(2);
    EXPECT_TRUE(Enabled("TimeMin"));
    EXPECT_EQ(Window.CellText(1, 3), QStringLiteral("02:00"));
    Find<QSpinBox>("TimeMin")->setValue(45);
    EXPECT_EQ(RampProgram.ExecuteTime[0], 165);
    EXPECT_EQ(Window.CellText(1, 3), QStringLiteral("02:45"));
    // Another time cell keeps the editor as it is and applies nothing;
    // coming from another kind of row loads the cell's time.
    Click(1, 5);
    EXPECT_EQ(Find<QComboBox>("TimeHour")->currentIndex(), 2);
    EXPECT_EQ(Find<QSpinBox>("TimeMin")->value(), 45);
    EXPECT_EQ(RampProgram.ExecuteTime[1], 90);
    Click(1, 4);
    Click(1, 5);
    EXPECT_EQ(Find<QComboBox>("TimeHour")->currentIndex(), 1);
    EXPECT_EQ(Find<QSpinBox>("TimeMin")->value(), 30);
    EXPECT_EQ(RampProgram.ExecuteTime[0], 165);
    EXPECT_EQ(RampProgram.ExecuteTime[1], 90);
}

TEST_F(RampSoakWindowTest, LinksAndTheStartPattern)
{
    Load(ExampleProgram());
    Find<QPushButton>("EditPBt")->click();
    Click(3, 19);
    EXPECT_EQ(Find<QLabel>("StepLinkLb")->text(), QStringLiteral("Link Pattern"));
    EXPECT_EQ(Find<QComboBox>("StepLink")->currentIndex(), 0);
    Find<QComboBox>("StepLink")->setCurrentIndex(3);
    Find<QPushButton>("POKBt")->click();
    EXPECT_EQ(RampProgram.LinkPattern[2], 3);
    EXPECT_EQ(Window.CellText(3, 19), QStringLiteral("Pattern 3"));
    Find<QComboBox>("StepLink")->setCurrentIndex(8);
    Find<QPushButton>("POKBt")->click();
    EXPECT_EQ(Window.CellText(3, 19), QStringLiteral("Prog End"));

    auto *start = Find<QComboBox>("ProgStart");
    start->setCurrentIndex(2);
    emit start->activated(2);
    EXPECT_EQ(RampProgram.StartPattern, 2);
    EXPECT_FALSE(Window.Curve().Shown);  // pattern 2 holds nothing and ends
    EXPECT_TRUE(Shown("ProgCurve"));     // a drawn curve stays, cleared
}

TEST_F(RampSoakWindowTest, ValuesFromAFileShowAsTheyAre)
{
    RampSoakProgram program = ExampleProgram();
    program.StartPattern = 9;
    program.StepMax[0] = 200;
    program.LoopCount[0] = 150;
    program.LinkPattern[0] = 12;
    program.ExecuteTime[0] = 1000;
    Load(program);
    EXPECT_EQ(Window.CellText(1, 1), QStringLiteral("200"));
    EXPECT_EQ(Window.CellText(1, 3), QStringLiteral("16:40"));
    EXPECT_EQ(Window.CellText(1, 18), QStringLiteral("150"));
    EXPECT_EQ(Window.CellText(1, 19), QStringLiteral("Pattern 12"));
    auto *start = Find<QComboBox>("ProgStart");
    EXPECT_EQ(start->currentIndex(), -1);
    EXPECT_EQ(start->placeholderText(), QStringLiteral("Pattern 9"));
    EXPECT_FALSE(Window.Curve().Shown);

    Find<QPushButton>("EditPBt")->click();
    EXPECT_EQ(Find<QComboBox>("MaxStep")->currentIndex(), -1);
    Find<QPushButton>("POKBt")->click();  // nothing chosen: nothing applied
    EXPECT_EQ(RampProgram.StepMax[0], 200);
    Click(1, 19);
    EXPECT_EQ(Find<QComboBox>("StepLink")->currentIndex(), -1);
    Find<QPushButton>("POKBt")->click();
    EXPECT_EQ(RampProgram.LinkPattern[0], 12);
    Click(1, 3);
    EXPECT_EQ(Find<QComboBox>("TimeHour")->currentIndex(), -1);
    Find<QSpinBox>("TimeMin")->setValue(5);
    Find<QPushButton>("POKBt")->click();
    EXPECT_EQ(RampProgram.ExecuteTime[0], 1000);
    EXPECT_EQ(RampProgram, program);
}

TEST_F(RampSoakWindowTest, BackHidesTheWindowAndKeepsTheProgramSet)
{
    Load(ExampleProgram());
    Find<QPushButton>("EditPBt")->click();
    Click(2, 18);
    Find<QPushButton>("RetBt")->click();
    EXPECT_FALSE(Window.isVisible());
    Window.show();
    EXPECT_FALSE(Shown("EditBox"));
    EXPECT_EQ(Window.CellText(1, 2), QStringLiteral("25.0"));
    EXPECT_EQ(Window.SelectedCell(), (TRampSoak::GridCell{2, 18}));
    EXPECT_EQ(RampProgram, ExampleProgram());
}

TEST_F(RampSoakWindowTest, BadFilesAreRefusedAndTheTableStays)
{
    Load(ExampleProgram());
    QByteArray bytes = RampFileBytes(BusyProgram());
    const std::vector<QByteArray> bad{bytes.left(284), bytes + 'x', [&] {
                                          QByteArray wrong = bytes;
                                          wrong[284] = 0x35;
                                          return wrong;
                                      }()};
    for (const QByteArray &content : bad) {
        OpenAnswer = FilePath(QStringLiteral("bad.r$s"));
        QFile file(OpenAnswer);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        Window.ReadFBtClick();
    }
    OpenAnswer = Folder.path();  // a folder
    Window.ReadFBtClick();
    const QString refusal = MessageTable::FileContentError + QStringLiteral("|Data Error");
    EXPECT_EQ(Messages, QStringList(4, refusal));
    EXPECT_EQ(RampProgram, ExampleProgram());
    EXPECT_EQ(Window.CellText(1, 2), QStringLiteral("25.0"));

    Messages.clear();
    OpenAnswer.clear();  // cancelled
    Window.ReadFBtClick();
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(RampSoakWindowTest, SavingAsksBeforeOverwriting)
{
    Load(ExampleProgram());
    SaveAnswer.clear();  // cancelled: nothing written
    Window.SaveFBtClick();
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("load.r$s")});

    SaveAnswer = FilePath(QStringLiteral("new.r$s"));
    Window.SaveFBtClick();
    EXPECT_TRUE(Questions.isEmpty());
    EXPECT_EQ(ReadFile(SaveAnswer), RampFileBytes(ExampleProgram()));

    RampProgram.SetValue[0] = -100;
    ConfirmAnswer = false;
    Window.SaveFBtClick();
    EXPECT_EQ(Questions, QStringList{QStringLiteral("Over write file : new.r$s")});
    EXPECT_EQ(ReadFile(SaveAnswer), RampFileBytes(ExampleProgram()));

    ConfirmAnswer = true;
    Window.SaveFBtClick();
    EXPECT_EQ(ReadFile(SaveAnswer).mid(24, 2), QByteArray::fromHex("FF9C"));
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(RampSoakWindowTest, AFailedSaveIsReported)
{
    Load(ExampleProgram());
    SaveAnswer = FilePath(QStringLiteral("missing/ramp.r$s"));
    Window.SaveFBtClick();
    EXPECT_EQ(Messages, QStringList{MessageTable::FailToSaveFile + QStringLiteral("|File Error")});
}

} // namespace
