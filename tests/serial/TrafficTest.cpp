// The traffic log as the reply exchange fills it, on the virtual clock:
// literal frames of every verdict become the rows and counters expected,
// in ASCII and RTU; the rows go to the --traffic file as they come and
// into a CSV that reads back; and the log keeps its bound and its view.
#include "EventClock.h"
#include "FakePeer.h"
#include "FrameCodec.h"
#include "TComPort.h"
#include "TappedTraffic.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <random>
#include <vector>

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes += static_cast<char>(v);
    return bytes;
}

struct Row {
    QString Bytes;
    QString Meaning;
    QString Verdict;
};

// One request and what came back: a reply `AtMs` after the request went
// out (none when empty), and the verdict its owner reports (none: the
// owner did not judge it). Then the rows the log holds for it, Tx first.
struct Case {
    const char *Name;
    int Function;
    int Value;
    QByteArray Reply;
    qint64 AtMs;
    std::optional<TrafficVerdict> Owner;
    std::vector<Row> Rows;
};

const char *const AsciiRead = ":010347000002B3<CR><LF>";
const char *const RtuRead = "01 03 47 00 00 02 D0 BF";
const char *const ReadMeaning = "read 4700H count 2";

std::vector<Case> AsciiCases()
{
    using V = TrafficVerdict;
    return {
        {"ok", 3, 2, ":0103040064012C67\r\n", 20, V::Ok,
         {{AsciiRead, ReadMeaning, ""}, {":0103040064012C67<CR><LF>", "reply 0064H 012CH", "ok"}}},
        {"checksum", 3, 2, ":0103040064012C68\r\n", 20, V::Checksum,
         {{AsciiRead, ReadMeaning, ""}, {":0103040064012C68<CR><LF>", "function 03H", "Received checksum error !!!"}}},
        {"exception", 3, 2, ":0183027A\r\n", 20, V::Exception,
         {{AsciiRead, ReadMeaning, ""}, {":0183027A<CR><LF>", "exception 2 to function 03H", "illegal address  !!!"}}},
        {"another station", 3, 2, ":0203040064012C66\r\n", 20, V::Foreign,
         {{AsciiRead, ReadMeaning, ""},
          {":0203040064012C66<CR><LF>", "from station 2: reply 0064H 012CH", "Address not correct"}}},
        {"format", 3, 2, "01,\"03\r\n", 20, V::Format,
         {{AsciiRead, ReadMeaning, ""}, {"01,\"03<CR><LF>", "not a frame", "Rcv format error !!!"}}},
        {"echo", 6, 100, ":0106470100654C\r\n", 20, V::EchoMismatch,
         {{":0106470100644D<CR><LF>", "write 4701H value 0064H", ""},
          {":0106470100654C<CR><LF>", "echo 4701H value 0065H", "Writing data compare fail !!!"}}},
        {"time-out, then the reply with no request", 3, 2, ":0103040064012C67\r\n", 400, V::Timeout,
         {{AsciiRead, ReadMeaning, ""},
          {"", "", "Received data time out error after 165 ms"},
          {":0103040064012C67<CR><LF>", "reply 0064H 012CH", "no request: dropped"}}},
        {"late", 3, 2, ":0103040064012C67\r\n", 20, V::Late,
         {{AsciiRead, ReadMeaning, ""}, {":0103040064012C67<CR><LF>", "reply 0064H 012CH", "late reply dropped"}}},
        {"overflow", 3, 2, QByteArray(120, 'x'), 20, V::Format,
         {{AsciiRead, ReadMeaning, ""}, {QString(100, u'x'), "not a frame", "overflow"}}},
        {"not judged", 3, 2, ":0103040064012C67\r\n", 20, std::nullopt,
         {{AsciiRead, ReadMeaning, ""}, {":0103040064012C67<CR><LF>", "reply 0064H 012CH", ""}}},
    };
}

std::vector<Case> RtuCases()
{
    using V = TrafficVerdict;
    const QByteArray ok = Bytes({1, 3, 4, 0, 0x64, 1, 0x2C, 0xBB, 0xA1});
    return {
        {"ok", 3, 2, ok, 20, V::Ok, {{RtuRead, ReadMeaning, ""}, {"01 03 04 00 64 01 2C BB A1", "reply 0064H 012CH", "ok"}}},
        {"checksum", 3, 2, Bytes({1, 3, 4, 0, 0x64, 1, 0x2C, 0xBB, 0xA2}), 20, V::Checksum,
         {{RtuRead, ReadMeaning, ""}, {"01 03 04 00 64 01 2C BB A2", "function 03H", "Received checksum error !!!"}}},
        {"exception", 3, 2, Bytes({1, 0x83, 2, 0xC0, 0xF1}), 20, V::Exception,
         {{RtuRead, ReadMeaning, ""}, {"01 83 02 C0 F1", "exception 2 to function 03H", "illegal address  !!!"}}},
        {"another station", 3, 2, Bytes({2, 3, 4, 0, 0x64, 1, 0x2C, 0x88, 0xA1}), 20, V::Foreign,
         {{RtuRead, ReadMeaning, ""},
          {"02 03 04 00 64 01 2C 88 A1", "from station 2: reply 0064H 012CH", "Address not correct"}}},
        {"format", 3, 2, Bytes({1, 3}), 20, V::Format,
         {{RtuRead, ReadMeaning, ""}, {"01 03", "function 03H", "Rcv format error !!!"}}},
        {"echo", 6, 100, Bytes({1, 6, 0x47, 1, 0, 0x65, 0x0C, 0x95}), 20, V::EchoMismatch,
         {{"01 06 47 01 00 64 CD 55", "write 4701H value 0064H", ""},
          {"01 06 47 01 00 65 0C 95", "echo 4701H value 0065H", "Writing data compare fail !!!"}}},
        {"time-out, then the reply with no request", 3, 2, ok, 400, V::Timeout,
         {{RtuRead, ReadMeaning, ""},
          {"", "", "Received data time out error after 165 ms"},
          {"01 03 04 00 64 01 2C BB A1", "reply 0064H 012CH", "no request: dropped"}}},
        {"late", 3, 2, ok, 20, V::Late,
         {{RtuRead, ReadMeaning, ""}, {"01 03 04 00 64 01 2C BB A1", "reply 0064H 012CH", "late reply dropped"}}},
        {"overflow", 3, 2, QByteArray(120, '\x11'), 20, V::Format,
         {{RtuRead, ReadMeaning, ""},
          {QStringList(100, QStringLiteral("11")).join(u' '), "from station 17: function 11H", "overflow"}}},
        {"not judged", 3, 2, ok, 20, std::nullopt,
         {{RtuRead, ReadMeaning, ""}, {"01 03 04 00 64 01 2C BB A1", "reply 0064H 012CH", ""}}},
    };
}

// The time of day the rows are stamped with: 10:00 when the test starts.
const QDateTime Start(QDate(2024, 5, 2), QTime(10, 0));

class TrafficTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        Log.SetTimeSource([this] { return Start.toMSecsSinceEpoch() + Clock.NowMs() - Begin; });
        Port.SetComNumber(1);
        Port.SetOpen(true);
        Port.OnTrigger = [this](TComPort &, std::uint16_t message, std::uint16_t argument, std::uint16_t) {
            if (Exchange.Trigger(message, argument) && Owner)
                Exchange.Report(*Owner);
        };
        Exchange.Begin();
    }
    // Runs the cases one after another, each from a tick boundary.
    void Run(const std::vector<Case> &cases)
    {
        const bool rtu = GetParam();
        for (const Case &c : cases) {
            Owner = c.Owner;
            ReplyExchange::Request request;
            request.Frame = FrameCodec::BuildRequest(1, c.Function, c.Function == 6 ? 0x4701 : 0x4700, c.Value, rtu);
            request.Rtu = rtu;
            request.DeadlineTicks = 2;
            Exchange.Send(request);
            if (!c.Reply.isEmpty())
                Clock.CallAfter(c.AtMs, [this, bytes = c.Reply] { Peer.Deliver(bytes); });
            Clock.Advance(20 * TComPort::TickMs);
        }
        Exchange.Abandon();  // the last reply not judged goes to the log
    }
    std::vector<Case> Cases() const { return GetParam() ? RtuCases() : AsciiCases(); }

    VirtualClock Clock{55 * 1000};  // on a tick boundary
    const qint64 Begin = Clock.NowMs();
    FakePeer Peer;
    TComPort Port{Clock, InProcessLineFactory(&Peer)};
    TappedTraffic Log;
    ReplyExchange Exchange{Port, TrafficLink::Monitor, 100};
    std::optional<TrafficVerdict> Owner;
};

TEST_P(TrafficTest, EveryVerdictBecomesItsRowsAndCounts)
{
    const std::vector<Case> cases = Cases();
    Run(cases);

    int at = 0;
    for (const Case &c : cases) {
        for (size_t r = 0; r < c.Rows.size(); ++r, ++at) {
            ASSERT_LT(at, Log.Count()) << c.Name;
            const TrafficRow &row = Log.Row(at);
            const Row &expected = c.Rows[r];
            EXPECT_EQ(row.Tx, r == 0) << c.Name << " row " << r;
            EXPECT_EQ(row.Station, 1) << c.Name;
            EXPECT_EQ(row.Link, TrafficLink::Monitor) << c.Name;
            for (auto [column, text] : {std::pair{TrafficColumn::Bytes, expected.Bytes},
                                        std::pair{TrafficColumn::Meaning, expected.Meaning},
                                        std::pair{TrafficColumn::Verdict, expected.Verdict}})
                EXPECT_EQ(TrafficLog::ColumnText(row, column).toStdString(), text.toStdString())
                    << c.Name << " row " << r;
        }
    }
    EXPECT_EQ(Log.Count(), at);

    using V = TrafficVerdict;
    const TrafficCounts &counts = Log.Counts();
    EXPECT_EQ(counts.Sent, static_cast<qint64>(cases.size()));
    for (V v : {V::None, V::Ok, V::Checksum, V::Format, V::Exception, V::Foreign, V::EchoMismatch, V::Timeout,
                V::Overflow, V::Late, V::Unrequested})
        EXPECT_EQ(counts.Of(v), 1) << TrafficLog::VerdictName(v).toStdString();
    EXPECT_EQ(counts.Of(V::InputFault), 0);
    EXPECT_EQ(counts.Judged(), 8);  // neither the late, the unrequested nor the unjudged
    EXPECT_DOUBLE_EQ(counts.GoodShare(), 1.0 / 8);
    Log.ClearCounts();
    EXPECT_EQ(Log.Counts().Sent, 0);
    EXPECT_EQ(Log.Counts().Judged(), 0);
    EXPECT_EQ(Log.Count(), at);  // the rows stay
}

// A minimal CSV reader: fields split at commas outside quotes, "" inside
// quotes for a quote.
std::vector<QStringList> ReadCsv(const QByteArray &bytes)
{
    std::vector<QStringList> rows;
    QStringList fields;
    QString field;
    bool quoted = false;
    const QString text = QString::fromUtf8(bytes);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"')
                field += text[++i];
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << std::exchange(field, QString());
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            fields << std::exchange(field, QString());
            rows.push_back(std::exchange(fields, QStringList()));
            ++i;
        } else {
            field += c;
        }
    }
    return rows;
}

TEST_P(TrafficTest, TheTrafficFileGrowsRowByRowAndASavedCsvReadsBack)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("traffic.txt"));
    {
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier run\n");
    }
    ASSERT_TRUE(Log.AppendTo(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<Case> cases = Cases();
    Run({cases.front()});
    // On disk as soon as it happened, before anything is closed.
    const QString rtu = GetParam() ? QStringLiteral("01 03 47 00 00 02 D0 BF") : QStringLiteral(":010347000002B3<CR><LF>");
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              QStringLiteral("an earlier run\n10:00:00.000  Monitor     Tx         1  %1  read 4700H count 2\n"
                             "10:00:00.020  Monitor     Rx         1  %2  reply 0064H 012CH  ok\n")
                  .arg(rtu, GetParam() ? QStringLiteral("01 03 04 00 64 01 2C BB A1")
                                       : QStringLiteral(":0103040064012C67<CR><LF>")));
    Run(cases);
    const QByteArray rest = file.readAll();
    EXPECT_EQ(rest.count('\n'), Log.Count() - 2);
    EXPECT_TRUE(rest.endsWith(TrafficLog::RowText(Log.Row(Log.Count() - 1)).toUtf8() + '\n'));

    // The CSV holds the rows of the view, every column as the table shows it.
    Log.SetFilter({1, 1u << static_cast<unsigned>(TrafficLink::Monitor)});
    const QString csv = folder.filePath(QStringLiteral("traffic.csv"));
    ASSERT_TRUE(Log.Save(csv, TrafficLog::Format::Csv));
    QFile saved(csv);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const std::vector<QStringList> rows = ReadCsv(saved.readAll());
    ASSERT_EQ(static_cast<int>(rows.size()), Log.VisibleCount() + 1);
    EXPECT_EQ(rows[0], QStringList({"Time", "Link", "Dir", "Station", "Bytes", "Meaning", "Verdict"}));
    for (int i = 0; i < Log.VisibleCount(); ++i) {
        QStringList expected;
        for (int c = 0; c < TrafficColumnCount; ++c)
            expected << TrafficLog::ColumnText(Log.Visible(i), static_cast<TrafficColumn>(c));
        EXPECT_EQ(rows[static_cast<size_t>(i) + 1], expected) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(AsciiAndRtu, TrafficTest, ::testing::Values(false, true),
                         [](const auto &info) { return info.param ? "Rtu" : "Ascii"; });

// Random rows, pauses, filters and clears against a plain model of the log:
// the bound, the order, the view (as a follower that takes it in batches
// sees it, the way the window's table does) and the counters.
TEST(TrafficLog, KeepsItsBoundItsOrderAndItsViewOverThousandsOfEvents)
{
    {
        TrafficLog full;
        for (int i = 0; i < TrafficLog::DefaultCapacity + 5; ++i)
            full.Record(TrafficRow{i, {}, {}, {}, {}, {}, {}, {}});
        EXPECT_EQ(full.Count(), 100'000);
        EXPECT_EQ(full.Dropped(), 5);
        EXPECT_EQ(full.Row(0).TimeMs, 5);
    }

    constexpr int Capacity = 500;
    TrafficLog log(Capacity);
    std::mt19937 random(17);
    std::deque<TrafficRow> kept;  // the model: rows by their number (TimeMs)
    qint64 recorded = 0;
    TrafficCounts tally;
    bool paused = false;
    qint64 pausedAt = 0;
    TrafficFilter filter;
    // The follower.
    std::deque<qint64> followed;
    qint64 leftSeen = 0;
    std::uint64_t epochSeen = log.VisibleEpoch();

    for (int event = 0; event < 20'000; ++event) {
        const int what = static_cast<int>(random() % 100);
        if (what < 90) {
            TrafficRow row;
            row.TimeMs = recorded++;
            row.Tx = random() % 2 == 0;
            row.Link = static_cast<TrafficLink>(random() % TrafficLinkCount);
            row.Station = static_cast<int>(random() % 4);
            row.Verdict = static_cast<TrafficVerdict>(random() % TrafficVerdictCount);
            log.Record(row);
            if (row.Tx)
                ++tally.Sent;
            else
                ++tally.Replies[static_cast<size_t>(row.Verdict)];
            kept.push_back(row);
            if (static_cast<int>(kept.size()) > Capacity)
                kept.pop_front();
        } else if (what < 94) {
            paused = !paused;
            pausedAt = recorded;
            paused ? log.Pause() : log.Resume();
        } else if (what < 98) {
            filter.Station = static_cast<int>(random() % 5) - 1;
            filter.Links = static_cast<unsigned>(random() % (1u << TrafficLinkCount));
            log.SetFilter(filter);
        } else {
            log.ClearCounts();
            tally = TrafficCounts{};
        }

        // The follower takes in what changed, now and then.
        if (random() % 10 == 0) {
            if (log.VisibleEpoch() != epochSeen || log.VisibleLeft() - leftSeen > static_cast<qint64>(followed.size())) {
                followed.clear();
                for (int i = 0; i < log.VisibleCount(); ++i)
                    followed.push_back(log.Visible(i).TimeMs);
            } else {
                for (qint64 n = log.VisibleLeft() - leftSeen; n > 0; --n)
                    followed.pop_front();
                for (int i = static_cast<int>(followed.size()); i < log.VisibleCount(); ++i)
                    followed.push_back(log.Visible(i).TimeMs);
            }
            epochSeen = log.VisibleEpoch();
            leftSeen = log.VisibleLeft();
            std::vector<qint64> visible;
            for (int i = 0; i < log.VisibleCount(); ++i)
                visible.push_back(log.Visible(i).TimeMs);
            ASSERT_EQ(std::vector<qint64>(followed.begin(), followed.end()), visible) << event;
        }

        ASSERT_EQ(log.Count(), static_cast<int>(kept.size())) << event;
        ASSERT_EQ(log.Dropped(), recorded - log.Count()) << event;
        if (event % 97 != 0)
            continue;
        std::vector<qint64> expectVisible;
        qint64 since = 0;
        for (int i = 0; i < log.Count(); ++i) {
            ASSERT_EQ(log.Row(i).TimeMs, kept[static_cast<size_t>(i)].TimeMs);
            if (!filter.Passes(kept[static_cast<size_t>(i)]))
                continue;
            if (paused && kept[static_cast<size_t>(i)].TimeMs >= pausedAt)
                ++since;
            else
                expectVisible.push_back(kept[static_cast<size_t>(i)].TimeMs);
        }
        std::vector<qint64> visible;
        for (int i = 0; i < log.VisibleCount(); ++i)
            visible.push_back(log.Visible(i).TimeMs);
        ASSERT_EQ(visible, expectVisible) << event;
        ASSERT_EQ(log.Paused(), paused);
        // Counted since the pause, as long as they are kept.
        if (paused) {
            ASSERT_GE(log.SincePause(), since) << event;
        }
        ASSERT_EQ(log.Counts().Sent, tally.Sent);
        ASSERT_EQ(log.Counts().Replies, tally.Replies);
    }
}

} // namespace
