#include "Comset.h"
#include "ErrorReport.h"
#include "MessageBoxes.h"
#include "RadioGroup.h"
#include "ScanRig.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

QStringList Items(const QComboBox *list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

QStringList Items(const TRadioGroup *group)
{
    QStringList items;
    for (int i = 0; i < group->Count(); ++i)
        items << group->Button(i)->text();
    return items;
}

class ProtocolDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        Previous = QDir::currentPath();
        QDir::setCurrent(Folder.path());
        ResetSharedState(0);
        std::fill(std::begin(ComPortPresent), std::end(ComPortPresent), false);
        ComSettingWord = 0;
        SettingsFileFound = true;
        SetMessageSink([this](const QString &text, const QString &) { Messages << text; });
        SetErrorReporter([this](const QString &text) { Errors << text; });
    }
    void TearDown() override
    {
        Dialog.reset();
        SetMessageSink({});
        SetErrorReporter({});
        std::fill(std::begin(ComPortPresent), std::end(ComPortPresent), false);
        ResetSharedState(0);
        QDir::setCurrent(Previous);
    }

    void Present(std::initializer_list<int> ports)
    {
        for (int p : ports)
            ComPortPresent[p] = true;
    }
    TProtocol &Show(int word)
    {
        ComSettingWord = word;
        Dialog = std::make_unique<TProtocol>(Rig.Link);
        Dialog->show();
        return *Dialog;
    }
    template <typename T>
    T *Find(const char *name) const
    {
        T *child = Dialog->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    TRadioGroup *Group(const char *name) const { return Find<TRadioGroup>(name); }
    QRadioButton *Port(int n) const { return Find<QRadioButton>(QStringLiteral("COM%1").arg(n).toLatin1().constData()); }
    void Click(const char *name) { QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton); }
    void ClickItem(const char *group, int index) { QTest::mouseClick(Group(group)->Button(index), Qt::LeftButton); }
    // The operator picks an item and the list closes.
    void Choose(const char *list, int index)
    {
        QComboBox *box = Find<QComboBox>(list);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    int Index(const char *list) const { return Find<QComboBox>(list)->currentIndex(); }
    QString Label(const char *name) const { return Find<QLabel>(name)->text(); }
    QString SettingsFileText() const
    {
        QFile file(QString::fromLatin1(SettingsFileName));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QStringLiteral("<none>");
    }
    bool RunScan(qint64 limitMs = 10'000'000)
    {
        return Clock.AdvanceUntil([this] { return !Dialog->Engine().Searching(); }, limitMs);
    }
    void OpenPanelAndStart()
    {
        Click("AutoDetectBt");
        Click("SetStartBt");
    }

    QTemporaryDir Folder;
    QString Previous;
    QStringList Messages;
    QStringList Errors;
    VirtualClock Clock;
    ScriptedPeer Peer{Clock};
    SetupRig Rig{Clock, &Peer, 8};  // COM1-COM8 can be opened
    std::unique_ptr<TProtocol> Dialog;
};

// ---- The settings page ------------------------------------------------

TEST_F(ProtocolDialogTest, ShowsTheSettingsPageWithItsControls)
{
    Present({1});
    Show(0x124);
    EXPECT_EQ(Dialog->windowTitle(), QStringLiteral("COMMUNICATION PROTOCOL"));
    EXPECT_EQ(Protocol, Dialog.get());
    EXPECT_EQ(Find<QGroupBox>("COMPort")->title(), QStringLiteral("Com Port"));
    for (int n = 1; n <= 12; ++n)
        EXPECT_EQ(Port(n)->text(), QStringLiteral("COM%1").arg(n));

    struct GroupCase {
        const char *Name;
        const char *Title;
        QStringList Items;
    };
    const GroupCase groups[] = {
        {"Baudrate", "Baudrate", {"2400bps", "4800bps", "9600bps", "19200bps", "38400bps"}},
        {"DataLen", "Data Length", {"7 Bits", "8 Bits"}},
        {"Parity", "Parity Bit", {"None", "Even", "Odd"}},
        {"StopBit", "Stop Bit", {"1 Bit", "2 Bits"}},
        {"Format", "Format", {"ASCII", "RTU"}},
    };
    for (const GroupCase &g : groups) {
        EXPECT_EQ(Group(g.Name)->title(), QString::fromLatin1(g.Title)) << g.Name;
        EXPECT_EQ(Items(Group(g.Name)), g.Items) << g.Name;
    }
    EXPECT_EQ(Find<QPushButton>("AutoDetectBt")->text(), QStringLiteral("Auto Detect"));
    EXPECT_EQ(Find<QPushButton>("OKBt")->text(), QStringLiteral("OK"));
    EXPECT_EQ(Find<QPushButton>("CancelBt")->text(), QStringLiteral("Cancel"));
    EXPECT_TRUE(Find<QPushButton>("OKBt")->isVisible());
    for (const char *hidden : {"DetectPL", "AutoDetectLb", "DetectBar", "TimeStamp"})
        EXPECT_FALSE(Find<QWidget>(hidden)->isVisible()) << hidden;
    EXPECT_FALSE(Dialog->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    Dialog.reset();
    EXPECT_EQ(Protocol, nullptr);
}

struct ShowCase {
    const char *Name;
    int Word;
    std::vector<int> Present;
    int Port;  // 0: none
    int Baud, Parity, Length, Stop, Format;
    bool LengthEnabled;
    bool NoPortMessage;
};

class FormShowTest : public ProtocolDialogTest, public ::testing::WithParamInterface<ShowCase> {};

TEST_P(FormShowTest, LoadsTheGroupsFromTheStoredWord)
{
    const ShowCase &c = GetParam();
    for (int p : c.Present)
        ComPortPresent[p] = true;
    Show(c.Word);
    // Nothing is told from inside the show event: the box comes once the
    // dialog is up.
    EXPECT_TRUE(Messages.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(LinkSettings.PortNumber, c.Port);
    if (c.Port) {
        EXPECT_TRUE(Port(c.Port)->isChecked());
    }
    for (int n = 1; n <= 12; ++n)
        EXPECT_EQ(Port(n)->isEnabled(), ComPortPresent[n]) << n;
    EXPECT_EQ(Group("Baudrate")->ItemIndex(), c.Baud);
    EXPECT_EQ(Group("Parity")->ItemIndex(), c.Parity);
    EXPECT_EQ(Group("DataLen")->ItemIndex(), c.Length);
    EXPECT_EQ(Group("StopBit")->ItemIndex(), c.Stop);
    EXPECT_EQ(Group("Format")->ItemIndex(), c.Format);
    EXPECT_EQ(Group("DataLen")->isEnabled(), c.LengthEnabled);
    EXPECT_EQ(Messages, c.NoPortMessage ? QStringList{"No COM Port Exist"} : QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Words, FormShowTest,
    ::testing::Values(ShowCase{"com3_9600_7E1_ascii", 0x324, {3}, 3, 2, 1, 0, 0, 0, true, false},
                      ShowCase{"storedPortAbsent", 0x524, {2, 7}, 2, 2, 1, 0, 0, 0, true, false},
                      ShowCase{"rtuDisablesLength", 0x3C7, {3, 4}, 3, 4, 1, 1, 1, 1, false, false},
                      ShowCase{"noPort", 0xD24, {}, 0, 2, 1, 0, 0, 0, true, true},
                      ShowCase{"onlyComZeroIsNoPort", 0x024, {0}, 0, 2, 1, 0, 0, 0, true, true},
                      ShowCase{"portBeyondTwelve", 0xD24, {12}, 12, 2, 1, 0, 0, 0, true, false},
                      // Rate index 6 and parity index 3 have no item.
                      ShowCase{"itemsWithoutButtons", 0x16C, {1}, 1, -1, -1, 0, 0, 0, true, false}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(ProtocolDialogTest, FormatRtuForcesEightBitsAndGreysTheLength)
{
    Present({1});
    Show(0x124);
    ClickItem("Format", 1);
    EXPECT_EQ(Group("DataLen")->ItemIndex(), 1);
    EXPECT_FALSE(Group("DataLen")->isEnabled());
    ClickItem("Format", 0);
    EXPECT_EQ(Group("DataLen")->ItemIndex(), 1);
    EXPECT_TRUE(Group("DataLen")->isEnabled());
}

struct OkCase {
    const char *Name;
    bool FileFound;
    const char *Clicks;  // group letter and item: "B3" = Baudrate item 3
    const char *Written;
    int Word;
};

class OkTest : public ProtocolDialogTest, public ::testing::WithParamInterface<OkCase> {};

TEST_P(OkTest, StoresTheWordAndWritesTheFileWhenItChangedOrWasMissing)
{
    const OkCase &c = GetParam();
    SettingsFileFound = c.FileFound;
    Present({3, 4});
    Show(0x324);
    const std::map<char, const char *> groups = {
        {'B', "Baudrate"}, {'P', "Parity"}, {'L', "DataLen"}, {'S', "StopBit"}, {'F', "Format"}};
    for (const char *k = c.Clicks; *k; k += 2) {
        if (k[0] == 'C')
            QTest::mouseClick(Port(k[1] - '0'), Qt::LeftButton);
        else
            ClickItem(groups.at(k[0]), k[1] - '0');
    }
    Click("OKBt");
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_EQ(SettingsFileText(), QString::fromLatin1(c.Written));
    EXPECT_EQ(ComSettingWord, c.Word);
    EXPECT_TRUE(Messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OkTest,
    ::testing::Values(OkCase{"unchangedAfterFileRead", true, "", "<none>", 0x324},
                      OkCase{"unchangedAfterStartWithoutFile", false, "", "804", 0x324},
                      OkCase{"baud19200", true, "B3", "820", 0x334},
                      OkCase{"com4_odd_8bits_2stop_rtu", true, "C4P2L1S1F1", "1195", 0x4AB},
                      OkCase{"changedBackIsUnchanged", true, "B4B2", "<none>", 0x324}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(ProtocolDialogTest, OkKeepsTheStoredFieldsThatHaveNoButton)
{
    Present({1});
    SettingsFileFound = false;
    Show(0x16C);  // rate index 6, parity index 3
    Click("OKBt");
    EXPECT_EQ(SettingsFileText(), QStringLiteral("364"));
}

TEST_F(ProtocolDialogTest, OkThatCannotWriteTellsAndKeepsTheWordForThisRun)
{
    QDir().mkdir(QString::fromLatin1(SettingsFileName));  // a folder in the file's place
    Present({3});
    Show(0x324);
    ClickItem("Baudrate", 4);
    Click("OKBt");
    EXPECT_EQ(Messages, QStringList{"Data can not save !!! Disc full or protected."});
    EXPECT_EQ(ComSettingWord, 0x344);
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
}

TEST_F(ProtocolDialogTest, CancelLeavesTheWordAndTheFile)
{
    Present({3, 4});
    SettingsFileFound = false;
    Show(0x324);
    QTest::mouseClick(Port(4), Qt::LeftButton);
    EXPECT_EQ(LinkSettings.PortNumber, 4);
    Click("CancelBt");
    EXPECT_EQ(Dialog->result(), QDialog::Rejected);
    EXPECT_EQ(ComSettingWord, 0x324);
    EXPECT_EQ(SettingsFileText(), QStringLiteral("<none>"));
}

TEST_F(ProtocolDialogTest, EscapeDoesNotCloseIt)
{
    Present({1});
    Show(0x124);
    QTest::keyClick(Dialog.get(), Qt::Key_Escape);
    EXPECT_TRUE(Dialog->isVisible());
}

TEST_F(ProtocolDialogTest, PortButtonsTellTheirDevice)
{
    QDir().mkdir(QStringLiteral("ports"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), QStringLiteral("ports/COM2")));
    Present({2});
    Show(0x224);
    EXPECT_EQ(Port(2)->text(), QStringLiteral("COM2"));
    EXPECT_TRUE(Port(2)->toolTip().contains(QStringLiteral("/dev/null"))) << Port(2)->toolTip().toStdString();
    EXPECT_TRUE(Port(2)->toolTip().contains(QStringLiteral("ports/COM2")));
}

// ---- The search panel -------------------------------------------------

TEST_F(ProtocolDialogTest, AutoDetectOpensThePanelOverTheSettings)
{
    Present({1});
    Show(0x124);
    Click("AutoDetectBt");
    EXPECT_TRUE(Find<QWidget>("DetectPL")->isVisible());
    EXPECT_FALSE(Find<QPushButton>("OKBt")->isVisible());
    EXPECT_TRUE(Find<QLabel>("AutoDetectLb")->isVisible());
    EXPECT_EQ(Label("AutoDetectLb"), QStringLiteral("Pressed Start to begin detect"));
    EXPECT_FALSE(Find<QProgressBar>("DetectBar")->isVisible());
    EXPECT_TRUE(Find<QLabel>("TimeStamp")->isVisible());
    EXPECT_TRUE(Label("TimeStamp").isEmpty());

    EXPECT_EQ(Label("ProtocolTitle1"), QStringLiteral("Address            Baud Rate        Bit Length"));
    EXPECT_EQ(Label("ProtocolTitle2"), QStringLiteral("Parity                Stop Bit               Protocol"));
    EXPECT_EQ(Items(Find<QComboBox>("AddrPreSet")),
              (QStringList{"UNKNOW", "01H~10H", "11H~20H", "21H~30H", "31H~40H", "41H~50H", "51H~60H", "61H~70H",
                           "71H~80H", "81H~90H", "91H~A0H", "A1H~B0H", "B1H~C0H", "C1H~D0H", "D1H~E0H", "E1H~F0H",
                           "F1H~F7H"}));
    EXPECT_EQ(Items(Find<QComboBox>("BaudPreSet")), (QStringList{"UNKNOW", "9600", "19200", "38400", "4800", "2400"}));
    EXPECT_EQ(Items(Find<QComboBox>("LengthPreSet")), (QStringList{"UNKNOW", "7 BITS", "8 BITS"}));
    EXPECT_EQ(Items(Find<QComboBox>("ParityPreSet")), (QStringList{"UNKNOW", "ODD", "EVEN", "NONE"}));
    EXPECT_EQ(Items(Find<QComboBox>("StopPreSet")), (QStringList{"UNKNOW", "1 STOP BIT", "2 STOP BITS"}));
    EXPECT_EQ(Items(Find<QComboBox>("ProtocolPreSet")), (QStringList{"UNKNOW", "ASCII", "RTU"}));
    for (const char *list : {"AddrPreSet", "BaudPreSet", "LengthPreSet", "ParityPreSet", "StopPreSet", "ProtocolPreSet"})
        EXPECT_EQ(Index(list), 0) << list;

    EXPECT_EQ(Find<QTableWidget>("ResultTable")->rowCount(), 29);
    EXPECT_EQ(Dialog->ResultText(0, 1), QStringLiteral(" Address"));
    EXPECT_EQ(Dialog->ResultText(0, 2), QStringLiteral(" Communicate Protocol"));
    EXPECT_EQ(Dialog->ResultText(1, 0), QStringLiteral("1"));
    EXPECT_EQ(Dialog->ResultText(28, 0), QStringLiteral("28"));
    EXPECT_EQ(Dialog->ResultText(29, 0), QString());
    EXPECT_EQ(Find<QPushButton>("SetStartBt")->text(), QStringLiteral("START"));
    EXPECT_EQ(Find<QPushButton>("SETBt")->text(), QStringLiteral("SET"));
    EXPECT_FALSE(Find<QPushButton>("SETBt")->isEnabled());
    EXPECT_EQ(Find<QPushButton>("SetCloseBt")->text(), QStringLiteral("CLOSE"));
}

struct PresetStep {
    const char *List;
    int Index;
};
struct PresetCase {
    const char *Name;
    std::vector<PresetStep> Steps;
    int Length, Stop;
};

class PresetRuleTest : public ProtocolDialogTest, public ::testing::WithParamInterface<PresetCase> {};

TEST_P(PresetRuleTest, ApplyWhenAListIsClosed)
{
    Present({1});
    Show(0x124);
    Click("AutoDetectBt");
    for (const PresetStep &step : GetParam().Steps)
        Choose(step.List, step.Index);
    EXPECT_EQ(Index("LengthPreSet"), GetParam().Length);
    EXPECT_EQ(Index("StopPreSet"), GetParam().Stop);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PresetRuleTest,
    ::testing::Values(PresetCase{"rtuForcesEightBits", {{"LengthPreSet", 1}, {"ProtocolPreSet", 2}}, 2, 0},
                      PresetCase{"thenEvenGivesOneStopBit",
                                 {{"LengthPreSet", 1}, {"ProtocolPreSet", 2}, {"ParityPreSet", 2}}, 2, 1},
                      PresetCase{"sevenBitsNoneGivesTwoStopBits", {{"LengthPreSet", 1}, {"ParityPreSet", 3}}, 1, 2},
                      PresetCase{"eightBitsOddOverridesTwoStopBits",
                                 {{"StopPreSet", 2}, {"ParityPreSet", 1}, {"LengthPreSet", 2}}, 2, 1},
                      PresetCase{"rtuWinsOverALaterSevenBits", {{"ProtocolPreSet", 2}, {"LengthPreSet", 1}}, 2, 0},
                      PresetCase{"eightBitsNoneLeavesStop", {{"StopPreSet", 2}, {"ParityPreSet", 3}, {"LengthPreSet", 2}},
                                 2, 2},
                      PresetCase{"anyListRunsTheRules",
                                 {{"LengthPreSet", 1}, {"ParityPreSet", 3}, {"StopPreSet", 1}, {"AddrPreSet", 4}}, 1, 2}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(ProtocolDialogTest, StartScansShowsHitsAndCompletes)
{
    Present({2});
    Show(0x224);
    Peer.Answer = ControllerAt(0x1F, LineSettings{9600, 7, pOdd, 1}, false);
    Click("AutoDetectBt");
    Choose("AddrPreSet", 2);    // 11H~20H
    Choose("LengthPreSet", 1);  // 7 BITS
    Choose("StopPreSet", 1);
    Choose("ProtocolPreSet", 1);
    Click("SetStartBt");
    EXPECT_EQ(Find<QPushButton>("SetStartBt")->text(), QStringLiteral("CANCEL"));
    EXPECT_TRUE(Find<QProgressBar>("DetectBar")->isVisible());
    EXPECT_EQ(Find<QProgressBar>("DetectBar")->maximum(), 15 * 16);
    EXPECT_EQ(Label("AutoDetectLb"), QStringLiteral("COM02, 9600,7,O,1,ASCII"));
    EXPECT_EQ(SessionState.ActiveModule, ModuleSetup);
    ASSERT_TRUE(Clock.AdvanceUntil([this] { return Dialog->Engine().ProbesDone() == 1; }, 1000));
    EXPECT_EQ(Label("TimeStamp"), QStringLiteral("Estimate time left : 43 sec"));  // 239 x 0.183 s

    ASSERT_TRUE(RunScan());
    EXPECT_EQ(Label("AutoDetectLb"), QStringLiteral("Search Completed,Found 1 items"));
    EXPECT_EQ(Find<QPushButton>("SetStartBt")->text(), QStringLiteral("START"));
    EXPECT_EQ(Find<QProgressBar>("DetectBar")->value(), 240);
    EXPECT_EQ(Dialog->ResultText(1, 1), QStringLiteral("1FH"));
    EXPECT_EQ(Dialog->ResultText(1, 2), QStringLiteral(" 9600,7,O,1,ASCII"));
    EXPECT_FALSE(Rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_FALSE(Find<QPushButton>("SETBt")->isEnabled());

    // Hidden and shown again, the panel keeps its presets and results.
    Click("SetCloseBt");
    Click("AutoDetectBt");
    EXPECT_EQ(Dialog->ResultText(1, 1), QStringLiteral("1FH"));
    EXPECT_EQ(Index("AddrPreSet"), 2);
    EXPECT_EQ(Index("LengthPreSet"), 1);
}

TEST_F(ProtocolDialogTest, SelectedHitGoesThroughSetIntoTheSettingsAndOkStoresIt)
{
    Present({1});
    SettingsFileFound = true;
    Show(0x124);
    Peer.Answer = ControllerAt(0x05, LineSettings{19200, 8, pEven, 1}, true);
    Click("AutoDetectBt");
    Choose("AddrPreSet", 1);
    Choose("BaudPreSet", 2);
    Choose("ProtocolPreSet", 2);
    Click("SetStartBt");
    ASSERT_TRUE(RunScan());
    ASSERT_EQ(Dialog->Engine().FoundCount(), 1);
    EXPECT_EQ(Dialog->Engine().FoundCandidate(1), 81);
    EXPECT_EQ(Dialog->ResultText(1, 2), QStringLiteral("19200,8,E,1,RTU  "));

    Dialog->ResultTableSelectCell(1);
    EXPECT_EQ(Find<QComboBox>("BaudPreSet")->currentText(), QStringLiteral("19200"));
    EXPECT_EQ(Find<QComboBox>("ParityPreSet")->currentText(), QStringLiteral("EVEN"));
    EXPECT_EQ(Find<QComboBox>("LengthPreSet")->currentText(), QStringLiteral("8 BITS"));
    EXPECT_EQ(Find<QComboBox>("StopPreSet")->currentText(), QStringLiteral("1 STOP BIT"));
    EXPECT_EQ(Find<QComboBox>("ProtocolPreSet")->currentText(), QStringLiteral("RTU"));
    EXPECT_EQ(Index("AddrPreSet"), 1);
    ASSERT_TRUE(Find<QPushButton>("SETBt")->isEnabled());

    Click("SETBt");
    EXPECT_TRUE(Find<QWidget>("DetectPL")->isVisible());
    Click("SetCloseBt");
    EXPECT_FALSE(Find<QWidget>("DetectPL")->isVisible());
    EXPECT_EQ(Group("Baudrate")->Button(Group("Baudrate")->ItemIndex())->text(), QStringLiteral("19200bps"));
    EXPECT_EQ(Group("Parity")->Button(Group("Parity")->ItemIndex())->text(), QStringLiteral("Even"));
    EXPECT_EQ(Group("DataLen")->Button(Group("DataLen")->ItemIndex())->text(), QStringLiteral("8 Bits"));
    EXPECT_EQ(Group("StopBit")->Button(Group("StopBit")->ItemIndex())->text(), QStringLiteral("1 Bit"));
    EXPECT_EQ(Group("Format")->Button(Group("Format")->ItemIndex())->text(), QStringLiteral("RTU"));
    EXPECT_FALSE(Group("DataLen")->isEnabled());
    EXPECT_EQ(ComSettingWord, 0x124);  // nothing stored before OK
    Click("OKBt");
    EXPECT_EQ(ComSettingWord, 0x1B6);  // COM1, 19200, even, 8 bits, 1 stop, RTU
    EXPECT_EQ(SettingsFileText(), QStringLiteral("438"));
}

TEST_F(ProtocolDialogTest, SetAppliesTheFormatLast)
{
    Present({1});
    Show(0x1A6);  // RTU with 8 bits: the length is greyed out
    Click("AutoDetectBt");
    Peer.Answer = ControllerAt(0x01, LineSettings{4800, 7, pNone, 2}, false);
    Choose("AddrPreSet", 1);
    Choose("BaudPreSet", 4);
    Choose("ParityPreSet", 3);
    Choose("LengthPreSet", 1);
    Choose("ProtocolPreSet", 1);
    Click("SetStartBt");
    ASSERT_TRUE(RunScan());
    ASSERT_EQ(Dialog->Engine().FoundCount(), 1);
    QTest::mouseClick(Find<QTableWidget>("ResultTable")->viewport(), Qt::LeftButton, {},
                      Find<QTableWidget>("ResultTable")->visualItemRect(Find<QTableWidget>("ResultTable")->item(0, 0)).center());
    ASSERT_TRUE(Find<QPushButton>("SETBt")->isEnabled());
    Click("SETBt");
    EXPECT_EQ(Group("Baudrate")->ItemIndex(), 1);
    EXPECT_EQ(Group("Parity")->ItemIndex(), 0);
    EXPECT_EQ(Group("DataLen")->ItemIndex(), 0);
    EXPECT_EQ(Group("StopBit")->ItemIndex(), 1);
    EXPECT_EQ(Group("Format")->ItemIndex(), 0);
    EXPECT_TRUE(Group("DataLen")->isEnabled());
}

TEST_F(ProtocolDialogTest, SelectionIsIgnoredWhileScanningAndOnEmptyRows)
{
    Present({1});
    Show(0x124);
    Peer.Answer = ControllerAt(0x02, LineSettings{9600, 7, pNone, 1}, false);
    Click("AutoDetectBt");
    Choose("AddrPreSet", 1);
    Click("SetStartBt");
    ASSERT_TRUE(Clock.AdvanceUntil([this] { return Dialog->Engine().FoundCount() == 1; }, 1'000'000));
    Dialog->ResultTableSelectCell(1);
    EXPECT_FALSE(Find<QPushButton>("SETBt")->isEnabled());
    EXPECT_EQ(Index("BaudPreSet"), 0);
    Click("SetStartBt");  // CANCEL
    Dialog->ResultTableSelectCell(2);
    Dialog->ResultTableSelectCell(0);
    EXPECT_FALSE(Find<QPushButton>("SETBt")->isEnabled());
    EXPECT_EQ(Index("BaudPreSet"), 0);
    // Presets set by the dialog do not run the rules: 7 bits, no parity
    // and 1 stop bit stay as the hit had them.
    Dialog->ResultTableSelectCell(1);
    EXPECT_TRUE(Find<QPushButton>("SETBt")->isEnabled());
    EXPECT_EQ(Find<QComboBox>("ParityPreSet")->currentText(), QStringLiteral("NONE"));
    EXPECT_EQ(Find<QComboBox>("StopPreSet")->currentText(), QStringLiteral("1 STOP BIT"));
    Choose("AddrPreSet", 1);
    EXPECT_FALSE(Find<QPushButton>("SETBt")->isEnabled());
}

TEST_F(ProtocolDialogTest, CancelAfterThreeHitsKeepsTheRowsAndReleasesTheLine)
{
    Present({1});
    Show(0x124);
    Peer.Answer = [](const QByteArray &frame, const LineSettings &) -> std::optional<QByteArray> {
        if (frame.startsWith(":0") && frame.at(2) >= '1' && frame.at(2) <= '3')
            return QByteArray(":0") + frame.at(2) + "0302000A00\r\n";
        return std::nullopt;
    };
    OpenPanelAndStart();
    ASSERT_TRUE(Clock.AdvanceUntil([this] { return Dialog->Engine().FoundCount() == 3; }, 1'000'000));
    EXPECT_TRUE(Rig.Port.Open());
    Click("SetStartBt");
    EXPECT_EQ(Label("AutoDetectLb"), QStringLiteral("Search abort,Found 3 items"));
    EXPECT_EQ(Find<QPushButton>("SetStartBt")->text(), QStringLiteral("START"));
    EXPECT_EQ(Dialog->ResultText(3, 1), QStringLiteral("03H"));
    EXPECT_TRUE(Dialog->ResultText(4, 1).isEmpty());
    EXPECT_FALSE(Rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
}

TEST_F(ProtocolDialogTest, CloseDuringAScanEndsItSilently)
{
    Present({1});
    Show(0x124);
    OpenPanelAndStart();
    Clock.Advance(2000);
    Click("SetCloseBt");
    EXPECT_FALSE(Dialog->Engine().Searching());
    EXPECT_FALSE(Rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_FALSE(Find<QWidget>("DetectPL")->isVisible());
    EXPECT_FALSE(Find<QLabel>("AutoDetectLb")->isVisible());
    EXPECT_EQ(Find<QPushButton>("SetStartBt")->text(), QStringLiteral("START"));
    EXPECT_TRUE(Find<QPushButton>("OKBt")->isVisible());
}

TEST_F(ProtocolDialogTest, CancelButtonReleasesALineStillOpen)
{
    Present({1});
    Show(0x124);
    OpenPanelAndStart();
    ASSERT_TRUE(Rig.Port.Open());
    Dialog->CancelBtClick();  // the panel covers the button; the handler is what matters
    EXPECT_FALSE(Rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_EQ(Dialog->result(), QDialog::Rejected);
}

TEST_F(ProtocolDialogTest, PortThatCannotBeOpenedLeavesTheScanUnstarted)
{
    Present({9});  // the rig's line factory knows COM1-COM8 only
    Show(0x924);
    OpenPanelAndStart();
    EXPECT_EQ(Errors, QStringList{"ie_BadId - Specified comport doesn't exist"});
    EXPECT_EQ(Label("AutoDetectLb"), QStringLiteral("ie_BadId - Specified comport doesn't exist"));
    EXPECT_EQ(Find<QPushButton>("SetStartBt")->text(), QStringLiteral("START"));
    EXPECT_FALSE(Dialog->Engine().Searching());
    EXPECT_FALSE(Rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_TRUE(Peer.Frames.empty());
}

TEST_F(ProtocolDialogTest, LostDeviceEndsTheScanAndTellsWhy)
{
    Present({1});
    Show(0x124);
    OpenPanelAndStart();
    ASSERT_TRUE(Clock.AdvanceUntil([this] { return Peer.Frames.size() == 5; }, 10'000));
    Peer.Line->Fail(QStringLiteral("Serial line simulated COM1 lost: device gone"));
    Clock.Advance(1000);
    EXPECT_EQ(Errors, QStringList{"Serial line simulated COM1 lost: device gone"});
    EXPECT_EQ(Label("AutoDetectLb"), QStringLiteral("Serial line simulated COM1 lost: device gone"));
    EXPECT_EQ(Find<QPushButton>("SetStartBt")->text(), QStringLiteral("START"));
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    // The line can be scanned again.
    Errors.clear();
    Click("SetStartBt");
    EXPECT_TRUE(Dialog->Engine().Searching());
    EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(ProtocolDialogTest, ResultTableGrowsForEveryHitAndStartClearsIt)
{
    Present({1});
    Show(0x124);
    // Every station of the range answers under every ASCII candidate at 9600.
    Peer.Answer = [](const QByteArray &frame, const LineSettings &s) -> std::optional<QByteArray> {
        if (!frame.startsWith(':') || s.Baud != 9600)
            return std::nullopt;
        return QByteArray(":") + frame.mid(1, 2) + "0302000A00\r\n";
    };
    Click("AutoDetectBt");
    Choose("AddrPreSet", 1);
    Choose("BaudPreSet", 1);
    Choose("LengthPreSet", 1);
    Choose("ProtocolPreSet", 1);  // 7 bits, ASCII, 9600: 6 candidates x 16
    Click("SetStartBt");
    ASSERT_TRUE(RunScan());
    EXPECT_EQ(Label("AutoDetectLb"), QStringLiteral("Search Completed,Found 96 items"));
    auto *table = Find<QTableWidget>("ResultTable");
    EXPECT_EQ(table->rowCount(), 96);
    EXPECT_EQ(Dialog->ResultText(29, 0), QStringLiteral("29"));
    EXPECT_EQ(Dialog->ResultText(96, 0), QStringLiteral("96"));
    EXPECT_EQ(Dialog->ResultText(96, 1), QStringLiteral("10H"));
    EXPECT_EQ(Dialog->ResultText(96, 2), QStringLiteral(" 9600,7,N,2,ASCII"));
    Dialog->ResultTableSelectCell(96);
    EXPECT_EQ(Find<QComboBox>("StopPreSet")->currentText(), QStringLiteral("2 STOP BITS"));
    EXPECT_EQ(Find<QComboBox>("ParityPreSet")->currentText(), QStringLiteral("NONE"));

    Peer.Answer = nullptr;
    Click("SetStartBt");
    EXPECT_EQ(table->rowCount(), 29);
    EXPECT_TRUE(Dialog->ResultText(1, 1).isEmpty());
    EXPECT_TRUE(Dialog->ResultText(29, 0).isEmpty());
    EXPECT_EQ(Dialog->ResultText(28, 0), QStringLiteral("28"));
    Click("SetStartBt");
}

} // namespace
