#include "RecordFile.h"

#include <algorithm>
#include <limits>

namespace RecordFile {

std::array<std::uint8_t, HeaderSize> EncodeHeader(const Header &header)
{
    std::array<std::uint8_t, HeaderSize> bytes{};
    std::copy(header.Addresses.begin(), header.Addresses.end(), bytes.begin());
    bytes[10] = static_cast<std::uint8_t>(header.SampleTime);
    bytes[11] = 0;
    return bytes;
}

Header DecodeHeader(const std::uint8_t *bytes)
{
    Header header;
    std::copy(bytes, bytes + RecorderSlotCount, header.Addresses.begin());
    header.SampleTime = bytes[10];
    return header;
}

int DecodeValue(std::uint8_t high, std::uint8_t low)
{
    const int word = high * 256 + low;
    if (word == DroppedMarker)
        return DroppedMarker;
    return static_cast<std::int16_t>(word);
}

int RecordCount(qint64 fileSize)
{
    if (fileSize < HeaderSize)
        return 0;
    const qint64 count = (fileSize - HeaderSize) / RecordBytes;
    // A record number must stay an int, with room to count one past the end.
    return static_cast<int>(std::min<qint64>(count, std::numeric_limits<int>::max() - WindowRecords));
}

void ReplayWindow::Clear()
{
    ReplayValues.clear();
    ReplayTimes.clear();
    WindowStart = 0;
    WindowEnd = 0;
}

namespace {

void DecodeRecords(const QByteArray &bytes, int count, ReplayWindow &window)
{
    window.ReplayValues.resize(static_cast<std::size_t>(count));
    window.ReplayTimes.resize(static_cast<std::size_t>(count));
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    for (int k = 0; k < count; ++k) {
        const std::uint8_t *record = data + static_cast<qsizetype>(k) * RecordBytes;
        auto &values = window.ReplayValues[static_cast<std::size_t>(k)];
        for (int s = 0; s < RecorderSlotCount; ++s)
            values[static_cast<std::size_t>(s)] = DecodeValue(record[2 * s], record[2 * s + 1]);
        auto &time = window.ReplayTimes[static_cast<std::size_t>(k)];
        std::copy(record + 20, record + 24, time.begin());
    }
}

} // namespace

bool RecordReader::Open(const QString &path)
{
    File.close();
    Count = 0;
    File.setFileName(path);
    if (!File.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = File.read(HeaderSize);
    if (head.size() != HeaderSize) {
        File.close();
        return false;
    }
    Head = DecodeHeader(reinterpret_cast<const std::uint8_t *>(head.constData()));
    Count = RecordCount(File.size());
    return true;
}

bool RecordReader::Read(int first, int count, ReplayWindow &window)
{
    if (!File.isOpen() || first < 0 || count < 0)
        return false;
    const qint64 offset = HeaderSize + static_cast<qint64>(first) * RecordBytes;
    const qint64 length = static_cast<qint64>(count) * RecordBytes;
    if (File.size() < offset + length || !File.seek(offset))
        return false;
    const QByteArray bytes = File.read(length);
    if (bytes.size() != length)
        return false;
    DecodeRecords(bytes, count, window);
    window.WindowStart = first;
    window.WindowEnd = first + count;
    return true;
}

bool LoadRecordFile(const QString &path, Header &header, ReplayWindow &window)
{
    window.Clear();
    window.RecordTotal = 0;
    RecordReader reader;
    if (!reader.Open(path) || !reader.Read(0, std::min(reader.Total(), WindowRecords), window)) {
        window.Clear();
        return false;
    }
    header = reader.FileHeader();
    window.RecordTotal = reader.Total();
    return true;
}

bool LoadReplayWindow(const QString &path, int first, ReplayWindow &window)
{
    first = std::clamp(first, 0, window.RecordTotal);
    const int count = std::min(WindowRecords, window.RecordTotal - first);
    RecordReader reader;
    if (reader.Open(path) && reader.Read(first, count, window))
        return true;
    window.Clear();
    return false;
}

bool RecordWriter::Create(const QString &path, const Header &header)
{
    Close();
    File.setFileName(path);
    // Unbuffered: every write goes straight to the operating system.
    if (!File.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return false;
    const auto bytes = EncodeHeader(header);
    if (File.write(reinterpret_cast<const char *>(bytes.data()), HeaderSize) != HeaderSize) {
        Close();
        return false;
    }
    return true;
}

bool RecordWriter::Append(const std::array<std::uint8_t, RecordBytes> &record)
{
    if (!File.isOpen())
        return false;
    const qint64 whole = File.pos();
    if (File.write(reinterpret_cast<const char *>(record.data()), RecordBytes) == RecordBytes)
        return true;
    // Part of a record may have gone out before the disk filled: our replay
    // would skip it, but another reader would take it for a record. The
    // file ends at its last whole record.
    File.resize(whole);
    return false;
}

void RecordWriter::Close()
{
    if (File.isOpen())
        File.close();
}

} // namespace RecordFile
