#include "TrafficLog.h"

#include "Conversions.h"
#include "FrameCodec.h"
#include "MessageTable.h"
#include "Public.h"
#include "SaveReplacing.h"

#include <QByteArrayList>
#include <QDateTime>
#include <QStringList>

#include <algorithm>

namespace {

const std::uint8_t *Data(const QByteArray &bytes)
{
    return reinterpret_cast<const std::uint8_t *>(bytes.constData());
}

int Size(const QByteArray &bytes)
{
    return static_cast<int>(bytes.size());
}

QString Hex4(int value)
{
    return QStringLiteral("%1H").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

QString FunctionText(int function)
{
    return QStringLiteral("function %1H").arg(ByteToHex(function));
}

// RTU as hex pairs; ASCII as the text, with the line end and anything
// unprintable shown by name.
QString BytesText(const TrafficRow &row)
{
    QString text;
    text.reserve(row.Bytes.size() * 3);
    for (const char c : row.Bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (row.Rtu) {
            if (!text.isEmpty())
                text += QLatin1Char(' ');
            text += ByteToHex(byte);
        } else if (byte == '\r') {
            text += QStringLiteral("<CR>");
        } else if (byte == '\n') {
            text += QStringLiteral("<LF>");
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += QLatin1Char(c);
        } else {
            text += QLatin1Char('<') + ByteToHex(byte) + QLatin1Char('>');
        }
    }
    return text;
}

// What the frame says, in the frame codec's reading.
QString Meaning(const TrafficRow &row)
{
    if (row.Bytes.isEmpty())
        return QString();
    const std::vector<std::uint8_t> b = FrameCodec::FrameBytes(Data(row.Bytes), Size(row.Bytes), row.Rtu);
    if (b.size() < 2)
        return QStringLiteral("not a frame");
    const QString from = b[0] == row.Station ? QString() : QStringLiteral("from station %1: ").arg(b[0]);
    const int function = b[1];
    if (row.Tx) {
        if (b.size() < 6)
            return from + FunctionText(function);
        const int reg = b[2] * 256 + b[3];
        const int value = b[4] * 256 + b[5];
        switch (function) {
        case FrameCodec::FunctionRead:
            return from + QStringLiteral("read %1 count %2").arg(Hex4(reg)).arg(value);
        case FrameCodec::FunctionWrite:
            return from + QStringLiteral("write %1 value %2").arg(Hex4(reg), Hex4(value));
        case FrameCodec::FunctionIdentify:
            return from + QStringLiteral("identify %1 count %2").arg(Hex4(reg)).arg(value);
        default:
            return from + FunctionText(function);
        }
    }
    if (function & 0x80) {
        const int code = b.size() > 2 ? b[2] : 0;
        return from + QStringLiteral("exception %1 to function %2H").arg(code).arg(ByteToHex(function & 0x7F));
    }
    const FrameCodec::MonitorVerdict v =
        FrameCodec::CheckMonitorReply(Data(row.Bytes), Size(row.Bytes), b[0], row.Rtu, false);
    if (v.Kind == FrameCodec::ReplyKind::Data) {
        QStringList words;
        for (int w : v.Words)
            words << Hex4(w);
        return from + QStringLiteral("reply ") + words.join(QLatin1Char(' '));
    }
    if (v.Kind == FrameCodec::ReplyKind::Write && v.Bytes.size() >= 6)
        return from + QStringLiteral("echo %1 value %2")
                          .arg(Hex4(v.Bytes[2] * 256 + v.Bytes[3]), Hex4(v.Bytes[4] * 256 + v.Bytes[5]));
    return from + FunctionText(function);
}

QString TimeText(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("hh:mm:ss.zzz"));
}

QByteArray CsvField(const QString &text)
{
    QByteArray field = text.toUtf8();
    if (!field.contains(',') && !field.contains('"') && !field.contains('\n') && !field.contains('\r')
        && field.trimmed() == field)
        return field;
    field.replace("\"", "\"\"");
    return '"' + field + '"';
}

// Spreadsheets expect CR LF between rows.
constexpr char CsvRowEnd[] = "\r\n";

} // namespace

TrafficVerdict RejectedReplyVerdict(const std::uint8_t *reply, int count, int station, bool rtu)
{
    if (count <= 0)
        return TrafficVerdict::Timeout;
    const FrameCodec::MonitorVerdict v = FrameCodec::CheckMonitorReply(reply, count, station, rtu, false);
    if (v.Kind == FrameCodec::ReplyKind::ForeignStation)
        return TrafficVerdict::Foreign;
    if (v.Status == FrameCodec::StatusChecksumFault)
        return TrafficVerdict::Checksum;
    if (v.Status == FrameCodec::StatusExceptionFault)
        return TrafficVerdict::Exception;
    // Malformed, or sound but not the answer that was asked for.
    return TrafficVerdict::Format;
}

TrafficVerdict RecorderReplyVerdict(int resultCode, const std::uint8_t *reply, int count, int station, bool rtu)
{
    if (resultCode != ResultOk) {
        const std::vector<std::uint8_t> b = FrameCodec::FrameBytes(reply, count, rtu);
        if (b.size() > 2 && b[1] == 0x83)
            return TrafficVerdict::Exception;
        if (resultCode == ResultBadFrame && !b.empty() && b[0] != station)
            return TrafficVerdict::Foreign;
    }
    switch (resultCode) {
    case ResultOk:
        return TrafficVerdict::Ok;
    case ResultTimeout:
        return TrafficVerdict::Timeout;
    case ResultChecksum:
        return TrafficVerdict::Checksum;
    case ResultInputFault:
        return TrafficVerdict::InputFault;
    default:
        return resultCode >= 1 && resultCode <= 14 ? TrafficVerdict::Exception : TrafficVerdict::Format;
    }
}

qint64 TrafficCounts::Judged() const
{
    qint64 judged = 0;
    for (int v = static_cast<int>(TrafficVerdict::Ok); v <= static_cast<int>(TrafficVerdict::Overflow); ++v)
        judged += Replies[static_cast<std::size_t>(v)];
    return judged;
}

double TrafficCounts::GoodShare() const
{
    const qint64 judged = Judged();
    return judged > 0 ? static_cast<double>(Of(TrafficVerdict::Ok)) / static_cast<double>(judged) : 0.0;
}

bool TrafficFilter::Passes(const TrafficRow &row) const
{
    return (Station < 0 || row.Station == Station) && (Links & (1u << static_cast<unsigned>(row.Link))) != 0;
}

TrafficLog::TrafficLog(int capacity) : Limit(std::max(capacity, 1))
{
    Rows.reserve(static_cast<std::size_t>(Limit));
}

qint64 TrafficLog::TimeOfDayMs() const
{
    return TimeSource ? TimeSource() : QDateTime::currentMSecsSinceEpoch();
}

void TrafficLog::Record(TrafficRow row)
{
    if (row.Tx)
        ++Tally.Sent;
    else
        ++Tally.Replies[static_cast<std::size_t>(row.Verdict)];
    if (Appended.isOpen())
        AppendRow(row);

    if (Count() == Limit) {
        // The oldest row leaves, and with it the front of the view.
        if (!Shown.empty() && Shown.front() == First) {
            Shown.pop_front();
            ++LeftFront;
        }
        ++First;
    }
    const bool passes = Selection.Passes(row);
    if (static_cast<int>(Rows.size()) < Limit)
        Rows.push_back(std::move(row));
    else
        Rows[static_cast<std::size_t>(Next % Limit)] = std::move(row);
    if (passes) {
        if (IsPaused)
            ++ComeSincePause;
        else
            Shown.push_back(Next);
    }
    ++Next;
}

void TrafficLog::SetFilter(const TrafficFilter &filter)
{
    Selection = filter;
    Rebuild();
}

void TrafficLog::Pause()
{
    if (IsPaused)
        return;
    IsPaused = true;
    PausedAt = Next;
    ComeSincePause = 0;
}

void TrafficLog::Resume()
{
    if (!IsPaused)
        return;
    IsPaused = false;
    ComeSincePause = 0;
    for (qint64 seq = std::max(PausedAt, First); seq < Next; ++seq) {
        if (Selection.Passes(At(seq)))
            Shown.push_back(seq);
    }
}

void TrafficLog::Rebuild()
{
    Shown.clear();
    ComeSincePause = 0;
    const qint64 end = IsPaused ? std::max(PausedAt, First) : Next;
    for (qint64 seq = First; seq < Next; ++seq) {
        if (!Selection.Passes(At(seq)))
            continue;
        if (seq < end)
            Shown.push_back(seq);
        else
            ++ComeSincePause;
    }
    ++Epoch;
}

bool TrafficLog::Save(const QString &path, Format format) const
{
    QByteArray bytes;
    if (format == Format::Csv) {
        bytes = CsvHeading() + CsvRowEnd;
        for (qint64 seq : Shown)
            bytes += CsvRow(At(seq)) + CsvRowEnd;
    } else {
        bytes = HeadingText().toUtf8() + '\n';
        for (qint64 seq : Shown)
            bytes += RowText(At(seq)).toUtf8() + '\n';
    }
    return SaveReplacing(path, bytes);
}

bool TrafficLog::AppendTo(const QString &path, QString *error)
{
    Appended.close();
    FileFault.clear();
    Appended.setFileName(path);
    if (!Appended.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (error)
            *error = Appended.errorString();
        return false;
    }
    if (Appended.size() == 0 && (Appended.write(HeadingText().toUtf8() + '\n') < 0 || !Appended.flush())) {
        if (error)
            *error = Appended.errorString();
        Appended.close();
        return false;
    }
    return true;
}

void TrafficLog::AppendRow(const TrafficRow &row)
{
    const QByteArray line = RowText(row).toUtf8() + '\n';
    if (Appended.write(line) == line.size() && Appended.flush())
        return;
    // A full disk or a lost drive: what was written stays, and the window
    // says why no more is.
    FileFault = Appended.errorString();
    Appended.close();
}

QString TrafficLog::LinkName(TrafficLink link)
{
    switch (link) {
    case TrafficLink::Setup:
        return QStringLiteral("Setup");
    case TrafficLink::Monitor:
        return QStringLiteral("Monitor");
    case TrafficLink::Parameters:
        return QStringLiteral("Parameters");
    case TrafficLink::RampSoak:
        return QStringLiteral("Ramp/soak");
    case TrafficLink::Recorder:
        return QStringLiteral("Recorder");
    }
    return QString();
}

QString TrafficLog::VerdictName(TrafficVerdict verdict)
{
    static const char *const names[TrafficVerdictCount] = {
        "Not judged", "Good",     "Checksum", "Format",   "Exception",   "Other station",
        "Echo",       "Input",    "Time-out", "Overflow", "Late, dropped", "Unrequested",
    };
    return QString::fromLatin1(names[static_cast<std::size_t>(verdict)]);
}

QString TrafficLog::VerdictText(const TrafficRow &row)
{
    switch (row.Verdict) {
    case TrafficVerdict::None:
        return QString();
    case TrafficVerdict::Ok:
        return QStringLiteral("ok");
    case TrafficVerdict::Checksum:
        return MessageTable::ModbusFaultTexts[10];
    case TrafficVerdict::Format:
        return MessageTable::FormatFaultText;
    case TrafficVerdict::Exception: {
        const std::vector<std::uint8_t> b = FrameCodec::FrameBytes(Data(row.Bytes), Size(row.Bytes), row.Rtu);
        if (b.size() > 2 && (b[1] & 0x80))
            return MessageTable::ExceptionText(b[2]);
        return MessageTable::ModbusFaultTexts[9];
    }
    case TrafficVerdict::Foreign:
        return MessageTable::AddressNotCorrect;
    case TrafficVerdict::EchoMismatch:
        return MessageTable::EchoMismatchText;
    case TrafficVerdict::InputFault:
        return MessageTable::InputFaultText.trimmed();
    case TrafficVerdict::Timeout:
        return MessageTable::TimeoutText + QStringLiteral(" after %1 ms").arg(row.ElapsedMs);
    case TrafficVerdict::Overflow:
        return QStringLiteral("overflow");
    case TrafficVerdict::Late:
        return QStringLiteral("late reply dropped");
    case TrafficVerdict::Unrequested:
        return QStringLiteral("no request: dropped");
    }
    return QString();
}

QString TrafficLog::ColumnHeading(TrafficColumn column)
{
    static const char *const headings[TrafficColumnCount] = {"Time",  "Link",    "Dir",    "Station",
                                                             "Bytes", "Meaning", "Verdict"};
    return QString::fromLatin1(headings[static_cast<int>(column)]);
}

QString TrafficLog::ColumnText(const TrafficRow &row, TrafficColumn column)
{
    switch (column) {
    case TrafficColumn::Time:
        return TimeText(row.TimeMs);
    case TrafficColumn::Link:
        return LinkName(row.Link);
    case TrafficColumn::Direction:
        return row.Tx ? QStringLiteral("Tx") : QStringLiteral("Rx");
    case TrafficColumn::Station:
        return QString::number(row.Station);
    case TrafficColumn::Bytes:
        return BytesText(row);
    case TrafficColumn::Meaning:
        return Meaning(row);
    case TrafficColumn::Verdict:
        return VerdictText(row);
    }
    return QString();
}

namespace {

using Fields = std::array<QString, TrafficColumnCount>;

// Every column's text, in column order.
template <typename Text>
Fields AllColumns(Text text)
{
    Fields fields;
    for (int c = 0; c < TrafficColumnCount; ++c)
        fields[static_cast<std::size_t>(c)] = text(static_cast<TrafficColumn>(c));
    return fields;
}

// Time, link, direction and station in columns; bytes, meaning and verdict
// after them, an empty one as "-".
QString TextLine(const Fields &f)
{
    const auto orDash = [](const QString &s) { return s.isEmpty() ? QStringLiteral("-") : s; };
    QString line = f[0].leftJustified(12) + QStringLiteral("  ") + f[1].leftJustified(10) + QStringLiteral("  ")
                   + f[2].leftJustified(3) + QStringLiteral("  ") + f[3].rightJustified(7) + QStringLiteral("  ")
                   + orDash(f[4]) + QStringLiteral("  ") + orDash(f[5]);
    if (!f[6].isEmpty())
        line += QStringLiteral("  ") + f[6];
    return line;
}

QByteArray CsvLine(const Fields &fields)
{
    QByteArrayList line;
    for (const QString &field : fields)
        line << CsvField(field);
    return line.join(',');
}

} // namespace

QString TrafficLog::RowText(const TrafficRow &row)
{
    return TextLine(AllColumns([&row](TrafficColumn c) { return ColumnText(row, c); }));
}

QString TrafficLog::HeadingText()
{
    return TextLine(AllColumns(&ColumnHeading));
}

QByteArray TrafficLog::CsvRow(const TrafficRow &row)
{
    return CsvLine(AllColumns([&row](TrafficColumn c) { return ColumnText(row, c); }));
}

QByteArray TrafficLog::CsvHeading()
{
    return CsvLine(AllColumns(&ColumnHeading));
}
