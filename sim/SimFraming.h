// Modbus ASCII and RTU framing as a slave sees it: a frame's bytes in and
// out, its checksum, and a readable account of a request or reply.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

using Pdu = std::vector<std::uint8_t>;  // station, function, data; no checksum

namespace SimFraming {

// ':' hex LRC CR LF, or the bytes with their CRC, low byte first.
QByteArray Encode(const Pdu &pdu, bool rtu);
// nullopt unless the frame is whole, in upper-case hex (ASCII), at least
// station, function and checksum long, and its checksum is right.
std::optional<Pdu> DecodeAscii(const QByteArray &frame);
std::optional<Pdu> DecodeRtu(const QByteArray &frame);
std::optional<Pdu> Decode(const QByteArray &frame, bool rtu);

// "01 03 47 00 00 02 D0 BF" or ":010347000002B3\r\n" shown as text.
QString Hex(const QByteArray &frame, bool rtu);
// "station 1 read 0x4700 x2", "station 2 write 0x4701 = 1000 (0x03E8)".
QString DescribeRequest(const Pdu &pdu);
// "data 0x00FA 0x03E8", "echo", "exception 2 (illegal address)".
QString DescribeReply(const Pdu &pdu);

} // namespace SimFraming
