#include "ScanRig.h"

#include "FrameCodec.h"

#include <gtest/gtest.h>

#include <numeric>

using Scan::Presets;

namespace {

QByteArray Hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

std::vector<int> Range(int first, int last)
{
    std::vector<int> v(static_cast<std::size_t>(last - first + 1));
    std::iota(v.begin(), v.end(), first);
    return v;
}

std::vector<int> Join(std::initializer_list<std::vector<int>> parts)
{
    std::vector<int> all;
    for (const auto &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Presets Fixed(int address, int baud, int parity, int length, int stop, int format)
{
    return Presets{address, baud, parity, length, stop, format};
}

// ---- Candidate space ----------------------------------------------------

struct CandidateCase {
    const char *Name;
    Presets Given;
    std::vector<int> Expected;
    int Total;
};

class CandidateSetTest : public ::testing::TestWithParam<CandidateCase> {};

TEST_P(CandidateSetTest, ListsTheAllowedCandidatesInOrder)
{
    const CandidateCase &c = GetParam();
    EXPECT_EQ(Scan::CandidateSet(c.Given), c.Expected);
    EXPECT_EQ(Scan::ProbeTotal(c.Given), c.Total);
}

INSTANTIATE_TEST_SUITE_P(
    Presets, CandidateSetTest,
    ::testing::Values(
        // All 60 ASCII combinations, then the 30 RTU ones with 8 data bits.
        CandidateCase{"none", Presets{}, Join({Range(0, 59), Range(75, 89), Range(105, 119)}), 22230},
        CandidateCase{"baud19200_rtu_range1", Fixed(1, 1, -1, 1, -1, 1), {76, 81, 86, 106, 111, 116}, 96},
        CandidateCase{"eightBits", Fixed(0, -1, -1, 1, -1, -1),
                      Join({Range(15, 29), Range(45, 59), Range(75, 89), Range(105, 119)}), 60 * 247},
        CandidateCase{"sevenBits", Fixed(0, -1, -1, 0, -1, -1), Join({Range(0, 14), Range(30, 44)}), 30 * 247},
        CandidateCase{"sevenBitsRtu", Fixed(0, -1, -1, 0, -1, 1), {}, 0},
        CandidateCase{"lastRange_fullyFixed", Fixed(16, 0, 1, 1, 0, 0), {20}, 7},
        CandidateCase{"rtuOnly", Fixed(0, -1, -1, -1, -1, 1), Join({Range(75, 89), Range(105, 119)}), 30 * 247}),
    [](const auto &info) { return std::string(info.param.Name); });

struct RangeCase {
    int Number;
    int First;
    int Last;
};

class AddressRangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(AddressRangeTest, CoversTheListItem)
{
    const Scan::AddressRange r = Scan::RangeFor(GetParam().Number);
    EXPECT_EQ(r.First, GetParam().First);
    EXPECT_EQ(r.Last, GetParam().Last);
}

INSTANTIATE_TEST_SUITE_P(Items, AddressRangeTest,
                         ::testing::Values(RangeCase{0, 1, 247}, RangeCase{1, 1, 16}, RangeCase{2, 17, 32},
                                           RangeCase{10, 145, 160}, RangeCase{15, 225, 240},
                                           RangeCase{16, 241, 247}, RangeCase{17, 1, 247}, RangeCase{-1, 1, 247}));

TEST(CandidateTest, ComponentsFollowTheListOrders)
{
    // 81: 19200, even parity, 8 data bits, 1 stop bit, RTU.
    const Scan::CandidateParts p = Scan::Decompose(81);
    EXPECT_EQ(Scan::BaudRates[p.Baud], 19200);
    EXPECT_EQ(Scan::Parities[p.Parity], pEven);
    EXPECT_EQ(p.Length, 1);
    EXPECT_EQ(p.Stop, 0);
    EXPECT_EQ(p.Format, 1);
    // 119: 2400, no parity, 8 data bits, 2 stop bits, RTU.
    const Scan::CandidateParts q = Scan::Decompose(119);
    EXPECT_EQ(Scan::BaudRates[q.Baud], 2400);
    EXPECT_EQ(Scan::Parities[q.Parity], pNone);
    EXPECT_EQ(q.Length + q.Stop + q.Format, 3);
    for (int c = 0; c < Scan::CandidateCount; ++c)
        EXPECT_EQ(Scan::Compose(Scan::Decompose(c)), c);
}

// ---- Texts ------------------------------------------------------------

TEST(ProbeTest, FramesOneRegisterReadOf4701)
{
    EXPECT_EQ(Scan::Probe(1, false).ToByteArray(), QByteArray(":010347010001B3\r\n"));
    EXPECT_EQ(Scan::Probe(0x11, false).ToByteArray(), QByteArray(":110347010001A3\r\n"));
    EXPECT_EQ(Scan::Probe(1, true).ToByteArray(), Hex("01 03 47 01 00 01 C1 7E"));
    EXPECT_EQ(Scan::Probe(247, true).ToByteArray(), Hex("F7 03 47 01 00 01 D5 E8"));
}

struct DescriptionCase {
    int Port;
    int Candidate;
    Scan::RtuSpelling Spelling;
    const char *Text;
};

class DescriptionTest : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(DescriptionTest, Reads)
{
    const DescriptionCase &c = GetParam();
    const QString text = Scan::Description(c.Port, c.Candidate, c.Spelling);
    EXPECT_EQ(text, QString::fromLatin1(c.Text));
    EXPECT_EQ(text.size(), 23);
}

INSTANTIATE_TEST_SUITE_P(
    Candidates, DescriptionTest,
    ::testing::Values(DescriptionCase{1, 0, Scan::RtuSpelling::AtStart, "COM01, 9600,7,O,1,ASCII"},
                      DescriptionCase{1, 0, Scan::RtuSpelling::Advanced, "COM01, 9600,7,O,1,ASCII"},
                      DescriptionCase{12, 76, Scan::RtuSpelling::AtStart, "COM12,19200,8,O,1,  RTU"},
                      DescriptionCase{1, 81, Scan::RtuSpelling::Advanced, "COM01,19200,8,E,1,RTU  "},
                      DescriptionCase{3, 119, Scan::RtuSpelling::Advanced, "COM03, 2400,8,N,2,RTU  "},
                      DescriptionCase{0, 47, Scan::RtuSpelling::AtStart, "COM00,38400,8,O,2,ASCII"},
                      DescriptionCase{7, 43, Scan::RtuSpelling::AtStart, "COM07, 4800,7,N,2,ASCII"}));

TEST(ResultColumnsTest, AddressInHexAndDescriptionFromItsSeventhCharacter)
{
    EXPECT_EQ(Scan::AddressColumn(31), QStringLiteral("1FH"));
    EXPECT_EQ(Scan::AddressColumn(1), QStringLiteral("01H"));
    EXPECT_EQ(Scan::AddressColumn(247), QStringLiteral("F7H"));
    EXPECT_EQ(Scan::ProtocolColumn(QStringLiteral("COM01, 9600,7,O,1,ASCII")), QStringLiteral(" 9600,7,O,1,ASCII"));
    EXPECT_EQ(Scan::ProtocolColumn(QStringLiteral("COM01,19200,8,E,1,RTU  ")), QStringLiteral("19200,8,E,1,RTU  "));
}

struct TimeLeftCase {
    int Total;
    int Done;
    const char *Text;
};

class TimeLeftTest : public ::testing::TestWithParam<TimeLeftCase> {};

TEST_P(TimeLeftTest, Reads)
{
    EXPECT_EQ(Scan::TimeLeftText(GetParam().Total, GetParam().Done), QString::fromLatin1(GetParam().Text));
}

INSTANTIATE_TEST_SUITE_P(
    Seconds, TimeLeftTest,
    ::testing::Values(TimeLeftCase{684, 0, "Estimate time left : 2  min,,5 sec"},      // 125 s
                      TimeLeftCase{683, 0, "Estimate time left : 2  min,,4 sec"},      // 124.989 s
                      TimeLeftCase{246, 0, "Estimate time left : 45 sec"},             // 45.018 s
                      TimeLeftCase{22230, 1, "Estimate time left : 67  min,,47 sec"},  // 4067 s
                      TimeLeftCase{22230, 0, "Estimate time left : 67  min,,48 sec"},
                      TimeLeftCase{328, 0, "Estimate time left : 1  min,,0 sec"},      // 60.024 s
                      TimeLeftCase{96, 96, "Estimate time left : 0 sec"}));

TEST(SummaryTextTest, CarryTheCount)
{
    EXPECT_EQ(Scan::CompletedText(2), QStringLiteral("Search Completed,Found 2 items"));
    EXPECT_EQ(Scan::CompletedText(0), QStringLiteral("Search Completed,Found 0 items"));
    EXPECT_EQ(Scan::AbortText(3), QStringLiteral("Search abort,Found 3 items"));
}

// ---- The engine on the setup link -------------------------------------

class ScanEngineTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSharedState(1); }
    void TearDown() override { ResetSharedState(0); }

    bool RunToEnd(qint64 limitMs = 10'000'000)
    {
        return Clock.AdvanceUntil([this] { return !Engine.Searching(); }, limitMs);
    }
    // Answers `reply` to every probe of `address`.
    void AnswerAt(int address, const QByteArray &reply)
    {
        Peer.Answer = [address, reply](const QByteArray &frame, const LineSettings &) -> std::optional<QByteArray> {
            const bool ascii = frame.startsWith(':');
            const int station = ascii ? frame.mid(1, 2).toInt(nullptr, 16) : static_cast<std::uint8_t>(frame.at(0));
            if (station == address)
                return reply;
            return std::nullopt;
        };
    }

    VirtualClock Clock;
    ScriptedPeer Peer{Clock};
    SetupRig Rig{Clock, &Peer};
    RecordingView View;
    ScanEngine Engine{Rig.Link, SessionState, LinkSettings, View};
};

TEST_F(ScanEngineTest, RegistersAsTheLinksReplyHandlerWhileItExists)
{
    EXPECT_EQ(Rig.Link.Handler, &Engine);
    {
        RecordingView other;
        SetupLink link(Rig.Port);
        {
            ScanEngine second(link, SessionState, LinkSettings, other);
            EXPECT_EQ(link.Handler, &second);
        }
        EXPECT_EQ(link.Handler, nullptr);
    }
}

TEST_F(ScanEngineTest, NoPresetsProbesEveryCombinationAtEveryAddress)
{
    Engine.Start(Presets{});
    EXPECT_EQ(SessionState.ActiveModule, ModuleSetup);
    EXPECT_TRUE(Rig.Port.Open());
    EXPECT_EQ(View.GaugeMaximum, 22230);
    EXPECT_EQ(View.Descriptions.front(), QStringLiteral("COM01, 9600,7,O,1,ASCII"));
    ASSERT_TRUE(RunToEnd());

    ASSERT_EQ(Peer.Frames.size(), 22230u);
    const ScriptedPeer::Sent &first = Peer.Frames.front();
    EXPECT_EQ(first.Bytes, QByteArray(":010347010001B3\r\n"));
    EXPECT_EQ(first.Settings, (LineSettings{9600, 7, pOdd, 1}));
    const ScriptedPeer::Sent &last = Peer.Frames.back();
    EXPECT_EQ(last.Bytes, Hex("F7 03 47 01 00 01 D5 E8"));
    EXPECT_EQ(last.Settings, (LineSettings{2400, 8, pNone, 2}));
    EXPECT_EQ(Peer.Frames[247].Settings, (LineSettings{19200, 7, pOdd, 1}));  // second candidate

    EXPECT_EQ(Engine.ProbesDone(), 22230);
    EXPECT_EQ(View.EndText, QStringLiteral("Search Completed,Found 0 items"));
    EXPECT_EQ(View.GaugeValue, 22230);
    EXPECT_EQ(View.Descriptions.size(), 90u);
    EXPECT_EQ(View.Descriptions.back(), QStringLiteral("COM01, 2400,8,N,2,RTU  "));
    EXPECT_FALSE(Rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_TRUE(View.Hits.empty());
}

TEST_F(ScanEngineTest, PresetScanProbesSixCandidatesOverSixteenAddresses)
{
    LinkSettings.PortNumber = 3;
    Engine.Start(Fixed(1, 1, -1, 1, -1, 1));
    EXPECT_EQ(Engine.ProbeTotal(), 96);
    EXPECT_TRUE(LinkSettings.RtuMode);
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(Peer.Frames.size(), 96u);
    const std::vector<LineSettings> expected = {
        {19200, 8, pOdd, 1}, {19200, 8, pEven, 1}, {19200, 8, pNone, 1},
        {19200, 8, pOdd, 2}, {19200, 8, pEven, 2}, {19200, 8, pNone, 2},
    };
    for (std::size_t i = 0; i < Peer.Frames.size(); ++i) {
        EXPECT_EQ(Peer.Frames[i].Settings, expected[i / 16]) << i;
        EXPECT_EQ(static_cast<std::uint8_t>(Peer.Frames[i].Bytes.at(0)), i % 16 + 1) << i;
        EXPECT_EQ(Peer.Frames[i].Bytes.size(), 8);
    }
    // The first description is built whole, the later ones rewritten.
    ASSERT_EQ(View.Descriptions.size(), 6u);
    EXPECT_EQ(View.Descriptions[0], QStringLiteral("COM03,19200,8,O,1,  RTU"));
    EXPECT_EQ(View.Descriptions[1], QStringLiteral("COM03,19200,8,E,1,RTU  "));
    EXPECT_EQ(View.Descriptions[5], QStringLiteral("COM03,19200,8,N,2,RTU  "));
}

TEST_F(ScanEngineTest, LastRangeEndsAt247)
{
    Engine.Start(Fixed(16, 0, 1, 0, 0, 0));
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(Peer.Frames.size(), 7u);
    EXPECT_EQ(Peer.Frames.front().Bytes.left(3), QByteArray(":F1"));
    EXPECT_EQ(Peer.Frames.back().Bytes.left(3), QByteArray(":F7"));
}

TEST_F(ScanEngineTest, GaugeAndTimeLeftFollowTheProbes)
{
    Engine.Start(Fixed(1, 0, 0, 0, 0, 0));
    EXPECT_EQ(View.GaugeValue, 0);
    EXPECT_EQ(View.GaugeMaximum, 16);
    EXPECT_TRUE(View.TimeLeft.isEmpty());
    ASSERT_TRUE(Clock.AdvanceUntil([this] { return Peer.Frames.size() == 2; }, 1000));
    EXPECT_EQ(Engine.ProbesDone(), 1);
    EXPECT_EQ(View.GaugeValue, 1);
    EXPECT_EQ(View.TimeLeft, QStringLiteral("Estimate time left : 2 sec"));  // 15 x 0.183 s
    EXPECT_EQ(Engine.CurrentAddress(), 2);
}

struct HitCase {
    const char *Name;
    bool Rtu;
    QByteArray Reply;
    bool Hit;
};

class ScanHitTest : public ScanEngineTest, public ::testing::WithParamInterface<HitCase> {};

TEST_P(ScanHitTest, JudgesTheReplyOnStationFunctionAndCount)
{
    const HitCase &c = GetParam();
    AnswerAt(1, c.Reply);
    // One candidate (9600, even, 8 bits, 1 stop) in the format under test.
    Engine.Start(Fixed(1, 0, 1, 1, 0, c.Rtu ? 1 : 0));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Engine.FoundCount(), c.Hit ? 1 : 0);
    EXPECT_EQ(Engine.ProbesDone(), 16);
    if (c.Hit) {
        ASSERT_EQ(View.Hits.size(), 1u);
        EXPECT_EQ(View.Hits[0].Row, 1);
        EXPECT_EQ(View.Hits[0].Address, QStringLiteral("01H"));
        EXPECT_EQ(View.Hits[0].Protocol, c.Rtu ? QStringLiteral(" 9600,8,E,1,  RTU") : QStringLiteral(" 9600,8,E,1,ASCII"));
        EXPECT_EQ(Engine.FoundCandidate(1), c.Rtu ? 80 : 20);
        EXPECT_EQ(View.EndText, QStringLiteral("Search Completed,Found 1 items"));
    } else {
        EXPECT_TRUE(View.Hits.empty());
        EXPECT_EQ(Engine.FoundCandidate(1), -1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ScanHitTest,
    ::testing::Values(
        HitCase{"asciiRead", false, ":010302000AF0\r\n", true},
        HitCase{"asciiBadLrcStillHits", false, ":010302000A00\r\n", true},
        HitCase{"asciiFirstCharacterNotTested", false, "X010302000AF0\r\n", true},
        HitCase{"asciiWithoutLfEndsAtTheDeadline", false, ":010302000AF0", true},
        HitCase{"asciiByteCount4", false, ":0103040000000AEE\r\n", false},
        HitCase{"asciiOtherStation", false, ":020302000AEF\r\n", false},
        HitCase{"asciiException", false, ":018302FA\r\n", false},
        HitCase{"asciiTooShort", false, ":0103\r\n", false},
        HitCase{"rtuRead", true, Hex("01 03 02 00 0A 38 43"), true},
        HitCase{"rtuAnyCrc", true, Hex("01 03 02 00 0A 00 00"), true},
        HitCase{"rtuOtherStation", true, Hex("02 03 02 00 0A 00 00"), false},
        HitCase{"rtuException", true, Hex("01 83 02 C0 F1"), false},
        HitCase{"rtuByteCount4", true, Hex("01 03 04 00 0A 00 0B 00 00"), false},
        HitCase{"rtuAsciiTextIsNoHit", true, ":010302000AF0\r\n", false},
        // More than the link's store holds is never an answer to the probe.
        HitCase{"asciiOverflowing", false, QByteArray(":010302000AF0") + QByteArray(600, '0') + "\r\n", false}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(ScanEngineTest, EveryHitIsKeptBeyondTheNumberedRows)
{
    // Every station answers, in ASCII and at 9600 baud only.
    Peer.Answer = [](const QByteArray &frame, const LineSettings &settings) -> std::optional<QByteArray> {
        if (!frame.startsWith(':') || settings.Baud != 9600)
            return std::nullopt;
        return QByteArray(":") + frame.mid(1, 2) + "0302000A00\r\n";
    };
    Engine.Start(Fixed(2, 0, -1, 1, 0, 0));  // three parities x 16 addresses
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(Engine.FoundCount(), 48);
    ASSERT_EQ(View.Hits.size(), 48u);
    for (int row = 1; row <= 48; ++row)
        EXPECT_EQ(View.Hits[static_cast<std::size_t>(row - 1)].Row, row);
    EXPECT_EQ(View.Hits[28].Address, QStringLiteral("1DH"));
    EXPECT_EQ(Engine.FoundCandidate(48), 25);  // 9600, none, 8 bits, 1 stop, ASCII
    EXPECT_EQ(Engine.FoundCandidate(49), -1);
    EXPECT_EQ(View.EndText, QStringLiteral("Search Completed,Found 48 items"));
}

TEST_F(ScanEngineTest, AbortReleasesTheLineAndKeepsTheHits)
{
    AnswerAt(2, ":020302000AEF\r\n");
    Engine.Start(Fixed(1, -1, 1, 1, 0, 0));
    ASSERT_TRUE(Clock.AdvanceUntil([this] { return Engine.FoundCount() == 2; }, 100'000));
    Engine.Abort();
    EXPECT_FALSE(Engine.Searching());
    EXPECT_EQ(View.EndText, QStringLiteral("Search abort,Found 2 items"));
    EXPECT_FALSE(Rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    const std::size_t sent = Peer.Frames.size();
    Clock.Advance(60'000);
    EXPECT_EQ(Peer.Frames.size(), sent);
    EXPECT_EQ(Engine.FoundCount(), 2);
}

TEST_F(ScanEngineTest, StopEndsWithoutText)
{
    Engine.Start(Presets{});
    Clock.Advance(1000);
    Engine.Stop();
    EXPECT_FALSE(Engine.Searching());
    EXPECT_TRUE(View.EndText.isEmpty());
    EXPECT_FALSE(Rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
}

TEST_F(ScanEngineTest, PortThatCannotBeOpenedDoesNotStartTheScan)
{
    LinkSettings.PortNumber = 51;  // the factory knows COM1-COM50 only
    Engine.Start(Presets{});
    EXPECT_FALSE(Engine.Searching());
    EXPECT_EQ(View.FaultText, QStringLiteral("ie_BadId - Specified comport doesn't exist"));
    EXPECT_FALSE(Rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_TRUE(Peer.Frames.empty());
}

TEST_F(ScanEngineTest, LostLineEndsTheScan)
{
    Engine.Start(Presets{});
    ASSERT_TRUE(Clock.AdvanceUntil([this] { return Peer.Frames.size() == 3; }, 10'000));
    ASSERT_NE(Peer.Line, nullptr);
    Peer.Line->Fail(QStringLiteral("Serial line lost"));
    Clock.RunPending();
    EXPECT_FALSE(Engine.Searching());
    EXPECT_EQ(View.FaultText, QStringLiteral("Serial line lost"));
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
    EXPECT_FALSE(Rig.Port.Open());
    Clock.Advance(10'000);
    EXPECT_EQ(Peer.Frames.size(), 3u);
}

TEST_F(ScanEngineTest, EmptyCandidateSetCompletesAtOnce)
{
    Engine.Start(Fixed(0, -1, -1, 0, -1, 1));
    EXPECT_FALSE(Engine.Searching());
    EXPECT_EQ(View.EndText, QStringLiteral("Search Completed,Found 0 items"));
    EXPECT_FALSE(Rig.Port.Open());
    EXPECT_EQ(SessionState.ActiveModule, ModuleNone);
}

TEST_F(ScanEngineTest, FramingChangeRefusedInPlaceIsReopenedUnseen)
{
    Peer.Answer = [](const QByteArray &frame, const LineSettings &settings) -> std::optional<QByteArray> {
        if (frame.startsWith(":01") && settings == LineSettings{9600, 7, pEven, 1})
            return QByteArray(":010302000AF0\r\n");
        return std::nullopt;
    };
    Engine.Start(Fixed(1, 0, -1, 0, 0, 0));  // odd, even, none at 9600 7 bits
    ASSERT_NE(Peer.Line, nullptr);
    Peer.Line->RefuseFramingChange = true;
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Peer.Opens, 3);  // opened once, reopened for each parity
    EXPECT_EQ(Engine.FoundCount(), 1);
    EXPECT_EQ(Engine.FoundCandidate(1), 5);
    EXPECT_TRUE(View.FaultText.isEmpty());
    ASSERT_EQ(Peer.Frames.size(), 48u);
    EXPECT_EQ(Peer.Frames[16].Settings.Parity, pEven);
    EXPECT_EQ(Peer.Frames[32].Settings.Parity, pNone);
}

} // namespace
