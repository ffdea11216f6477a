#include "CsvExport.h"

#include "ChartScale.h"
#include "MessageTable.h"
#include "SaveReplacing.h"

#include <QSaveFile>

namespace CsvExport {

namespace {

// Spreadsheets expect CR LF between rows.
constexpr char RowEnd[] = "\r\n";

QByteArray TwoDigits(int value)
{
    return QByteArray::number(value).rightJustified(2, '0');
}

} // namespace

QByteArray HeadingRow(const RecordFile::Header &header)
{
    QByteArray row = MessageTable::CsvTimeHeading.toLatin1();
    for (std::uint8_t address : header.Addresses) {
        if (address != 0)
            row += ',' + QByteArray::number(address);
    }
    return row + RowEnd;
}

QByteArray Row(const RecordFile::Header &header, const std::array<int, RecorderSlotCount> &values,
               const std::array<std::uint8_t, 4> &time)
{
    // To the second: a record keeps only the low byte of its millisecond,
    // which is no part of the time anyone could read.
    QByteArray row = TwoDigits(time[0]) + ':' + TwoDigits(time[1]) + ':' + TwoDigits(time[2]);
    for (int s = 0; s < RecorderSlotCount; ++s) {
        if (header.Addresses[static_cast<std::size_t>(s)] == 0)
            continue;
        const int v = values[static_cast<std::size_t>(s)];
        row += ',';
        row += v == DroppedMarker ? MessageTable::ErrText.toLatin1() : TenthsText(v).toLatin1();
    }
    return row + RowEnd;
}

Result Export(const QString &recordPath, const QString &csvPath, int *rows)
{
    if (rows)
        *rows = 0;
    RecordFile::RecordReader reader;
    if (!reader.Open(recordPath))
        return Result::SourceFailed;
    // Written aside and put in place only when whole: a failed export never
    // leaves a cut-off table, nor spoils one that was there before.
    QSaveFile out(csvPath);
    if (!out.open(QIODevice::WriteOnly))
        return Result::TargetFailed;
    const RecordFile::Header &header = reader.FileHeader();
    if (out.write(HeadingRow(header)) < 0)
        return Result::TargetFailed;

    RecordFile::ReplayWindow window;
    QByteArray text;
    for (int first = 0; first < reader.Total(); first += RecordFile::WindowRecords) {
        const int count = std::min(RecordFile::WindowRecords, reader.Total() - first);
        if (!reader.Read(first, count, window)) {
            out.cancelWriting();
            return Result::SourceFailed;
        }
        text.clear();
        for (int k = 0; k < count; ++k)
            text += Row(header, window.ReplayValues[static_cast<std::size_t>(k)],
                        window.ReplayTimes[static_cast<std::size_t>(k)]);
        if (out.write(text) != text.size()) {
            out.cancelWriting();
            return Result::TargetFailed;
        }
    }
    if (!CommitWhole(out))
        return Result::TargetFailed;
    if (rows)
        *rows = reader.Total();
    return Result::Done;
}

} // namespace CsvExport
