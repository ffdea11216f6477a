// What went out on the line and what came back, frame by frame: every
// request a link sent and every reply it got (or the silence instead), with
// the verdict of the window that asked. The reply exchange, which every
// link uses, hands each frame to the one sink set for the process; the log
// keeps the last rows in a ring of fixed size, counts the verdicts, shows a
// filtered view that can be paused, and writes rows as text or CSV.
//
// No widgets here: a window renders the log, and a program without windows
// can keep one as well.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

// Who sent the request (the monitor's block transfers are named apart).
enum class TrafficLink : std::uint8_t { Setup, Monitor, Parameters, RampSoak, Recorder };
inline constexpr int TrafficLinkCount = 5;

// What became of a reply.
enum class TrafficVerdict : std::uint8_t {
    None,          // a request, or a reply no window judged
    Ok,
    Checksum,
    Format,
    Exception,     // an exception reply, or a function the window does not know
    Foreign,       // another station answered
    EchoMismatch,  // a write's echo differs from the request
    InputFault,    // the controller's input is unstable or has failed
    Timeout,       // the deadline passed with nothing (or too little) received
    Overflow,      // more came than a reply holds, or for too long
    Late,          // its request no longer stood: taken off the line and dropped
    Unrequested,   // bytes with no request on the line: dropped
};
inline constexpr int TrafficVerdictCount = 12;

struct TrafficRow {
    qint64 TimeMs = 0;  // the time of day, in ms since the epoch
    TrafficLink Link = TrafficLink::Monitor;
    bool Tx = false;
    bool Rtu = false;
    int Station = 0;    // the station the request addressed
    TrafficVerdict Verdict = TrafficVerdict::None;
    int ElapsedMs = 0;  // a reply: since its request went out
    QByteArray Bytes;   // as on the line
};

// Where the reply exchange sends its rows.
class TrafficSink {
public:
    virtual ~TrafficSink() = default;
    // Rows are stamped with this when their frame crossed the line.
    virtual qint64 TimeOfDayMs() const = 0;
    virtual void Record(TrafficRow row) = 0;
};

// The verdict of a window that only accepts or rejects (the bus search):
// for a reply it did not accept, what the frame codec finds wrong with it.
TrafficVerdict RejectedReplyVerdict(const std::uint8_t *reply, int count, int station, bool rtu);
// The recorder's ResultCode for a reply from `station` as a verdict. An
// exception reply is one whatever its code, and a sound frame from another
// station is that.
TrafficVerdict RecorderReplyVerdict(int resultCode, const std::uint8_t *reply, int count, int station, bool rtu);

struct TrafficCounts {
    qint64 Sent = 0;
    std::array<qint64, TrafficVerdictCount> Replies{};  // by verdict

    qint64 Of(TrafficVerdict verdict) const { return Replies[static_cast<std::size_t>(verdict)]; }
    // Replies judged good or faulty (not the late, the unrequested and the
    // unjudged), and the share of them that were good (0 when none).
    qint64 Judged() const;
    double GoodShare() const;
};

struct TrafficFilter {
    int Station = -1;  // -1: every station
    unsigned Links = (1u << TrafficLinkCount) - 1;
    bool Passes(const TrafficRow &row) const;
};

enum class TrafficColumn { Time, Link, Direction, Station, Bytes, Meaning, Verdict };
inline constexpr int TrafficColumnCount = 7;

class TrafficLog : public TrafficSink {
public:
    static constexpr int DefaultCapacity = 100'000;

    explicit TrafficLog(int capacity = DefaultCapacity);
    TrafficLog(const TrafficLog &) = delete;
    TrafficLog &operator=(const TrafficLog &) = delete;

    qint64 TimeOfDayMs() const override;
    void Record(TrafficRow row) override;
    // The clock that stamps the rows (the system's time of day, unless replaced).
    void SetTimeSource(std::function<qint64()> source) { TimeSource = std::move(source); }

    // The kept rows, oldest first; older rows have left in order.
    int Capacity() const { return Limit; }
    int Count() const { return static_cast<int>(Next - First); }
    const TrafficRow &Row(int i) const { return At(First + i); }
    qint64 Dropped() const { return First; }

    const TrafficCounts &Counts() const { return Tally; }
    void ClearCounts() { Tally = TrafficCounts{}; }

    // The view: the kept rows that pass the filter; while paused, only those
    // that came before the pause (the rest are counted).
    void SetFilter(const TrafficFilter &filter);
    const TrafficFilter &Filter() const { return Selection; }
    void Pause();
    void Resume();
    bool Paused() const { return IsPaused; }
    qint64 SincePause() const { return ComeSincePause; }
    int VisibleCount() const { return static_cast<int>(Shown.size()); }
    const TrafficRow &Visible(int i) const { return At(Shown[static_cast<std::size_t>(i)]); }
    // For a view that follows in batches: how many rows have left the front
    // of the view in all, and a number that changes whenever the view was
    // made anew (the filter changed).
    qint64 VisibleLeft() const { return LeftFront; }
    std::uint64_t VisibleEpoch() const { return Epoch; }

    // The rows of the view into a file, as text or CSV; an older file is
    // replaced only when the new one is whole.
    enum class Format { Text, Csv };
    bool Save(const QString &path, Format format) const;
    // Every row from now on is appended to `path` as a line of text and
    // flushed at once. False with the reason when it cannot be opened.
    bool AppendTo(const QString &path, QString *error = nullptr);
    // Why appending stopped (empty while it goes on, or never started).
    QString AppendFault() const { return FileFault; }

    static QString ColumnHeading(TrafficColumn column);
    static QString ColumnText(const TrafficRow &row, TrafficColumn column);
    static QString VerdictText(const TrafficRow &row);
    static QString LinkName(TrafficLink link);
    static QString VerdictName(TrafficVerdict verdict);
    // One row as a line of text (without its line end), and the heading line.
    static QString RowText(const TrafficRow &row);
    static QString HeadingText();
    // One row as CSV fields (without the line end), and the heading.
    static QByteArray CsvRow(const TrafficRow &row);
    static QByteArray CsvHeading();

private:
    const TrafficRow &At(qint64 seq) const { return Rows[static_cast<std::size_t>(seq % Limit)]; }
    void Rebuild();
    void AppendRow(const TrafficRow &row);

    int Limit;
    std::vector<TrafficRow> Rows;
    qint64 First = 0;  // sequence number of the oldest row kept
    qint64 Next = 0;   // of the next row
    TrafficCounts Tally;
    TrafficFilter Selection;
    std::deque<qint64> Shown;  // sequence numbers of the rows in view
    qint64 LeftFront = 0;
    std::uint64_t Epoch = 0;
    bool IsPaused = false;
    qint64 PausedAt = 0;
    qint64 ComeSincePause = 0;
    std::function<qint64()> TimeSource;
    QFile Appended;
    QString FileFault;
};
