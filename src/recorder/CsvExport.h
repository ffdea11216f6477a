// A record file as comma-separated text for a spreadsheet: a heading row
// ("Time" and the station address of every slot in use), then one row per
// record with its time of day and the values with one decimal; a dropped
// slot reads "Err". The file is read window by window, so a file of any
// length exports in the same memory.
#pragma once

#include "RecordFile.h"

#include <QByteArray>
#include <QString>

namespace CsvExport {

enum class Result {
    Done,
    SourceFailed,  // the record file cannot be read
    TargetFailed,  // the text file cannot be written; an older one is left as it was
};

// "Time,1,2,3" for the slots in use.
QByteArray HeadingRow(const RecordFile::Header &header);
// "09:05:03,25.3,-12.3,Err": the time of day to the second.
QByteArray Row(const RecordFile::Header &header, const std::array<int, RecorderSlotCount> &values,
               const std::array<std::uint8_t, 4> &time);

// `rows`, when given, receives the number of record rows written.
Result Export(const QString &recordPath, const QString &csvPath, int *rows = nullptr);

} // namespace CsvExport
