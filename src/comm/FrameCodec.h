// Modbus ASCII and RTU framing as every window uses it: building requests,
// knowing when a reply is complete and judging replies. The windows differ in
// which checks they apply; each window's variant is one function here.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace FrameCodec {

inline constexpr int FunctionRead = 0x03;
inline constexpr int FunctionWrite = 0x06;
inline constexpr int FunctionIdentify = 0x67;
inline constexpr int RtuRequestLength = 8;
inline constexpr int AsciiRequestLength = 17;
inline constexpr int UnknownReplyLength = 250;
inline constexpr int ReplyStoreSize = 100;

struct Frame {
    std::array<std::uint8_t, AsciiRequestLength> Bytes{};
    int Length = 0;
    QByteArray ToByteArray() const;
};

// Six payload bytes (station, function, register, count-or-value) framed as
// 8 RTU bytes or 17 ASCII characters.
Frame BuildRequest(int station, int function, int reg, int countOrValue, bool rtu);

// The RTU expected-length rule, applied when byte number `count` (1-based,
// including this one) of a reply has been stored in `bytes`.
void UpdateExpectedLength(int count, const std::uint8_t *bytes, int &expectedLength);

// Whether a reply is complete after a chunk: ASCII at a final LF, RTU (the
// recorder's and the monitor's links) when the count reaches the expected length.
bool ReplyComplete(bool rtu, std::uint8_t lastByte, int count, int expectedLength);

// Recorder: the steps run in order and each fault overwrites the result,
// starting from `resultCode` as the receive routine left it. `overflowed`
// marks a reply that did not fit its store: such a reply is never good.
struct RecorderVerdict {
    int ResultCode = 0;
    int Value = 0;  // signed register value, meaningful with ResultOk
};
RecorderVerdict CheckRecorderReply(const std::uint8_t *reply, int count, int station, bool rtu,
                                   int resultCode, bool overflowed = false);

// Monitor.
inline constexpr int StatusOk = 0;
inline constexpr int StatusFormatFault = 0x50;
inline constexpr int StatusChecksumFault = 0x51;
inline constexpr int StatusExceptionFault = 0x52;
inline constexpr int StatusTimeout = 0x53;
inline constexpr int StatusEchoMismatch = 0x54;

enum class ReplyKind {
    Fault,           // Status says which
    ForeignStation,  // sound frame from another station
    Data,            // 0x03 / 0x67: Words holds the registers
    Write,           // 0x06 / 0x86: compare with EchoMatch
    ModelA,          // 0x77 / 0xE7 while identifying
};

struct MonitorVerdict {
    int Status = StatusOk;
    ReplyKind Kind = ReplyKind::Fault;
    int Function = 0;
    int ExceptionCode = 0;
    std::vector<std::uint8_t> Bytes;  // the reply as bytes (ASCII decoded)
    std::vector<int> Words;           // data words, unsigned 16-bit
};
// `identifying`: the request was the identification step, where 0x77 and
// 0xE7 replies mean a model A controller.
MonitorVerdict CheckMonitorReply(const std::uint8_t *reply, int count, int station, bool rtu,
                                 bool identifying, bool overflowed = false);

// The request as bytes: RTU as sent, ASCII decoded (7 bytes).
std::vector<std::uint8_t> RequestBytes(const Frame &request, bool rtu);
// A frame as bytes: RTU as it came; ASCII the hex pairs between ':' and the
// closing CR LF decoded (nothing when it does not start with ':').
std::vector<std::uint8_t> FrameBytes(const std::uint8_t *frame, int count, bool rtu);
// A write is confirmed when the reply repeats the request over its whole length.
bool EchoMatch(const std::vector<std::uint8_t> &request, const std::vector<std::uint8_t> &reply);

// Setup scan: the collected reply text (ASCII line without CR LF, or two hex
// digits per RTU byte) names the probed station, function 03 and byte count
// 02. Nothing else is examined.
bool IsScanHit(const QString &text, int address, bool rtu);

} // namespace FrameCodec
