#include "Conversions.h"
#include "FrameCodec.h"
#include "Public.h"

#include <gtest/gtest.h>

#include <vector>

using namespace FrameCodec;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes WithCrc(Bytes bytes)
{
    const int crc = Crc16(bytes.data(), static_cast<int>(bytes.size()));
    bytes.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(crc >> 8));
    return bytes;
}

Bytes Text(const char *text)
{
    return Bytes(text, text + std::strlen(text));
}

// An ASCII frame for the payload bytes, with its LRC, CR and LF.
Bytes AsciiFrame(const Bytes &payload)
{
    QByteArray text(":");
    int sum = 0;
    for (auto b : payload) {
        text += ByteToHex(b).toLatin1();
        sum += b;
    }
    text += ByteToHex((0x10000 - sum) & 0xFF).toLatin1() + "\r\n";
    return Bytes(text.begin(), text.end());
}

TEST(BuildRequest, LiteralFrames)
{
    struct Case { int Station, Function, Register, Value; bool Rtu; QByteArray Expected; } cases[] = {
        {1, 3, 0x4700, 2, true, QByteArray::fromHex("01034700 0002D0BF")},
        {1, 3, 0x4700, 2, false, ":010347000002B3\r\n"},
        {0x11, 3, 0x4701, 1, false, ":110347010001A3\r\n"},
        {0, 6, 0x471B, 0x6B2E, false, QByteArray(":0006471B6B2E") + ByteToHex((0x10000 - (6 + 0x47 + 0x1B + 0x6B + 0x2E)) & 0xFF).toLatin1() + "\r\n"},
        {0x11, 3, 0x4701, 1, true, QByteArray::fromHex("110347010001") + QByteArray::fromHex("C3EE")},
    };
    for (const Case &c : cases) {
        const Frame frame = BuildRequest(c.Station, c.Function, c.Register, c.Value, c.Rtu);
        EXPECT_EQ(frame.ToByteArray(), c.Expected) << c.Expected.toHex().constData();
        EXPECT_EQ(frame.Length, c.Rtu ? 8 : 17);
    }
}

TEST(ExpectedLength, ReadWriteAndException)
{
    struct Case { Bytes Reply; int CompletesAt; } cases[] = {
        {WithCrc({1, 3, 4, 0, 1, 0, 2}), 9},   // byte count 4
        {WithCrc({1, 6, 0x47, 0x10, 0, 5}), 8},
        {WithCrc({1, 0x83, 2}), -1},            // exception: only the time-out ends it
        {WithCrc({1, 0x67, 6, 0, 2, 0, 1, 0, 0}), -1},
    };
    for (const Case &c : cases) {
        int expected = 0;
        int completedAt = -1;
        for (int n = 1; n <= static_cast<int>(c.Reply.size()); ++n) {
            UpdateExpectedLength(n, c.Reply.data(), expected);
            if (completedAt < 0 && ReplyComplete(true, c.Reply[n - 1], n, expected))
                completedAt = n;
        }
        EXPECT_EQ(completedAt, c.CompletesAt);
    }
}

TEST(ReplyComplete, AsciiAtFinalLineFeed)
{
    EXPECT_TRUE(ReplyComplete(false, '\n', 5, 250));
    EXPECT_FALSE(ReplyComplete(false, '\r', 5, 250));
}

TEST(RecorderCheck, Verdicts)
{
    const Bytes goodRtu = WithCrc({1, 3, 4, 0x01, 0x2C, 0x00, 0x64});
    Bytes badCrc = goodRtu;
    badCrc.back() ^= 0xFF;
    const Bytes inputFault = WithCrc({1, 3, 4, 0x80, 0x02, 0x00, 0x00});
    const Bytes negative = WithCrc({1, 3, 4, 0xFF, 0x9C, 0x00, 0x00});
    struct Case { const char *Name; Bytes Reply; bool Rtu; int Station; int Incoming; int Result; int Value; } cases[] = {
        {"rtu ok", goodRtu, true, 1, ResultOk, ResultOk, 300},
        {"rtu negative", negative, true, 1, ResultOk, ResultOk, -100},
        {"rtu checksum", badCrc, true, 1, ResultOk, ResultChecksum, 300},
        {"rtu exception beats checksum", WithCrc({1, 0x83, 2}), true, 1, ResultOk, 2, 0},
        {"exception code 15", WithCrc({1, 0x83, 15}), true, 1, ResultOk, ResultTimeout, 0},
        {"exception code 30", WithCrc({1, 0x83, 30}), true, 1, ResultOk, ResultBadFrame, 0},
        {"exception code 33", WithCrc({1, 0x83, 33}), true, 1, ResultOk, ResultInputFault, 0},
        {"input fault with right checksum", inputFault, true, 1, ResultOk, ResultInputFault, 0},
        {"rtu other station", WithCrc({2, 3, 4, 0x01, 0x2C, 0, 0}), true, 1, ResultOk, ResultBadFrame, 0},
        {"rtu one byte", {1}, true, 1, ResultOk, ResultChecksum, 0},
        {"rtu silence", {}, true, 1, ResultTimeout, ResultTimeout, 0},
        {"ascii ok", AsciiFrame({1, 3, 4, 0x01, 0x2C, 0x00, 0x64}), false, 1, ResultOk, ResultOk, 300},
        {"ascii other station", AsciiFrame({2, 3, 4, 0x01, 0x2C, 0x00, 0x64}), false, 1, ResultOk, ResultBadFrame, 300},
        {"ascii without colon", [] { Bytes b = AsciiFrame({1, 3, 4, 0x01, 0x2C, 0x00, 0x64}); b[0] = 'X'; return b; }(), false, 1, ResultOk, ResultBadFrame, 0},
        {"ascii colon alone", Text(":"), false, 1, ResultOk, ResultChecksum, 0},
        {"ascii silence", {}, false, 1, ResultTimeout, ResultTimeout, 0},
    };
    for (const Case &c : cases) {
        const RecorderVerdict v = CheckRecorderReply(c.Reply.data(), static_cast<int>(c.Reply.size()), c.Station,
                                                     c.Rtu, c.Incoming);
        EXPECT_EQ(v.ResultCode, c.Result) << c.Name;
        if (c.Result == ResultOk) {
            EXPECT_EQ(v.Value, c.Value) << c.Name;
        }
    }
}

TEST(RecorderCheck, OverflowedReplyIsNeverGood)
{
    const Bytes good = WithCrc({1, 3, 4, 0x01, 0x2C, 0x00, 0x64});
    EXPECT_EQ(CheckRecorderReply(good.data(), 9, 1, true, ResultOk, true).ResultCode, ResultBadFrame);
}

TEST(MonitorCheck, Verdicts)
{
    const Bytes read = WithCrc({1, 3, 4, 0x01, 0x2C, 0x00, 0x64});
    Bytes badCrc = read;
    badCrc[4] ^= 1;
    Bytes badLrc = AsciiFrame({1, 3, 2, 0x00, 0x0A});
    badLrc[11] = '0';
    badLrc[12] = '0';
    Bytes lrc77 = Text(":0177FF00\r\n");
    Bytes glitch = read;
    glitch.insert(glitch.begin(), 0x00);
    Bytes foreignBadLrc = AsciiFrame({2, 3, 2, 0, 10});
    foreignBadLrc[11] = '0';  // 0x77 replies carry no LRC that is tested
    struct Case { const char *Name; Bytes Reply; bool Rtu; bool Identifying; int Status; ReplyKind Kind; } cases[] = {
        {"rtu read", read, true, false, StatusOk, ReplyKind::Data},
        {"ascii read", AsciiFrame({1, 3, 2, 0, 10}), false, false, StatusOk, ReplyKind::Data},
        {"rtu checksum", badCrc, true, false, StatusChecksumFault, ReplyKind::Fault},
        {"ascii checksum", badLrc, false, false, StatusChecksumFault, ReplyKind::Fault},
        {"ascii without colon", Text("01030200\r\n"), false, false, StatusFormatFault, ReplyKind::Fault},
        {"ascii colon alone", Text(":"), false, false, StatusFormatFault, ReplyKind::Fault},
        {"empty", {}, false, false, StatusFormatFault, ReplyKind::Fault},
        {"rtu one byte", {1}, true, false, StatusChecksumFault, ReplyKind::Fault},
        {"rtu nothing", {}, true, false, StatusFormatFault, ReplyKind::Fault},
        {"foreign station", WithCrc({2, 3, 2, 0, 10}), true, false, StatusOk, ReplyKind::ForeignStation},
        {"ascii foreign station", AsciiFrame({2, 3, 2, 0, 10}), false, false, StatusOk, ReplyKind::ForeignStation},
        // A stray byte at the turnaround damages the frame; it is not another
        // station's reply.
        {"rtu glitch before the reply", glitch, true, false, StatusChecksumFault, ReplyKind::Fault},
        {"ascii foreign address with a bad lrc", foreignBadLrc, false, false, StatusChecksumFault, ReplyKind::Fault},
        {"write echo", WithCrc({1, 6, 0x47, 0x10, 0, 5}), true, false, StatusOk, ReplyKind::Write},
        {"write exception", WithCrc({1, 0x86, 3}), true, false, StatusOk, ReplyKind::Write},
        {"read exception", WithCrc({1, 0x83, 2}), true, false, StatusExceptionFault, ReplyKind::Fault},
        {"model A by 0xE7", WithCrc({1, 0xE7, 1}), true, true, StatusOk, ReplyKind::ModelA},
        {"0xE7 outside identification", WithCrc({1, 0xE7, 1}), true, false, StatusExceptionFault, ReplyKind::Fault},
        {"model A by 0x77 without LRC", lrc77, false, true, StatusOk, ReplyKind::ModelA},
        {"identification data", WithCrc({1, 0x67, 6, 0, 2, 0, 1, 0, 0}), true, true, StatusOk, ReplyKind::Data},
        {"byte count past the frame", WithCrc({1, 3, 40, 0, 1}), true, false, StatusFormatFault, ReplyKind::Fault},
    };
    for (const Case &c : cases) {
        const MonitorVerdict v = CheckMonitorReply(c.Reply.data(), static_cast<int>(c.Reply.size()), 1, c.Rtu,
                                                   c.Identifying);
        EXPECT_EQ(v.Status, c.Status) << c.Name;
        EXPECT_EQ(v.Kind, c.Kind) << c.Name;
    }
}

TEST(MonitorCheck, WordsAndExceptionCode)
{
    const Bytes read = WithCrc({1, 3, 4, 0x01, 0x2C, 0xFF, 0x9C});
    const MonitorVerdict v = CheckMonitorReply(read.data(), 9, 1, true, false);
    ASSERT_EQ(v.Words.size(), 2u);
    EXPECT_EQ(v.Words[0], 300);
    EXPECT_EQ(v.Words[1], 0xFF9C);
    const Bytes exception = AsciiFrame({1, 0x83, 2});
    const MonitorVerdict e = CheckMonitorReply(exception.data(), static_cast<int>(exception.size()), 1, false, false);
    EXPECT_EQ(e.Status, StatusExceptionFault);
    EXPECT_EQ(e.Function, 0x83);
    EXPECT_EQ(e.ExceptionCode, 2);
}

TEST(EchoMatch, WholeRequestLength)
{
    for (bool rtu : {true, false}) {
        const Frame request = BuildRequest(1, 6, 0x4710, 0x0000, rtu);
        const Bytes sent = RequestBytes(request, rtu);
        EXPECT_EQ(sent.size(), rtu ? 8u : 7u);
        EXPECT_TRUE(EchoMatch(sent, sent));
        Bytes differentTail = sent;
        differentTail.back() ^= 1;  // after the zero value bytes
        EXPECT_FALSE(EchoMatch(sent, differentTail));
        EXPECT_FALSE(EchoMatch(sent, Bytes(sent.begin(), sent.end() - 1)));
    }
}

TEST(ScanHit, StationFunctionAndByteCountOnly)
{
    struct Case { const char *Text; int Address; bool Rtu; bool Hit; } cases[] = {
        {":010302000AF0", 1, false, true},
        {":010302000A00", 1, false, true},   // the LRC is not examined
        {":010304000A00", 1, false, false},  // byte count 04
        {":020302000AF0", 1, false, false},  // another station
        {"X100302000AF0", 0x10, false, true}, // the first character is not tested
        {"010302000A1234", 1, true, true},   // any two CRC bytes
        {"01030", 1, true, false},
        {":", 1, false, false},
        {"", 1, false, false},
        {":1F0302", 0x1F, false, true},
        {"01830201", 1, true, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(IsScanHit(QString::fromLatin1(c.Text), c.Address, c.Rtu), c.Hit) << c.Text;
}

} // namespace
