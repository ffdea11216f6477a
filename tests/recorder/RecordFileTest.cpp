// The record file: its bytes, the reader's windows, hostile lengths, a
// write that fails, and the export as a table.
#include "CsvExport.h"
#include "RecorderRig.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>


namespace {

class RecordFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Folder.isValid()); }
    QString Path(const char *name) const { return Folder.filePath(QString::fromLatin1(name)); }

    QTemporaryDir Folder;
};

TEST_F(RecordFileTest, ValuesDecodeAsSignedTenthsAndTheMarker)
{
    struct Case { std::uint8_t High, Low; int Value; } cases[] = {
        {0x00, 0xFA, 250}, {0xFF, 0x85, -123}, {0xFF, 0xFB, -5}, {0x80, 0xA5, DroppedMarker},
        {0x80, 0x00, -32768}, {0x80, 0xA4, -32604}, {0x7F, 0xFF, 32767}, {0x00, 0x00, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(RecordFile::DecodeValue(c.High, c.Low), c.Value) << int(c.High) << ' ' << int(c.Low);
}

TEST_F(RecordFileTest, RecordCountIgnoresStrayBytesAndShortFiles)
{
    struct Case { qint64 Size; int Count; } cases[] = {
        {0, 0}, {11, 0}, {12, 0}, {36, 0}, {37, 1}, {87, 3}, {90, 3}, {12 + 25LL * 5000, 5000},
        {12 + 25LL * 4'000'000'000, std::numeric_limits<int>::max() - RecordFile::WindowRecords},
    };
    for (const Case &c : cases)
        EXPECT_EQ(RecordFile::RecordCount(c.Size), c.Count) << c.Size;
}

TEST_F(RecordFileTest, WriterWritesHeaderAndRecords)
{
    RecordFile::Header header;
    header.Addresses = {1, 0, 7};
    header.SampleTime = 0;
    RecordFile::RecordWriter writer;
    ASSERT_TRUE(writer.Create(Path("a.rec"), header));
    std::array<std::uint8_t, RecordBytes> record{};
    record[0] = 0xFF;
    record[1] = 0x85;
    record[20] = 23;
    record[24] = 'Z';
    ASSERT_TRUE(writer.Append(record));
    // Each record reaches the file as it completes, before any close.
    EXPECT_EQ(ReadAll(Path("a.rec")).size(), 12 + 25);
    writer.Close();
    const QByteArray bytes = ReadAll(Path("a.rec"));
    EXPECT_EQ(bytes.left(12), QByteArray::fromHex("010007000000000000000000"));
    EXPECT_EQ(bytes.mid(12), QByteArray::fromHex("ff85000000000000000000000000000000000000170000005a"));

    RecordFile::Header back;
    RecordFile::ReplayWindow window;
    ASSERT_TRUE(RecordFile::LoadRecordFile(Path("a.rec"), back, window));
    EXPECT_EQ(back.Addresses, header.Addresses);
    EXPECT_EQ(back.SampleTime, 0);
    ASSERT_EQ(window.RecordTotal, 1);
    EXPECT_EQ(window.ReplayValues[0][0], -123);
    EXPECT_EQ(TenthsText(window.ReplayValues[0][0]), "-12.3");
    EXPECT_EQ(window.ReplayTimes[0][0], 23);
}

TEST_F(RecordFileTest, HostileLengths)
{
    struct Case { const char *Name; QByteArray Bytes; bool Loads; int Total; } cases[] = {
        {"empty", QByteArray(), false, 0},
        {"short header", QByteArray(11, '\1'), false, 0},
        {"header only", QByteArray(12, '\0'), true, 0},
        {"half a record", QByteArray(12 + 12, '\0'), true, 0},
        {"three and stray bytes", RecordBuilder().Add({250}).Add({251}).Add({252}).Bytes + "abc", true, 3},
    };
    for (const Case &c : cases) {
        QFile file(Path("hostile.rec"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.Bytes);
        file.close();
        RecordFile::Header header;
        RecordFile::ReplayWindow window;
        EXPECT_EQ(RecordFile::LoadRecordFile(Path("hostile.rec"), header, window), c.Loads) << c.Name;
        EXPECT_EQ(window.RecordTotal, c.Total) << c.Name;
        EXPECT_EQ(window.WindowEnd - window.WindowStart, c.Total) << c.Name;
    }
    RecordFile::Header header;
    RecordFile::ReplayWindow window;
    EXPECT_FALSE(RecordFile::LoadRecordFile(Path("missing.rec"), header, window));
    EXPECT_FALSE(RecordFile::LoadRecordFile(Folder.path(), header, window));  // a folder
}

TEST_F(RecordFileTest, FileOfFiveThousandRecordsIsReadInWindows)
{
    RecordBuilder file({1, 2});
    for (int i = 0; i < 5000; ++i)
        file.Add({i, -i});
    ASSERT_TRUE(file.Write(Path("long.rec")));
    RecordFile::Header header;
    RecordFile::ReplayWindow window;
    ASSERT_TRUE(RecordFile::LoadRecordFile(Path("long.rec"), header, window));
    EXPECT_EQ(window.RecordTotal, 5000);
    EXPECT_EQ(window.WindowStart, 0);
    EXPECT_EQ(window.WindowEnd, 4096);
    EXPECT_EQ(window.ReplayValues[4095][0], 4095);

    ASSERT_TRUE(RecordFile::LoadReplayWindow(Path("long.rec"), 4096, window));
    EXPECT_EQ(window.WindowStart, 4096);
    EXPECT_EQ(window.WindowEnd, 5000);
    EXPECT_EQ(window.ReplayValues[0][1], -4096);

    ASSERT_TRUE(RecordFile::LoadReplayWindow(Path("long.rec"), 3780, window));
    EXPECT_EQ(window.WindowStart, 3780);
    EXPECT_EQ(window.WindowEnd, 5000);
    EXPECT_EQ(window.ReplayValues[4999 - 3780][0], 4999);

    // Record numbers out of the file are brought back into it.
    ASSERT_TRUE(RecordFile::LoadReplayWindow(Path("long.rec"), 7000, window));
    EXPECT_EQ(window.WindowStart, 5000);
    EXPECT_EQ(window.WindowEnd, 5000);
    ASSERT_TRUE(RecordFile::LoadReplayWindow(Path("long.rec"), -3, window));
    EXPECT_EQ(window.WindowStart, 0);
}

TEST_F(RecordFileTest, FileThatShrankIsRefusedWithoutReadingPastItsEnd)
{
    RecordBuilder file;
    for (int i = 0; i < 5000; ++i)
        file.Add({i});
    ASSERT_TRUE(file.Write(Path("shrink.rec")));
    RecordFile::Header header;
    RecordFile::ReplayWindow window;
    ASSERT_TRUE(RecordFile::LoadRecordFile(Path("shrink.rec"), header, window));
    ASSERT_TRUE(QFile::resize(Path("shrink.rec"), 12 + 25 * 4500));
    EXPECT_FALSE(RecordFile::LoadReplayWindow(Path("shrink.rec"), 4096, window));
    EXPECT_EQ(window.WindowStart, window.WindowEnd);
    ASSERT_TRUE(QFile::remove(Path("shrink.rec")));
    EXPECT_FALSE(RecordFile::LoadReplayWindow(Path("shrink.rec"), 0, window));
}

TEST_F(RecordFileTest, FailedWriteIsReportedAndLeavesOnlyWholeRecords)
{
    RecordFile::Header header;
    header.Addresses = {1};
    std::array<std::uint8_t, RecordBytes> record{};
    record[24] = 'Z';
    // Room for two records and none, a part or nearly all of a third: the
    // file ends after the second whatever part of the third got out.
    for (const int room : {0, 1, 9, 24}) {
        const QString path = Path("full.rec");
        {
            FileSizeLimit limit(static_cast<rlim_t>(12 + 2 * 25 + room));
            ASSERT_TRUE(limit.Active);
            RecordFile::RecordWriter writer;
            ASSERT_TRUE(writer.Create(path, header));
            EXPECT_TRUE(writer.Append(record));
            EXPECT_TRUE(writer.Append(record));
            EXPECT_FALSE(writer.Append(record)) << room;
            writer.Close();
        }
        EXPECT_EQ(ReadAll(path).size(), 12 + 2 * 25) << room;
    }

    {
        FileSizeLimit limit(5);
        ASSERT_TRUE(limit.Active);
        RecordFile::RecordWriter writer;
        EXPECT_FALSE(writer.Create(Path("nothing.rec"), header));
        EXPECT_FALSE(writer.IsOpen());
    }
    RecordFile::RecordWriter writer;
    EXPECT_FALSE(writer.Create(Folder.filePath("no/such/folder.rec"), header));
}

TEST_F(RecordFileTest, CsvExportOfASmallFile)
{
    RecordBuilder file({1, 0, 7}, 1);
    file.Add({253, 0, 0xFF85}, 9, 5, 3, 200)
        .Add({-5 & 0xFFFF, 0, 0}, 9, 5, 4, 44)
        .Add({0, 0, DroppedMarker}, 23, 59, 59, 255);
    file.Bytes += "xy";  // stray bytes
    ASSERT_TRUE(file.Write(Path("small.rec")));
    ASSERT_EQ(CsvExport::Export(Path("small.rec"), Path("small.csv")), CsvExport::Result::Done);
    EXPECT_EQ(ReadAll(Path("small.csv")), QByteArray("Time,1,7\r\n"
                                                     "09:05:03,25.3,-12.3\r\n"
                                                     "09:05:04,-0.5,0.0\r\n"
                                                     "23:59:59,0.0,Err\r\n"));
}

TEST_F(RecordFileTest, CsvExportOfManyWindowsAndItsFailures)
{
    RecordBuilder file({5});
    for (int i = 0; i < 9000; ++i)
        file.Add({i % 1000});
    ASSERT_TRUE(file.Write(Path("many.rec")));
    ASSERT_EQ(CsvExport::Export(Path("many.rec"), Path("many.csv")), CsvExport::Result::Done);
    const QList<QByteArray> rows = ReadAll(Path("many.csv")).split('\n');
    ASSERT_EQ(rows.size(), 1 + 9000 + 1);
    EXPECT_EQ(rows[1 + 8999], "09:05:03,99.9\r");

    EXPECT_EQ(CsvExport::Export(Path("missing.rec"), Path("x.csv")), CsvExport::Result::SourceFailed);
    EXPECT_FALSE(QFile::exists(Path("x.csv")));
    EXPECT_EQ(CsvExport::Export(Path("many.rec"), Folder.filePath("no/such/x.csv")), CsvExport::Result::TargetFailed);

    // A failed export leaves an older table as it was.
    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.Active);
        EXPECT_EQ(CsvExport::Export(Path("many.rec"), Path("many.csv")), CsvExport::Result::TargetFailed);
    }
    EXPECT_EQ(ReadAll(Path("many.csv")).split('\n').size(), 1 + 9000 + 1);
}

} // namespace
