// The scan end to end against the simulated controller bus, in process and
// on the virtual clock: the bus knows every line setting, so a controller
// answers under exactly its own combination.
#include "Comset.h"
#include "ErrorReport.h"
#include "MessageBoxes.h"
#include "RadioGroup.h"
#include "ScanRig.h"
#include "SimBus.h"
#include "TappedTraffic.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Lines into the bus that, like a pseudo-terminal, refuse a change of parity
// or data bits in place.
LineFactory RefusingLines(LinePeer *bus, int &made)
{
    return [bus, &made](int comNumber) -> std::unique_ptr<SerialLine> {
        if (comNumber < 1 || comNumber > 8)
            throw ComError(QStringLiteral("ie_BadId - Specified comport doesn't exist"));
        auto line = std::make_unique<InProcessLine>(bus, QStringLiteral("simulated COM%1").arg(comNumber));
        line->RefuseFramingChange = true;
        ++made;
        return line;
    };
}

// Passes everything on to the bus, counting the opens of the line.
class OpenCounter : public LinePeer {
public:
    explicit OpenCounter(LinePeer &bus) : Bus(bus) {}
    void Receive(InProcessLine &line, const QByteArray &bytes) override { Bus.Receive(line, bytes); }
    void Attached(InProcessLine &line) override
    {
        ++Opens;
        Bus.Attached(line);
    }
    void Detached(InProcessLine &line) override { Bus.Detached(line); }

    LinePeer &Bus;
    int Opens = 0;
};

class ScanSimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetSharedState(1);
        Bus.Add({.Address = 0x11, .Baud = 19200, .DataBits = 8, .Parity = pEven, .StopBits = 1, .Rtu = true});
    }
    void TearDown() override { ResetSharedState(0); }

    bool RunToEnd(const ScanEngine &engine)
    {
        return Clock.AdvanceUntil([&engine] { return !engine.Searching(); }, 100'000'000);
    }

    VirtualClock Clock;
    SimBus Bus{Clock};
    RecordingView View;
};

TEST_F(ScanSimTest, ControllerIsFoundUnderExactlyItsOwnSettings)
{
    TappedTraffic traffic;
    SetupRig rig(Clock, &Bus);
    ScanEngine engine(rig.Link, SessionState, LinkSettings, View);
    Scan::Presets presets;
    presets.Address = 2;  // 11H~20H; every link setting open
    engine.Start(presets);
    EXPECT_EQ(engine.ProbeTotal(), 90 * 16);
    ASSERT_TRUE(RunToEnd(engine));
    ASSERT_EQ(engine.FoundCount(), 1);
    EXPECT_EQ(engine.FoundCandidate(1), 81);  // 19200, even, 8 bits, 1 stop bit, RTU
    ASSERT_EQ(View.Hits.size(), 1u);
    EXPECT_EQ(View.Hits[0].Address, QStringLiteral("11H"));
    EXPECT_EQ(View.Hits[0].Protocol, QStringLiteral("19200,8,E,1,RTU  "));
    EXPECT_EQ(View.EndText, QStringLiteral("Search Completed,Found 1 items"));
    EXPECT_FALSE(rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    // Every probe in the traffic log: the one answer good, the others silent.
    const TrafficCounts &counts = traffic.Counts();
    EXPECT_EQ(counts.Sent, 90 * 16);
    EXPECT_EQ(counts.Of(TrafficVerdict::Ok), 1);
    EXPECT_EQ(counts.Of(TrafficVerdict::Timeout), 90 * 16 - 1);
    EXPECT_EQ(traffic.Count(), 2 * 90 * 16);
    for (int i = 0; i < traffic.Count(); ++i)
        ASSERT_EQ(traffic.Row(i).Link, TrafficLink::Setup);
}

TEST_F(ScanSimTest, SeveralControllersEachUnderTheirOwnCandidate)
{
    Bus.Add({.Address = 0x14, .Kind = Model::B, .Baud = 9600, .DataBits = 7, .Parity = pOdd, .StopBits = 1});
    Bus.Add({.Address = 0x1F, .Kind = Model::C, .Baud = 38400, .DataBits = 8, .Parity = pNone, .StopBits = 2});
    SetupRig rig(Clock, &Bus);
    ScanEngine engine(rig.Link, SessionState, LinkSettings, View);
    Scan::Presets presets;
    presets.Address = 2;
    engine.Start(presets);
    ASSERT_TRUE(RunToEnd(engine));
    ASSERT_EQ(engine.FoundCount(), 3);
    // Found in candidate order: 0 (9600 7O1 ASCII), 57 (38400 8N2 ASCII), 81.
    EXPECT_EQ(engine.FoundCandidate(1), 0);
    EXPECT_EQ(engine.FoundCandidate(2), 57);
    EXPECT_EQ(engine.FoundCandidate(3), 81);
    EXPECT_EQ(View.Hits[0].Address, QStringLiteral("14H"));
    EXPECT_EQ(View.Hits[1].Address, QStringLiteral("1FH"));
    EXPECT_EQ(View.Hits[1].Protocol, QStringLiteral("38400,8,N,2,ASCII"));
}

TEST_F(ScanSimTest, LineThatRefusesFramingChangesIsReopenedUnseen)
{
    int made = 0;
    OpenCounter counter(Bus);
    TComPort port(Clock, RefusingLines(&counter, made));
    SetupLink link(port);
    port.OnTrigger = [&link](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
        RouteSetupTrigger(link, message, argument);
    };
    ScanEngine engine(link, SessionState, LinkSettings, View);
    Scan::Presets presets;
    presets.Address = 2;
    presets.Baud = 1;  // 19200: parity and length change between candidates
    engine.Start(presets);
    ASSERT_TRUE(RunToEnd(engine));
    EXPECT_TRUE(View.FaultText.isEmpty()) << View.FaultText.toStdString();
    ASSERT_EQ(engine.FoundCount(), 1);
    EXPECT_EQ(engine.FoundCandidate(1), 81);
    EXPECT_EQ(made, 1);  // one line, reopened in place
    // 19200 gives 18 candidates: each of the 17 steps changes the parity and
    // three of them the data bits too, and every refused change reopens.
    EXPECT_EQ(counter.Opens, 1 + 17 + 3);
}

class ScanSimDialogTest : public ScanSimTest {
protected:
    void SetUp() override
    {
        ScanSimTest::SetUp();
        ASSERT_TRUE(Folder.isValid());
        Previous = QDir::currentPath();
        QDir::setCurrent(Folder.path());
        std::fill(std::begin(ComPortPresent), std::end(ComPortPresent), false);
        ComPortPresent[2] = true;
        SettingsFileFound = true;
        ComSettingWord = 0x224;  // COM2, 9600, 7E1, ASCII
        SetMessageSink([](const QString &, const QString &) {});
        SetErrorReporter([this](const QString &text) { Errors << text; });
        Dialog = std::make_unique<TProtocol>(Rig.Link);
        Dialog->show();
    }
    void TearDown() override
    {
        Dialog.reset();
        SetMessageSink({});
        SetErrorReporter({});
        std::fill(std::begin(ComPortPresent), std::end(ComPortPresent), false);
        QDir::setCurrent(Previous);
        ScanSimTest::TearDown();
    }
    template <typename T>
    T *Find(const char *name) const
    {
        T *child = Dialog->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void Click(const char *name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
    void Choose(const char *list, int index)
    {
        QComboBox *box = Find<QComboBox>(list);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    QTemporaryDir Folder;
    QString Previous;
    QStringList Errors;
    SetupRig Rig{Clock, &Bus};
    std::unique_ptr<TProtocol> Dialog;
};

TEST_F(ScanSimDialogTest, FoundSettingsGoThroughSetAndOkIntoTheStoredWord)
{
    Click("AutoDetectBt");
    Choose("AddrPreSet", 2);
    Click("SetStartBt");
    EXPECT_EQ(SessionState.ActiveModule, ModuleSetup);
    ASSERT_TRUE(RunToEnd(Dialog->Engine()));
    ASSERT_EQ(Dialog->ResultText(1, 1), QStringLiteral("11H"));
    EXPECT_EQ(Dialog->ResultText(1, 2), QStringLiteral("19200,8,E,1,RTU  "));
    EXPECT_TRUE(Dialog->ResultText(2, 1).isEmpty());
    Dialog->ResultTableSelectCell(1);
    Click("SETBt");
    Click("SetCloseBt");
    Click("OKBt");
    // COM2, 19200 (3), even (1), 8 bits, 1 stop bit, RTU.
    EXPECT_EQ(ComSettingWord, 2 * 256 + 3 * 16 + 1 * 4 + 2 + 0 + 128);
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(ScanSimDialogTest, AbortAndCloseReleaseTheLine)
{
    Click("AutoDetectBt");
    Click("SetStartBt");
    Clock.Advance(5000);
    ASSERT_TRUE(Rig.Port.Open());
    Click("SetStartBt");  // CANCEL
    EXPECT_FALSE(Rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);

    Click("SetStartBt");  // START again
    Clock.Advance(5000);
    ASSERT_TRUE(Rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleSetup);
    Click("SetCloseBt");
    EXPECT_FALSE(Rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_FALSE(Dialog->Engine().Searching());
}

} // namespace
