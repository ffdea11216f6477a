// The record file (*.rec): a 12-byte header (the ten station addresses, the
// sample time, 0) and one 25-byte record per completed sample (ten values,
// high byte first, then hour, minute, second, millisecond byte and 'Z').
// Files are read in windows of at most 4096 records, so replaying or
// exporting a file of any length takes the same memory.
#pragma once

#include "RecorderState.h"

#include <QFile>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace RecordFile {

inline constexpr int HeaderSize = 12;
inline constexpr int WindowRecords = 4096;
inline constexpr std::uint8_t RecordEnd = 'Z';

struct Header {
    std::array<std::uint8_t, RecorderSlotCount> Addresses{};
    int SampleTime = 0;  // seconds; 0 is half a second
};

std::array<std::uint8_t, HeaderSize> EncodeHeader(const Header &header);
Header DecodeHeader(const std::uint8_t *bytes);

// A slot's value from its two bytes: signed 16-bit, high byte first, except
// that the pair 0x80 0xA5 is the dropped marker.
int DecodeValue(std::uint8_t high, std::uint8_t low);

// Whole records in a file of that size; bytes after the last whole record
// do not count. Never negative, and within what a record number can hold.
int RecordCount(qint64 fileSize);

// The loaded records WindowStart .. WindowEnd - 1: values by record index
// within the window and slot, and hour, minute, second, millisecond byte.
struct ReplayWindow {
    std::vector<std::array<int, RecorderSlotCount>> ReplayValues;
    std::vector<std::array<std::uint8_t, 4>> ReplayTimes;
    int RecordTotal = 0;
    int WindowStart = 0;
    int WindowEnd = 0;

    bool Holds(int record) const { return record >= WindowStart && record < WindowEnd; }
    void Clear();
};

// A record file open for reading, window by window.
class RecordReader {
public:
    // False when the file cannot be opened or is shorter than its header.
    bool Open(const QString &path);
    const Header &FileHeader() const { return Head; }
    // Whole records in the file when it was opened.
    int Total() const { return Count; }
    // Reads exactly `count` records from record `first` on into the window;
    // false on any shortfall (the file shrank), never reading past its end.
    bool Read(int first, int count, ReplayWindow &window);

private:
    QFile File;
    Header Head;
    int Count = 0;
};

// Reads the header and the first window. False when the file cannot be
// opened or read, or is shorter than its header.
bool LoadRecordFile(const QString &path, Header &header, ReplayWindow &window);

// Loads the window that starts at record `first` (up to 4096 records, never
// past RecordTotal). False when the file cannot be read any more or has
// become shorter: the window is then empty.
bool LoadReplayWindow(const QString &path, int first, ReplayWindow &window);

// Appends records as they complete. Every record goes to the operating
// system at once, so a crash loses at most the sample being collected.
class RecordWriter {
public:
    RecordWriter() = default;
    ~RecordWriter() { Close(); }
    RecordWriter(const RecordWriter &) = delete;
    RecordWriter &operator=(const RecordWriter &) = delete;

    // Creates or truncates the file and writes the header. False when that
    // failed; nothing is open then.
    bool Create(const QString &path, const Header &header);
    // False when the record could not be written whole (disk full, medium
    // gone); the file is cut back to the records written before it.
    bool Append(const std::array<std::uint8_t, RecordBytes> &record);
    void Close();
    bool IsOpen() const { return File.isOpen(); }
    int Handle() const { return File.isOpen() ? File.handle() : 0; }

private:
    QFile File;
};

} // namespace RecordFile
