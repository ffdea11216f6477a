#include "FrameCodec.h"

#include "Conversions.h"
#include "Public.h"

#include <algorithm>
#include <cstring>

namespace FrameCodec {

QByteArray Frame::ToByteArray() const
{
    return QByteArray(reinterpret_cast<const char *>(Bytes.data()), Length);
}

Frame BuildRequest(int station, int function, int reg, int countOrValue, bool rtu)
{
    const std::uint8_t payload[6] = {
        static_cast<std::uint8_t>(station), static_cast<std::uint8_t>(function),
        static_cast<std::uint8_t>(reg >> 8), static_cast<std::uint8_t>(reg),
        static_cast<std::uint8_t>(countOrValue >> 8), static_cast<std::uint8_t>(countOrValue),
    };
    Frame frame;
    if (rtu) {
        std::copy(payload, payload + 6, frame.Bytes.begin());
        const int crc = Crc16(payload, 6);
        frame.Bytes[6] = static_cast<std::uint8_t>(crc & 0xFF);
        frame.Bytes[7] = static_cast<std::uint8_t>(crc >> 8);
        frame.Length = RtuRequestLength;
        return frame;
    }
    QByteArray text(":");
    for (std::uint8_t b : payload)
        text += ByteToHex(b).toLatin1();
    text += ByteToHex(AsciiLrc(text.constData(), 13)).toLatin1();
    text += "\r\n";
    std::memcpy(frame.Bytes.data(), text.constData(), AsciiRequestLength);
    frame.Length = AsciiRequestLength;
    return frame;
}

void UpdateExpectedLength(int count, const std::uint8_t *bytes, int &expectedLength)
{
    if (count == 1)
        expectedLength = UnknownReplyLength;
    else if (count == 3 && bytes[1] == FunctionRead)
        expectedLength = bytes[2] + 5;
    else if (count == 2 && bytes[1] == FunctionWrite)
        expectedLength = 8;
}

bool ReplyComplete(bool rtu, std::uint8_t lastByte, int count, int expectedLength)
{
    return rtu ? count == expectedLength : lastByte == '\n';
}

namespace {

// The stores are zero-filled before each request, so the checks may look at
// positions past the reply and see zeros. A zero-filled copy gives the same
// verdicts without ever reading past what was received.
std::array<std::uint8_t, ReplyStoreSize + 2> PaddedCopy(const std::uint8_t *reply, int count)
{
    std::array<std::uint8_t, ReplyStoreSize + 2> copy{};
    const int n = std::clamp(count, 0, ReplyStoreSize);
    if (n > 0)
        std::memcpy(copy.data(), reply, static_cast<size_t>(n));
    return copy;
}

} // namespace

RecorderVerdict CheckRecorderReply(const std::uint8_t *reply, int count, int station, bool rtu,
                                   int resultCode, bool overflowed)
{
    RecorderVerdict verdict{resultCode, 0};
    if (resultCode == ResultTimeout && count <= 0)
        return verdict;
    if (overflowed) {
        verdict.ResultCode = ResultBadFrame;
        return verdict;
    }
    auto buffer = PaddedCopy(reply, count);
    std::uint8_t b[9] = {};
    if (rtu) {
        std::copy(buffer.begin(), buffer.begin() + 9, b);
        // A late reply of the controller asked before must not be taken
        // for this one's value.
        if (b[0] != station)
            verdict.ResultCode = ResultBadFrame;
        if (Crc16(b, 7) != b[7] + 256 * b[8])
            verdict.ResultCode = ResultChecksum;
    } else {
        char text[18] = {};
        std::memcpy(text, buffer.data(), 17);
        if (text[0] != ':')
            verdict.ResultCode = ResultBadFrame;
        const int lrc = AsciiLrc(text, 15);
        for (int i = 0; i < 8; ++i)
            b[i] = static_cast<std::uint8_t>(HexPairToByte(text[2 * i + 1], text[2 * i + 2]));
        if (b[0] != station)
            verdict.ResultCode = ResultBadFrame;
        if (lrc != b[7])
            verdict.ResultCode = ResultChecksum;
    }
    if (b[1] == 0x83)
        verdict.ResultCode = b[2];
    if (b[3] == 0x80)
        verdict.ResultCode = ResultInputFault;
    else
        verdict.Value = static_cast<std::int16_t>(b[3] * 256 + b[4]);
    return verdict;
}

MonitorVerdict CheckMonitorReply(const std::uint8_t *reply, int count, int station, bool rtu,
                                 bool identifying, bool overflowed)
{
    MonitorVerdict verdict;
    count = std::clamp(count, 0, ReplyStoreSize);
    if (overflowed) {
        verdict.Status = StatusFormatFault;
        return verdict;
    }
    // ':' station function LRC CR LF is the shortest sound ASCII reply.
    if (!rtu && (count < 9 || reply[0] != ':')) {
        verdict.Status = StatusFormatFault;
        return verdict;
    }
    verdict.Bytes = FrameBytes(reply, count, rtu);
    const auto &bytes = verdict.Bytes;
    const int n = static_cast<int>(bytes.size());
    if (n < 1) {
        verdict.Status = StatusFormatFault;
        return verdict;
    }
    verdict.Function = n > 1 ? bytes[1] : 0;
    // The checksum first: a glitch at the start of a reply (a stray byte at
    // the RS-485 turnaround) is a damaged frame, not another station's.
    if (rtu) {
        if (n < 4 || Crc16(bytes.data(), n - 2) != bytes[n - 2] + 256 * bytes[n - 1]) {
            verdict.Status = StatusChecksumFault;
            return verdict;
        }
    } else if (verdict.Function != 0x77) {
        int sum = 0;
        for (std::uint8_t b : bytes)
            sum += b;
        if ((sum & 0xFF) != 0) {
            verdict.Status = StatusChecksumFault;
            return verdict;
        }
    }
    if (bytes[0] != station) {
        verdict.Kind = ReplyKind::ForeignStation;
        return verdict;
    }
    const int trailer = rtu ? 2 : 1;  // CRC or LRC after the data
    switch (verdict.Function) {
    case 0x03:
    case 0x67: {
        const int byteCount = n > 2 ? bytes[2] : -1;
        if (byteCount < 0 || 3 + byteCount + trailer > n) {
            verdict.Status = StatusFormatFault;
            return verdict;
        }
        for (int i = 0; i + 1 < byteCount; i += 2)
            verdict.Words.push_back(bytes[3 + i] * 256 + bytes[4 + i]);
        verdict.Kind = ReplyKind::Data;
        return verdict;
    }
    case 0x06:
    case 0x86:
        verdict.Kind = ReplyKind::Write;
        return verdict;
    case 0x77:
    case 0xE7:
        if (identifying) {
            verdict.Kind = ReplyKind::ModelA;
            return verdict;
        }
        break;
    default:
        break;
    }
    verdict.Status = StatusExceptionFault;
    verdict.ExceptionCode = n > 2 ? bytes[2] : 0;
    return verdict;
}

std::vector<std::uint8_t> RequestBytes(const Frame &request, bool rtu)
{
    return FrameBytes(request.Bytes.data(), request.Length, rtu);
}

std::vector<std::uint8_t> FrameBytes(const std::uint8_t *frame, int count, bool rtu)
{
    if (rtu)
        return std::vector<std::uint8_t>(frame, frame + std::max(count, 0));
    std::vector<std::uint8_t> bytes;
    if (count < 1 || frame[0] != ':')
        return bytes;
    const int pairs = (count - 3) / 2;
    for (int i = 0; i < pairs; ++i)
        bytes.push_back(static_cast<std::uint8_t>(
            HexPairToByte(static_cast<char>(frame[2 * i + 1]), static_cast<char>(frame[2 * i + 2]))));
    return bytes;
}

bool EchoMatch(const std::vector<std::uint8_t> &request, const std::vector<std::uint8_t> &reply)
{
    return reply.size() >= request.size() && std::equal(request.begin(), request.end(), reply.begin());
}

bool IsScanHit(const QString &text, int address, bool rtu)
{
    const int at = rtu ? 0 : 1;
    if (text.size() < at + 6)
        return false;
    const char high = text.at(at).toLatin1();
    const char low = text.at(at + 1).toLatin1();
    return HexPairToByte(high, low) == address && QStringView(text).mid(at + 2, 4) == u"0302";
}

} // namespace FrameCodec
