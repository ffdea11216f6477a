// The recorder window on the offscreen platform: its controls, and what the
// user sees when recording on the simulated bus, saving, replaying and
// exporting. Controls are found by their names.
#include "ErrorReport.h"
#include "MessageBoxes.h"
#include "RecdIme.h"
#include "Recorder.h"
#include "RecorderRig.h"
#include "SimBus.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <deque>

namespace {

// Answers the file dialogs and questions from queues; an empty queue is a
// cancelled dialog.
struct FakeDialogs {
    FileDialogs Seam()
    {
        return {[this](const FileChoice &choice) {
                    Filters << choice.Filter;
                    return Take(Opens);
                },
                [this](const FileChoice &choice) {
                    Filters << choice.Filter;
                    return Take(Saves);
                },
                [this](const QString &text) {
                    Questions << text;
                    return Answer;
                },
                {}};
    }
    static QString Take(std::deque<QString> &queue)
    {
        if (queue.empty())
            return QString();
        QString next = queue.front();
        queue.pop_front();
        return next;
    }

    std::deque<QString> Opens;
    std::deque<QString> Saves;
    QStringList Filters;
    QStringList Questions;
    bool Answer = true;
};

class RecorderWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        ResetShared();
        RecorderState = TRecorderState{};
        ChartState = TChartState{};
        SetMessageSink([this](const QString &text, const QString &caption) { Messages << caption + '|' + text; });
        SetErrorReporter([this](const QString &text) { Errors << text; });
        Port.OnTrigger = [this](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
            RouteRecorderTrigger(Link, SessionState, message, argument);
        };
        for (int address : {1, 2}) {
            ControllerConfig config;
            config.Address = address;
            SimController &c = Bus.Add(config);
            c.SetNoise(false);
            c.SetTimeConstantMs(1'000'000'000);
            c.SetProcessValue(address == 1 ? 253 : -123);
        }
        Window = std::make_unique<TPRecord>(Link, nullptr, Clock);
        Window->SetFileDialogs(Answers.Seam());
        Window->show();
    }
    void TearDown() override
    {
        Window.reset();
        SetMessageSink({});
        SetErrorReporter({});
        ResetShared();
        RecorderState = TRecorderState{};
    }

    template <typename T>
    T *Find(const QString &name) const
    {
        T *child = Window->findChild<T *>(name);
        EXPECT_NE(child, nullptr) << name.toStdString();
        return child;
    }
    template <typename T>
    T *Find(const char *name) const
    {
        return Find<T>(QString::fromLatin1(name));
    }
    void Click(const char *name)
    {
        QAbstractButton *button = Find<QAbstractButton>(name);
        ASSERT_TRUE(button->isEnabled()) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void Choose(const char *list, int index)
    {
        QComboBox *box = Find<QComboBox>(list);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    QColor Colour(const char *name) const { return Find<QWidget>(name)->palette().color(QPalette::Window); }
    QString Text(const char *name) const { return Find<QLineEdit>(name)->text(); }
    QString Status() const { return Find<QStatusBar>("StatusLine")->currentMessage(); }
    bool Record(int samples)
    {
        return Clock.AdvanceUntil([samples] { return RecorderState.SampleCount >= samples; }, 60'000);
    }
    QString Path(const char *name) const { return Folder.filePath(QString::fromLatin1(name)); }
    QColor PixelAt(int x, int y) const { return Find<TRecdIme>("RecdIme")->Picture().toImage().pixelColor(x, y); }
    // Whether the picture has that colour within a pixel of (x, y).
    bool ColourNear(int x, int y, const QColor &colour) const
    {
        const QImage image = Find<TRecdIme>("RecdIme")->Picture().toImage();
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                if (image.valid(x + dx, y + dy) && image.pixelColor(x + dx, y + dy) == colour)
                    return true;
            }
        }
        return false;
    }

    QTemporaryDir Folder;
    VirtualClock Clock;
    SimBus Bus{Clock};
    TComPort Port{Clock, InProcessLineFactory(&Bus, 8)};
    RecorderLink Link{Port};
    // Outlives the window, whose dialogs answer from it.
    FakeDialogs Answers;
    std::unique_ptr<TPRecord> Window;
    FakeDialogs *Dialogs = &Answers;
    QStringList Messages;
    QStringList Errors;
};

TEST_F(RecorderWindowTest, ControlsAsDesigned)
{
    EXPECT_EQ(Window->windowTitle(), "Recorder Program");
    EXPECT_TRUE(Window->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(PRecord, Window.get());

    struct Hint { const char *Name, *Text; } hints[] = {
        {"SaveBt", "Save recording data"}, {"RePlayBt", "Re-Draw record"}, {"ExitBt3", "Exit this window"},
        {"StartBt", "Start to getting data"},
    };
    for (const Hint &h : hints)
        EXPECT_EQ(Find<QWidget>(h.Name)->toolTip(), h.Text) << h.Name;
    EXPECT_TRUE(Find<QToolButton>("SaveBt")->isCheckable());
    EXPECT_TRUE(Find<QToolButton>("RePlayBt")->isCheckable());
    EXPECT_EQ(Find<QPushButton>("StartBt")->text(), "START");
    EXPECT_EQ(Colour("BackGndP"), QColor(0x00, 0xFF, 0x00));
    EXPECT_EQ(Find<QLabel>("ExecCntLb")->text(), "Counter");
    EXPECT_EQ(Text("LoopCnt"), " 00000000");
    EXPECT_FALSE(Find<QLineEdit>("LoopCnt")->isEnabled());
    EXPECT_EQ(Find<QGroupBox>("PSampleTime")->title(), "Sampling time");
    EXPECT_EQ(Find<QLabel>("SecPl")->text(), "seconds");
    QSpinBox *sampleTime = Find<QSpinBox>("SampleTime");
    EXPECT_EQ(sampleTime->minimum(), 0);
    EXPECT_EQ(sampleTime->maximum(), 99);
    EXPECT_EQ(sampleTime->value(), 1);
    EXPECT_EQ(Text("SampleEdit"), "0.5");
    EXPECT_FALSE(Find<QLineEdit>("SampleEdit")->isVisible());
    Find<QWidget>("ComAddrPL");
    for (int s = 0; s < RecorderSlotCount; ++s) {
        QSpinBox *address = Find<QSpinBox>(QStringLiteral("ComAddr%1").arg(s));
        EXPECT_EQ(address->minimum(), 0);
        EXPECT_EQ(address->maximum(), 247);
        EXPECT_EQ(address->value(), s == 0 ? 1 : 0);
        QLineEdit *value = Find<QLineEdit>(QStringLiteral("PV%1").arg(s));
        EXPECT_EQ(value->text(), "0");
        EXPECT_FALSE(value->isEnabled());
        const QString device = QStringLiteral("DevicePL%1").arg(s);
        EXPECT_EQ(Find<QPushButton>(device)->text(), QStringLiteral("Device %1").arg(s + 1));
    }
    EXPECT_EQ(Find<QLabel>("ErrMess")->text(), "No error");
    EXPECT_FALSE(Find<QLabel>("ErrMess")->isVisible());
    Find<TRecdIme>("RecdIme");
    EXPECT_EQ(Find<QGroupBox>("DisplayPL")->title(), "Display");
    QComboBox *mode = Find<QComboBox>("DisplayMd");
    ASSERT_EQ(mode->count(), 2);
    EXPECT_EQ(mode->itemText(0), "Auto");
    EXPECT_EQ(mode->itemText(1), "Fix");
    EXPECT_EQ(mode->currentIndex(), 0);
    EXPECT_EQ(Find<QGroupBox>("MaxPL")->title(), "Max. scale");
    EXPECT_EQ(Find<QGroupBox>("MinPL")->title(), "Min. scale");
    EXPECT_EQ(Text("MaxScale"), "100");
    EXPECT_EQ(Text("MinScale"), "0");
    EXPECT_EQ(Find<QLineEdit>("MaxScale")->maxLength(), 6);
    EXPECT_FALSE(Find<QLineEdit>("MaxScale")->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>("MinScale")->isEnabled());
    EXPECT_EQ(Find<QGroupBox>("BGColorPL")->title(), "Background");
    QComboBox *colours = Find<QComboBox>("BGColor");
    ASSERT_EQ(colours->count(), 16);
    EXPECT_EQ(colours->currentIndex(), 15);
    EXPECT_EQ(colours->itemText(4), "Navy");
    EXPECT_FALSE(Find<QFrame>("PlayPL")->isVisible());
    EXPECT_FALSE(Find<QToolButton>("PauseBt")->isEnabled());
    EXPECT_FALSE(Find<QToolButton>("StopBt")->isEnabled());
    EXPECT_TRUE(Find<QToolButton>("PlayBt")->isEnabled());
    QSlider *track = Find<QSlider>("TrackBar");
    EXPECT_EQ(track->orientation(), Qt::Horizontal);
    EXPECT_EQ(track->pageStep(), 50);
    EXPECT_EQ(track->value(), 0);
    // The chart's box at this width: white, with the axes in black.
    const ChartGeometry g = ChartState.Geometry;
    EXPECT_EQ(g.ChartWidth, GeometryFor(Window->width()).ChartWidth);
    EXPECT_EQ(Find<TRecdIme>("RecdIme")->Picture().size(), QSize(g.BoxWidth, g.BoxHeight));
    EXPECT_EQ(PixelAt(g.ChartLeft + 10, g.ChartTop + 10), QColor(Qt::white));
    EXPECT_EQ(PixelAt(g.ChartLeft - 1, g.ChartTop + 20), QColor(Qt::black));
}

TEST_F(RecorderWindowTest, SampleTimeZeroShowsHalfASecond)
{
    QSpinBox *sampleTime = Find<QSpinBox>("SampleTime");
    sampleTime->setValue(0);
    EXPECT_TRUE(Find<QLineEdit>("SampleEdit")->isVisible());
    sampleTime->setValue(3);
    EXPECT_FALSE(Find<QLineEdit>("SampleEdit")->isVisible());
}

TEST_F(RecorderWindowTest, RecordingLocksTheSettingsAndShowsValues)
{
    Find<QSpinBox>("ComAddr2")->setValue(2);
    Click("StartBt");
    EXPECT_TRUE(RecorderState.Recording);
    EXPECT_EQ(Colour("BackGndP"), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(Find<QPushButton>("StartBt")->text(), "Stop");
    EXPECT_EQ(Find<QPushButton>("StartBt")->toolTip(), "End of acquire data");
    for (const char *locked : {"SaveBt", "RePlayBt", "SampleTime", "ComAddrPL", "DisplayMd", "MaxScale", "MinScale"})
        EXPECT_FALSE(Find<QWidget>(locked)->isEnabled()) << locked;
    EXPECT_TRUE(Find<QWidget>("DevicePL0")->isEnabled());
    EXPECT_EQ(SessionState.ActiveModule, ModuleRecorder);

    ASSERT_TRUE(Record(3));
    EXPECT_EQ(Text("PV0"), "25.3");
    EXPECT_EQ(Text("PV2"), "-12.3");
    EXPECT_EQ(Text("LoopCnt"), " 0000003");
    // The curve of device 1 crosses the chart in its colour.
    const ChartGeometry g = ChartState.Geometry;
    const int y = ValueToY(253, ChartState.Scale, g.ChartBottom);
    EXPECT_TRUE(ColourNear(g.ChartLeft + 1, y, DeviceColors[0]));

    Click("StartBt");
    EXPECT_FALSE(RecorderState.Recording);
    EXPECT_EQ(Colour("BackGndP"), QColor(0x00, 0xFF, 0x00));
    EXPECT_EQ(Find<QPushButton>("StartBt")->text(), "START");
    EXPECT_EQ(Find<QPushButton>("StartBt")->toolTip(), "Start to getting data");
    for (const char *open : {"SaveBt", "RePlayBt", "SampleTime", "ComAddrPL", "DisplayMd"})
        EXPECT_TRUE(Find<QWidget>(open)->isEnabled()) << open;
    EXPECT_FALSE(Find<QWidget>("MaxScale")->isEnabled());
    EXPECT_FALSE(Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(RecorderWindowTest, DroppedDeviceTurnsRed)
{
    Find<QSpinBox>("ComAddr1")->setValue(9);  // nobody there
    Click("StartBt");
    ASSERT_TRUE(Clock.AdvanceUntil([] { return RecorderState.DroppedAt[1] != -1; }, 30'000));
    EXPECT_TRUE(Find<QSpinBox>("ComAddr1")->styleSheet().contains("#ff0000"));
    EXPECT_TRUE(Find<QSpinBox>("ComAddr0")->styleSheet().contains("#ffffff"));
    EXPECT_EQ(Find<QLabel>("ErrMess")->text().left(9), "DEVICE  2");
    EXPECT_TRUE(RecorderState.Recording);
}

TEST_F(RecorderWindowTest, HidingTheLastCurveClearsTheChart)
{
    Click("StartBt");
    ASSERT_TRUE(Record(5));
    ASSERT_TRUE(ChartState.ChartHasCurves);
    Click("DevicePL0");
    EXPECT_FALSE(RecorderState.DeviceShown[0]);
    EXPECT_TRUE(Find<QSpinBox>("ComAddr0")->styleSheet().contains("#c0c0c0"));
    EXPECT_FALSE(ChartState.ChartHasCurves);
    const ChartGeometry g = ChartState.Geometry;
    const int y = ValueToY(253, ChartState.Scale, g.ChartBottom);
    EXPECT_FALSE(ColourNear(g.ChartLeft + 1, y, DeviceColors[0]));
    Click("DevicePL0");
    EXPECT_TRUE(ChartState.ChartHasCurves);
    EXPECT_TRUE(ColourNear(g.ChartLeft + 1, y, DeviceColors[0]));
    // A slot without an address does not toggle.
    Click("DevicePL5");
    EXPECT_TRUE(RecorderState.DeviceShown[5]);
}

TEST_F(RecorderWindowTest, FixScaleFallsBackToAutoOnAFaultyLimit)
{
    Find<QSpinBox>("ComAddr2")->setValue(2);
    Choose("DisplayMd", 1);
    EXPECT_TRUE(Find<QLineEdit>("MaxScale")->isEnabled());
    EXPECT_TRUE(Find<QLineEdit>("MinScale")->isEnabled());
    Find<QLineEdit>("MaxScale")->setText("300");
    Find<QLineEdit>("MinScale")->setText("200");
    Click("StartBt");
    ASSERT_TRUE(Record(2));
    // The typed range 20.0 .. 30.0 stretched over the room.
    const ScaleFit fit = ComputeScale(301, 199, ChartState.Geometry.ChartBottom, false);
    EXPECT_EQ(ChartState.Scale.ScaleFactor, fit.ScaleFactor);
    EXPECT_FALSE(ChartState.Scale.ScaleDivides);
    EXPECT_EQ(Text("MaxScale"), "300");
    Click("StartBt");
    EXPECT_TRUE(Find<QLineEdit>("MaxScale")->isEnabled());

    Find<QLineEdit>("MaxScale")->setText("25.0");
    Click("StartBt");
    ASSERT_TRUE(Record(1));
    EXPECT_EQ(Find<QComboBox>("DisplayMd")->currentText(), "Auto");
    EXPECT_TRUE(ChartState.AutoScale);
    EXPECT_EQ(Text("MaxScale"), TenthsText(ChartState.Scale.ScaleMax));
    EXPECT_EQ(Text("MinScale"), TenthsText(ChartState.Scale.ScaleMin));
    EXPECT_LT(ChartState.Scale.ScaleMin, -123);
    EXPECT_GT(ChartState.Scale.ScaleMax, 253);
    Click("StartBt");
    EXPECT_FALSE(Find<QLineEdit>("MaxScale")->isEnabled());
}

TEST_F(RecorderWindowTest, BackgroundColourAndInk)
{
    Choose("BGColor", 4);  // Navy
    EXPECT_EQ(ChartState.ChartInk, QColor(Qt::white));
    const ChartGeometry g = ChartState.Geometry;
    EXPECT_EQ(PixelAt(g.ChartLeft + 10, g.ChartTop + 10), QColor(0x00, 0x00, 0x80));
    EXPECT_EQ(PixelAt(g.ChartLeft - 1, g.ChartTop + 20), QColor(Qt::white));
    Choose("BGColor", 11);  // Yellow
    EXPECT_EQ(ChartState.ChartInk, QColor(Qt::black));
    EXPECT_EQ(PixelAt(g.ChartLeft + 10, g.ChartTop + 10), QColor(0xFF, 0xFF, 0x00));
}

TEST_F(RecorderWindowTest, SaveReplayAndExport)
{
    Find<QSpinBox>("ComAddr1")->setValue(2);
    Dialogs->Saves.push_back(Path("rec1.rec"));
    Click("SaveBt");
    EXPECT_EQ(Dialogs->Filters.last(), "Record files (*.rec)|*.REC");
    EXPECT_TRUE(Find<QToolButton>("SaveBt")->isChecked());
    EXPECT_TRUE(RecorderState.SaveArmed);
    EXPECT_EQ(CurrentFileName, "rec1.rec");
    Click("StartBt");
    ASSERT_TRUE(Record(5));
    EXPECT_EQ(Status(), "");
    Click("StartBt");
    EXPECT_TRUE(Find<QToolButton>("SaveBt")->isChecked());
    EXPECT_EQ(ReadAll(Path("rec1.rec")).size(), 12 + 5 * 25);
    EXPECT_EQ(Status(), "5 records saved in rec1.rec");

    // Replay: the file's addresses come into the spin edits.
    Find<QSpinBox>("ComAddr1")->setValue(0);
    Dialogs->Opens.push_back(Path("rec1.rec"));
    Click("RePlayBt");
    EXPECT_TRUE(Find<QToolButton>("RePlayBt")->isChecked());
    EXPECT_FALSE(Find<QToolButton>("SaveBt")->isChecked());
    EXPECT_FALSE(Find<QToolButton>("SaveBt")->isEnabled());
    EXPECT_FALSE(RecorderState.SaveArmed);
    EXPECT_TRUE(Find<QFrame>("PlayPL")->isVisible());
    EXPECT_FALSE(Find<QFrame>("BackGndP")->isVisible());
    EXPECT_EQ(Find<QSpinBox>("ComAddr1")->value(), 2);
    EXPECT_FALSE(Find<QSpinBox>("SampleTime")->isEnabled());
    EXPECT_TRUE(Find<QLineEdit>("LoopCnt")->isEnabled());
    EXPECT_EQ(Find<QSlider>("TrackBar")->maximum(), 5);
    EXPECT_EQ(Text("PV0"), "");

    Click("PlayBt");
    EXPECT_FALSE(Find<QToolButton>("PlayBt")->isEnabled());
    EXPECT_TRUE(Find<QToolButton>("PauseBt")->isEnabled());
    EXPECT_FALSE(Find<QToolButton>("RePlayBt")->isEnabled());
    Clock.Advance(5 * 20);
    EXPECT_TRUE(Find<QToolButton>("PlayBt")->isEnabled());
    EXPECT_FALSE(Find<QToolButton>("PauseBt")->isEnabled());
    EXPECT_FALSE(Find<QToolButton>("StopBt")->isEnabled());
    EXPECT_EQ(Find<QSlider>("TrackBar")->value(), 5);
    EXPECT_EQ(Text("PV0"), "25.3");
    EXPECT_EQ(Text("PV1"), "-12.3");

    // A typed position and Enter.
    QLineEdit *counter = Find<QLineEdit>("LoopCnt");
    counter->clear();
    const qsizetype dialogs = Dialogs->Filters.size();
    QTest::keyClicks(counter, "3");
    QTest::keyClick(counter, Qt::Key_Return);
    EXPECT_EQ(RecorderState.SampleCount, 3);
    EXPECT_EQ(Dialogs->Filters.size(), dialogs);  // Enter pressed no button
    EXPECT_EQ(counter->text(), " 0000003");
    counter->setText("x");
    QTest::keyClick(counter, Qt::Key_Return);
    EXPECT_EQ(Errors, QStringList{"'x' is not a valid integer value"});
    EXPECT_EQ(RecorderState.SampleCount, 3);

    // The table of the file.
    Dialogs->Saves.push_back(Path("rec1.csv"));
    Click("CsvBt");
    EXPECT_EQ(Dialogs->Filters.last(), "CSV files (*.csv)|*.CSV");
    const QList<QByteArray> rows = ReadAll(Path("rec1.csv")).split('\n');
    ASSERT_EQ(rows.size(), 1 + 5 + 1);
    EXPECT_EQ(rows[0], "Time,1,2\r");
    EXPECT_TRUE(rows[1].endsWith(",25.3,-12.3\r"));
    EXPECT_EQ(Status(), "5 rows written to rec1.csv");

    Click("RePlayBt");
    EXPECT_FALSE(Find<QToolButton>("RePlayBt")->isChecked());
    EXPECT_FALSE(Find<QFrame>("PlayPL")->isVisible());
    EXPECT_TRUE(Find<QFrame>("BackGndP")->isVisible());
    EXPECT_TRUE(Find<QToolButton>("SaveBt")->isEnabled());
    EXPECT_TRUE(Find<QSpinBox>("SampleTime")->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>("LoopCnt")->isEnabled());
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join('\n').toStdString();
}

TEST_F(RecorderWindowTest, ReplayOfAnUnreadableFileIsRefused)
{
    QFile file(Path("bad.rec"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("short");
    file.close();
    Dialogs->Opens.push_back(Path("bad.rec"));
    Click("RePlayBt");
    EXPECT_EQ(Messages, QStringList{"File Error|Can't perform one of the following file operations: Open, Seek, Read"});
    EXPECT_FALSE(Find<QToolButton>("RePlayBt")->isChecked());
    EXPECT_TRUE(Find<QFrame>("BackGndP")->isVisible());
    // A cancelled dialog: nothing at all.
    Messages.clear();
    Click("RePlayBt");
    EXPECT_TRUE(Messages.isEmpty());
    EXPECT_FALSE(Find<QToolButton>("RePlayBt")->isChecked());
}

TEST_F(RecorderWindowTest, SaveButtonAsksBeforeOverwritingAnExistingFile)
{
    ASSERT_TRUE(RecordBuilder().Write(Path("old.rec")));
    Dialogs->Saves.push_back(Path("old.rec"));
    Dialogs->Answer = false;
    Click("SaveBt");
    EXPECT_EQ(Dialogs->Questions, QStringList{"Over write file : old.rec"});
    EXPECT_FALSE(Find<QToolButton>("SaveBt")->isChecked());
    EXPECT_FALSE(RecorderState.SaveArmed);
    // Cancelled dialog: the button comes up again.
    Click("SaveBt");
    EXPECT_FALSE(Find<QToolButton>("SaveBt")->isChecked());
    // Armed, then clicked again: disarmed.
    Dialogs->Saves.push_back(Path("new.rec"));
    Click("SaveBt");
    EXPECT_TRUE(RecorderState.SaveArmed);
    Click("SaveBt");
    EXPECT_FALSE(RecorderState.SaveArmed);
    EXPECT_FALSE(Find<QToolButton>("SaveBt")->isChecked());
}

TEST_F(RecorderWindowTest, CheckButtonsAnswerToggling)
{
    // Keys and assistive tools toggle a check button without a click.
    Dialogs->Saves.push_back(Path("toggled.rec"));
    Find<QToolButton>("SaveBt")->toggle();
    EXPECT_TRUE(RecorderState.SaveArmed);
    EXPECT_EQ(Dialogs->Filters.size(), 1);
    Find<QToolButton>("RePlayBt")->toggle();
    EXPECT_EQ(Dialogs->Filters.size(), 2);
    EXPECT_FALSE(Find<QToolButton>("RePlayBt")->isChecked());
    EXPECT_FALSE(RecorderState.SaveArmed);
}

TEST_F(RecorderWindowTest, ExitEndsTheRecordingAndReleasesTheLine)
{
    Dialogs->Saves.push_back(Path("exit.rec"));
    Click("SaveBt");
    Click("StartBt");
    ASSERT_TRUE(Record(2));
    Click("ExitBt3");
    EXPECT_FALSE(Window->isVisible());
    EXPECT_FALSE(RecorderState.Recording);
    EXPECT_FALSE(RecorderState.SaveArmed);
    EXPECT_FALSE(Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_EQ(ReadAll(Path("exit.rec")).size(), 12 + 2 * 25);
    Window.reset();
    EXPECT_EQ(PRecord, nullptr);
    EXPECT_EQ(Link.Handler, nullptr);
}

} // namespace
