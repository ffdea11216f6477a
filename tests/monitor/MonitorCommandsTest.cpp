// The monitor window's commands: the parameter buffer and its backup file,
// the download questions, the model C password dialog, the hidden codes and
// the PV trend, driven through the menus and controls.
#include "MessageTable.h"
#include "MonitorWindowRig.h"
#include "ParameterImage.h"
#include "StatusDisplay.h"
#include "TrendBox.h"

#include <QFile>
#include <QImage>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class BufferCommands : public MonitorWindowTest {
protected:
    BufferCommands()
    {
        Add(2, Model::B);
        Connect(0, 2);
    }
    bool Enabled(const char *action) { return Action(QString::fromLatin1(action))->isEnabled(); }
    // Uploads the selected controller's parameters into the buffer.
    void Upload()
    {
        if (!Window->Engine().Page().Shown) {
            ASSERT_TRUE(RunUntilPageRead());
        }
        Action(QStringLiteral("UPLOAD1"))->trigger();
        EXPECT_TRUE(Shown(QStringLiteral("ProgressBar")));
        EXPECT_EQ(Text(QStringLiteral("ProgressLb")), QStringLiteral("UPLOAD"));
        ASSERT_TRUE(RunUntil([&] { return !Messages.isEmpty(); }, 120'000));
    }
    // The buffer holds the model B's block at address 2; a model C at
    // address 3 is connected in slot 1, selected and its page read.
    void UploadThenSelectAModelC()
    {
        Upload();
        TakeMessages();
        Add(3, Model::C).SetSecurity(8, 0);
        Connect(1, 3);
        emit Find<ColorPanel>(QStringLiteral("Adr1Lb"))->Clicked();
        ASSERT_TRUE(RunUntilPageRead());
    }
    QTemporaryDir Folder;
};

TEST_F(BufferCommands, UploadFillsTheBufferAndOpensItsCommands)
{
    ASSERT_TRUE(RunUntilPageRead());
    EXPECT_TRUE(Find<QMenu>(QStringLiteral("FILE1"))->menuAction()->isEnabled());
    EXPECT_TRUE(Enabled("OPEN1"));
    for (const char *item : {"SAVE1", "SAVEAS1", "DOWNLOAD1", "WRITEALL"})
        EXPECT_FALSE(Enabled(item)) << item;
    EXPECT_TRUE(Enabled("UPLOAD1"));
    EXPECT_EQ(Action(QStringLiteral("WRITEALL"))->toolTip(), QStringLiteral("Broadcast function"));

    Upload();
    EXPECT_EQ(TakeMessages(), QStringList{QStringLiteral("Upload Done|QMB V1.10 parameters successful upload into buffer")});
    EXPECT_FALSE(Shown(QStringLiteral("ProgressBar")));
    EXPECT_FALSE(Shown(QStringLiteral("ProgressLb")));
    for (const char *item : {"SAVEAS1", "DOWNLOAD1", "WRITEALL"})
        EXPECT_TRUE(Enabled(item)) << item;
    EXPECT_FALSE(Enabled("SAVE1"));  // no file yet
}

TEST_F(BufferCommands, ModelAWithWritingDisabledRefusesTheUpload)
{
    Add(1, Model::A).SetComWriteEnabled(false);
    Connect(1, 1);
    ASSERT_TRUE(RunUntilPageRead());
    emit Find<ColorPanel>(QStringLiteral("Adr1Lb"))->Clicked();
    ASSERT_TRUE(RunUntilPageRead());
    Action(QStringLiteral("UPLOAD1"))->trigger();
    EXPECT_EQ(TakeMessages(), QStringList{QStringLiteral("|Please enable COM write function first")});
    EXPECT_FALSE(Shown(QStringLiteral("ProgressBar")));
}

TEST_F(BufferCommands, SaveAsSaveAndOpenThroughTheFileDialogs)
{
    Upload();
    TakeMessages();
    const QString path = Folder.filePath(QStringLiteral("copy.par"));
    SaveAnswer = path;
    Action(QStringLiteral("SAVEAS1"))->trigger();
    EXPECT_EQ(TakeMessages(), QStringList{QStringLiteral("Done|QMB V1.10 save parameters to file done")});
    const QByteArray saved = ReadAll(path);
    ASSERT_EQ(saved.size(), 260);
    EXPECT_EQ(saved.mid(256), QByteArray("B\x01\x10\x53", 4));
    EXPECT_TRUE(Questions.isEmpty());
    EXPECT_TRUE(Enabled("SAVE1"));
    EXPECT_EQ(Window->BackupFile(), path);

    // Over an existing file only after the question; Cancel keeps it.
    WriteAll(path, QByteArray(260, 'x'));
    ConfirmAnswer = false;
    Action(QStringLiteral("SAVEAS1"))->trigger();
    EXPECT_EQ(Questions, QStringList{QStringLiteral("Over write file : copy.par")});
    EXPECT_EQ(ReadAll(path), QByteArray(260, 'x'));
    EXPECT_TRUE(TakeMessages().isEmpty());
    // "SAVE" asks nothing.
    Questions.clear();
    Action(QStringLiteral("SAVE1"))->trigger();
    EXPECT_TRUE(Questions.isEmpty());
    EXPECT_EQ(ReadAll(path), saved);
    EXPECT_EQ(TakeMessages(), QStringList{QStringLiteral("Done|QMB V1.10 save parameters to file done")});

    // A file of another length is refused and changes nothing.
    const QString shortFile = Folder.filePath(QStringLiteral("short.par"));
    WriteAll(shortFile, saved.left(259));
    OpenAnswer = shortFile;
    Action(QStringLiteral("OPEN1"))->trigger();
    EXPECT_EQ(TakeMessages(), QStringList{QStringLiteral("File Error|File data length or content error !")});
    EXPECT_TRUE(Enabled("DOWNLOAD1"));

    // A wrong check byte closes the buffer's commands.
    QByteArray damaged = saved;
    damaged[259] = static_cast<char>(damaged[259] - 1);
    const QString damagedFile = Folder.filePath(QStringLiteral("damaged.par"));
    WriteAll(damagedFile, damaged);
    OpenAnswer = damagedFile;
    Action(QStringLiteral("OPEN1"))->trigger();
    EXPECT_EQ(TakeMessages(), QStringList{QStringLiteral("File Error|File data length or content error !")});
    for (const char *item : {"SAVE1", "SAVEAS1", "DOWNLOAD1", "WRITEALL"})
        EXPECT_FALSE(Enabled(item)) << item;

    // The good file opens them again.
    OpenAnswer = path;
    Action(QStringLiteral("OPEN1"))->trigger();
    EXPECT_EQ(TakeMessages(), QStringList{QStringLiteral("Done|QMB V1.10 parameters successful load")});
    for (const char *item : {"SAVE1", "SAVEAS1", "DOWNLOAD1", "WRITEALL"})
        EXPECT_TRUE(Enabled(item)) << item;
    EXPECT_EQ(Window->Engine().Buffer().Firmware(), 0x0110);

    // A cancelled dialog does nothing.
    OpenAnswer.clear();
    Action(QStringLiteral("OPEN1"))->trigger();
    EXPECT_TRUE(TakeMessages().isEmpty());
}

TEST_F(BufferCommands, DownloadsAskFirst)
{
    ASSERT_NO_FATAL_FAILURE(UploadThenSelectAModelC());

    YesAnswer = false;
    Action(QStringLiteral("DOWNLOAD1"))->trigger();
    EXPECT_EQ(Questions, QStringList{QStringLiteral("Model Name Confirm|") + MessageTable::DifferentModelConfirm});
    Action(QStringLiteral("WRITEALL"))->trigger();
    EXPECT_EQ(Questions.value(1), QStringLiteral("Model Name Confirm|") + MessageTable::BroadcastConfirm);
    EXPECT_FALSE(Shown(QStringLiteral("ProgressBar")));
    EXPECT_FALSE(Window->Engine().TransferRunning());

    // The same model asks nothing and writes with its progress shown.
    Questions.clear();
    emit Find<ColorPanel>(QStringLiteral("Adr0Lb"))->Clicked();
    ASSERT_TRUE(RunUntilPageRead());
    Action(QStringLiteral("DOWNLOAD1"))->trigger();
    EXPECT_TRUE(Questions.isEmpty());
    EXPECT_TRUE(Shown(QStringLiteral("ProgressBar")));
    EXPECT_EQ(Text(QStringLiteral("ProgressLb")), QStringLiteral("WRITE TO SELECTED DEVICE"));
    ASSERT_TRUE(RunUntil([&] { return !Window->Engine().TransferRunning(); }, 120'000));
    EXPECT_FALSE(Shown(QStringLiteral("ProgressBar")));
    EXPECT_TRUE(TakeMessages().isEmpty());
    // Steps 0-30, the 60 block writes and the communication write.
    EXPECT_EQ(Status(), QStringLiteral("92 parameters written to address 2"));

    YesAnswer = true;
    Action(QStringLiteral("WRITEALL"))->trigger();
    EXPECT_TRUE(Status().isEmpty());
    ASSERT_TRUE(RunUntil([&] { return !Window->Engine().TransferRunning(); }, 300'000));
    EXPECT_EQ(Status(), QStringLiteral("92 parameters written to every controller on the line"));
    EXPECT_TRUE(TakeMessages().isEmpty());
}

TEST_F(BufferCommands, ADownloadGoesOnlyToTheControllerAskedAbout)
{
    // The buffer holds model B's block; the model C slot is selected and the
    // different-model question asked about it. While the question is open
    // the polling goes on and that controller is cancelled: the selection
    // moves on to the model B at address 2, which nobody asked about.
    ASSERT_NO_FATAL_FAILURE(UploadThenSelectAModelC());
    Window->SetFileDialogs({{}, {}, {}, [this](const QString &text, const QString &) {
                                Questions << text;
                                Find<QPushButton>(QStringLiteral("RunBt1"))->click();
                                RunFor(500);
                                return true;
                            }});
    const size_t at = Log.Sent.size();
    Action(QStringLiteral("DOWNLOAD1"))->trigger();
    RunFor(10'000);
    EXPECT_EQ(Questions, QStringList{MessageTable::DifferentModelConfirm});
    EXPECT_EQ(Window->Engine().SelectedSlot(), 0);
    for (size_t i = at; i < Log.Sent.size(); ++i)
        EXPECT_NE(Log.Sent[i].Function, 0x06) << "a write to station " << Log.Sent[i].Station;
    EXPECT_EQ(TakeMessages(), QStringList{'|' + MessageTable::DownloadTargetChanged.arg(3)});
    EXPECT_FALSE(Window->Engine().TransferRunning());
}

TEST_F(BufferCommands, AnUploadCutShortIsReported)
{
    ASSERT_TRUE(RunUntilPageRead());
    Add(1, Model::B);
    Connect(1, 1);
    Action(QStringLiteral("UPLOAD1"))->trigger();
    ASSERT_TRUE(RunUntil([&] { return Find<QProgressBar>(QStringLiteral("ProgressBar"))->value() > 0; }));
    // Another controller chosen in the middle of it.
    emit Find<ColorPanel>(QStringLiteral("Adr1Lb"))->Clicked();
    EXPECT_EQ(TakeMessages(), QStringList{QStringLiteral("|UPLOAD did not complete")});
    EXPECT_FALSE(Shown(QStringLiteral("ProgressBar")));
    EXPECT_FALSE(Enabled("DOWNLOAD1"));
}

TEST_F(MonitorWindowTest, APasswordChangesTheModelCLevel)
{
    SimController &c = Add(3, Model::C);
    c.SetSecurity(4, 1);
    Connect(0, 3);
    ASSERT_TRUE(RunUntilPageRead());
    EXPECT_FALSE(Find(QStringLiteral("CtrlBox"))->isEnabled());
    EXPECT_TRUE(Find(QStringLiteral("SV"))->isEnabled());
    ASSERT_TRUE(Find<QRadioButton>(QStringLiteral("SLevel1"))->isChecked());

    Find<QRadioButton>(QStringLiteral("SLevel0"))->click();
    ASSERT_TRUE(RunUntil([&] { return Password->isVisible(); }));
    KeepScreenshot(*Password, QStringLiteral("monitor-password.png"));
    auto *edit = Password->findChild<QLineEdit *>(QStringLiteral("PassEdit1"));
    auto *ok = Password->findChild<QPushButton *>(QStringLiteral("PassBt"));
    ASSERT_TRUE(edit && ok);
    QTest::keyClicks(edit, QStringLiteral("1111"));
    ok->click();
    EXPECT_FALSE(Password->isVisible());
    ASSERT_TRUE(RunUntil([&] { return c.SecurityLevel() == 8; }));
    EXPECT_TRUE(std::any_of(Log.Sent.begin(), Log.Sent.end(),
                            [](const SentRequest &r) { return r == SentRequest{3, 0x06, 0x106B, 0x1111}; }));
    ASSERT_TRUE(RunUntil([&] { return Find(QStringLiteral("CtrlBox"))->isEnabled(); }));
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("SLevel0"))->isChecked());
    EXPECT_EQ(Status(), QStringLiteral("The controller at address 3 accepted the password."));
}

// A password the controller did not take is told with the level it has
// now: a wrong level-1 password locks this controller, a wrong key
// password is refused and changes nothing.
TEST_F(MonitorWindowTest, APasswordNotTakenIsToldInTheStatusLine)
{
    struct Case {
        int Address;
        int Level;
        const char *Choose;  // the radio button or the key list
        int Wanted;
        const char *Typed;
        int LevelAfter;
        const char *Told;
    } cases[] = {
        {3, 4, "SLevel0", 0, "2222", 1,
         "The controller at address 3 did not accept the password; its security level is \"All Lock\"."},
        {4, 8, "Pass2", 1, "0000", 8,
         "The controller at address 4 did not accept the password; its security level is \"Unlock All\"."},
    };
    for (const Case &t : cases) {
        SimController &c = Add(t.Address, Model::C);
        c.SetSecurity(t.Level, 1);
        Connect(0, t.Address);
        ASSERT_TRUE(RunUntilPageRead());
        if (QString::fromLatin1(t.Choose).startsWith(QStringLiteral("SLevel")))
            Find<QRadioButton>(QString::fromLatin1(t.Choose))->click();
        else
            ChooseItem(QString::fromLatin1(t.Choose), t.Wanted);
        ASSERT_TRUE(RunUntil([&] { return Password->isVisible(); }));
        QTest::keyClicks(Password->findChild<QLineEdit *>(QStringLiteral("PassEdit1")), QString::fromLatin1(t.Typed));
        Password->findChild<QPushButton *>(QStringLiteral("PassBt"))->click();
        ASSERT_TRUE(RunUntil([&] { return !Status().isEmpty(); })) << t.Typed;
        EXPECT_EQ(Status(), QString::fromUtf8(t.Told));
        EXPECT_EQ(c.SecurityLevel(), t.LevelAfter);
        EXPECT_EQ(c.LevelKeys(), 1);
        Find<QPushButton>(QStringLiteral("RunBt0"))->click();  // let the slot go
    }
}

TEST_F(MonitorWindowTest, AllLockIsChosenWithoutAPassword)
{
    SimController &c = Add(3, Model::C);
    c.SetSecurity(8, 1);
    Connect(0, 3);
    ASSERT_TRUE(RunUntilPageRead());
    // It asks first; No leaves the controller as it is.
    const QString question = QStringLiteral(
        "All Lock|Lock every parameter of the controller at address 3? Unlocking needs its password.");
    YesAnswer = false;
    Find<QRadioButton>(QStringLiteral("SLevel3"))->click();
    EXPECT_EQ(Questions, QStringList{question});
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("SLevel0"))->isChecked());
    RunFor(5000);
    EXPECT_EQ(c.SecurityLevel(), 8);
    YesAnswer = true;
    Questions.clear();
    // Chosen as a screen reader chooses it: toggled, not clicked.
    Find<QRadioButton>(QStringLiteral("SLevel3"))->toggle();
    EXPECT_EQ(Questions, QStringList{question});
    ASSERT_TRUE(RunUntil([&] { return c.SecurityLevel() == 1; }));
    EXPECT_FALSE(Password->isVisible());
    ASSERT_TRUE(RunUntil([&] { return !Status().isEmpty(); }));
    EXPECT_EQ(Status(), QStringLiteral("The controller at address 3 is locked."));
    ASSERT_TRUE(RunUntil([&] { return Text(QStringLiteral("Pb")) == QStringLiteral("?"); }));
    EXPECT_TRUE(Find<QRadioButton>(QStringLiteral("SLevel3"))->isChecked());
    KeepScreenshot(*Window, QStringLiteral("monitor-model-c-all-lock.png"));
}

TEST_F(MonitorWindowTest, SwitchingAKeyAsksForItsPasswordAndCancelWritesNothing)
{
    SimController &c = Add(3, Model::C);
    c.SetSecurity(8, 1);
    Connect(0, 3);
    ASSERT_TRUE(RunUntilPageRead());
    ChooseItem(QStringLiteral("Pass2"), 1);
    EXPECT_TRUE(Password->isVisible());
    // The list shows the choice while the password is asked for.
    RunFor(3000);
    EXPECT_EQ(Find<QComboBox>(QStringLiteral("Pass2"))->currentText(), QStringLiteral("Enable"));
    Password->findChild<QPushButton *>(QStringLiteral("CancelBt"))->click();
    ASSERT_TRUE(RunUntil([&] { return Find<QComboBox>(QStringLiteral("Pass2"))->currentText() == QStringLiteral("Disable"); }));
    for (const SentRequest &r : Log.Sent)
        EXPECT_NE(r.Function, 0x06);
    EXPECT_EQ(c.LevelKeys(), 1);
}

TEST_F(MonitorWindowTest, APasswordAskedForADeselectedSlotIsNotWritten)
{
    Add(1, Model::B);
    SimController &c = Add(3, Model::C);
    c.SetSecurity(4, 1);
    Connect(0, 3);
    Connect(1, 1);
    ASSERT_TRUE(RunUntilPageRead());
    Find<QRadioButton>(QStringLiteral("SLevel0"))->click();
    ASSERT_TRUE(RunUntil([&] { return Password->isVisible(); }));
    emit Find<ColorPanel>(QStringLiteral("Adr1Lb"))->Clicked();
    QCoreApplication::processEvents();
    EXPECT_FALSE(Password->isVisible());
    ASSERT_TRUE(RunUntilPageRead());
    for (const SentRequest &r : Log.Sent)
        EXPECT_FALSE(r.Function == 0x06 && r.Register == 0x106B);
    EXPECT_EQ(c.SecurityLevel(), 4);
}

TEST_F(MonitorWindowTest, HiddenCodesOpenTheDiagnosticsAndTheCalibration)
{
    SimController &c = Add(2, Model::B);
    Connect(0, 2);
    ASSERT_TRUE(RunUntilPageRead());
    auto *stack = Find<QStackedWidget>(QStringLiteral("PassStack"));
    EXPECT_EQ(stack->currentWidget(), Find(QStringLiteral("FWVersion")));
    emit Find<ColorPanel>(QStringLiteral("FWVersion"))->DoubleClicked();
    EXPECT_TRUE(Shown(QStringLiteral("PassEdit")));
    emit Find<ColorPanel>(QStringLiteral("PassLb"))->Clicked();
    EXPECT_EQ(stack->currentWidget(), Find(QStringLiteral("FWVersion")));

    EXPECT_FALSE(Shown(QStringLiteral("DebugPL")));
    emit Find<ColorPanel>(QStringLiteral("FWVersion"))->DoubleClicked();
    TypeAndEnter(QStringLiteral("PassEdit"), QStringLiteral("trace on"));
    EXPECT_EQ(stack->currentWidget(), Find(QStringLiteral("FWVersion")));
    EXPECT_TRUE(Shown(QStringLiteral("DebugPL")));
    EXPECT_TRUE(Shown(QStringLiteral("ErrMessage")));
    // The readings of step 6.
    ASSERT_TRUE(RunUntil([&] { return !Text(QStringLiteral("UV")).isEmpty(); }));
    EXPECT_EQ(Text(QStringLiteral("UV")), QString::number(Window->Engine().Slot(0).InputVoltage));
    EXPECT_EQ(Text(QStringLiteral("ColdShow")), ScaledValueText(Window->Engine().Slot(0).ColdJunction, 1));
    EXPECT_EQ(Text(QStringLiteral("ExecCnt0")), QString::number(Window->Engine().Slot(0).ExecCount));
    KeepScreenshot(*Window, QStringLiteral("monitor-diagnostics.png"));
    Find<QPushButton>(QStringLiteral("ClrBt0"))->click();
    EXPECT_EQ(Text(QStringLiteral("ExecCnt0")), QStringLiteral("0"));
    EXPECT_EQ(Text(QStringLiteral("ErrMessage")), QStringLiteral("No Error"));
    EXPECT_EQ(Find(QStringLiteral("ErrMessage"))->palette().color(QPalette::WindowText), MonitorColors::DarkGreen);

    // The calibration code reads the calibration values of the controller.
    EXPECT_FALSE(Shown(QStringLiteral("RTDOfs")));
    emit Find<ColorPanel>(QStringLiteral("FWVersion"))->DoubleClicked();
    TypeAndEnter(QStringLiteral("PassEdit"), QStringLiteral("RWN"));
    ASSERT_TRUE(RunUntil([&] { return Shown(QStringLiteral("RTDOfs")); }));
    EXPECT_TRUE(Shown(QStringLiteral("ClearBt1")));
    EXPECT_TRUE(Shown(QStringLiteral("mVGain")));
    EXPECT_TRUE(Shown(QStringLiteral("RTDOfsLb")));
    // Model B has the linear input values too (step 21).
    ASSERT_TRUE(RunUntil([&] { return !Text(QStringLiteral("mVOfs")).isEmpty(); }));
    EXPECT_EQ(Text(QStringLiteral("mVGain")), QString::number(*c.Peek(0x4738)));
    KeepScreenshot(*Window, QStringLiteral("monitor-calibration.png"));

    // The commands ask first; Cancel writes nothing.
    ConfirmAnswer = false;
    Find<QPushButton>(QStringLiteral("ClearBt1"))->click();
    EXPECT_EQ(Questions, QStringList{MessageTable::RestoreDefaultConfirm});
    ConfirmAnswer = true;
    Find<QPushButton>(QStringLiteral("ClearBt2"))->click();
    EXPECT_EQ(Questions.value(1), MessageTable::ClearFactoryConfirm);
    ASSERT_TRUE(RunUntil([&] {
        return std::any_of(Log.Sent.begin(), Log.Sent.end(),
                           [](const SentRequest &r) { return r == SentRequest{2, 0x06, 0x474F, 0x6B2E}; });
    }));
    for (const SentRequest &r : Log.Sent)
        EXPECT_NE(r.Register, 0x474E);

    emit Find<ColorPanel>(QStringLiteral("FWVersion"))->DoubleClicked();
    TypeAndEnter(QStringLiteral("PassEdit"), QStringLiteral("trace off"));
    EXPECT_FALSE(Shown(QStringLiteral("DebugPL")));
}

TEST_F(MonitorWindowTest, PvRecordShowsTheTrendInThePagesPlace)
{
    Add(2, Model::B).SetProcessValue(200);
    Connect(0, 2);
    ASSERT_TRUE(RunUntilPageRead());
    EXPECT_TRUE(Action(QStringLiteral("SETTING1"))->isChecked());
    Action(QStringLiteral("RECORD1"))->trigger();
    EXPECT_TRUE(Action(QStringLiteral("RECORD1"))->isChecked());
    EXPECT_FALSE(Action(QStringLiteral("SETTING1"))->isChecked());
    EXPECT_TRUE(Shown(QStringLiteral("DrawIme")));
    EXPECT_FALSE(Shown(QStringLiteral("ParaPL")));
    for (int second = 0; second < 90; ++second) {
        Clock.Advance(1000);
        Window->Timer1Timer();
    }
    KeepScreenshot(*Window, QStringLiteral("monitor-trend.png"));
    // The curve: white pixels inside the plot, right of the axis.
    const QImage picture = Window->Trend().Canvas().toImage();
    const TrendGeometry g = TrendGeometryFor(LayoutWidth);
    int white = 0;
    for (int y = 1; y < g.H - 1; ++y)
        white += picture.pixelColor(g.X0 + 40, y) == QColor(Qt::white);
    EXPECT_GE(white, 1);
    EXPECT_EQ(Window->Trend().Trend().Slot(0).WriteIndex, 90);

    // A page read-out meanwhile does not bring the page back.
    Window->Engine().RangeHiKeyPress(Pc::Pb, QStringLiteral("?"));
    ASSERT_TRUE(RunUntilPageRead());
    EXPECT_FALSE(Shown(QStringLiteral("ParaPL")));
    Action(QStringLiteral("SETTING1"))->trigger();
    EXPECT_TRUE(Shown(QStringLiteral("ParaPL")));
    EXPECT_FALSE(Shown(QStringLiteral("DrawIme")));
}

TEST_F(MonitorWindowTest, TheTrendWaitsForAValue)
{
    Add(2, Model::B);
    Connect(0, 2);
    // Nothing read yet: the first second is a gap, not a zero.
    Window->Timer1Timer();
    const TrendSlot &slot = Window->Trend().Trend().Slot(0);
    ASSERT_EQ(slot.WriteIndex, 1);
    EXPECT_EQ(slot.Ring[0], TrendGap);
    ASSERT_TRUE(RunUntil([&] { return Text(QStringLiteral("PV0")) != QStringLiteral("0"); }));
    Window->Timer1Timer();
    EXPECT_NE(slot.Ring[1], TrendGap);
}

} // namespace
