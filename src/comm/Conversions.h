// Small pure conversions shared by every window: hex digits, checksums,
// register values to text and typed text to scaled integers. Their edge
// behaviour is relied on (frames are compared character by character).
#pragma once

#include <QString>

#include <cstdint>

inline constexpr int InvalidNumber = -32761;

// No validation: only '0'-'9' and 'A'-'F' give 0-15 per digit.
int HexPairToByte(char high, char low);
// Two upper-case hex digits of the low 8 bits.
QString ByteToHex(int value);
// Exactly width decimal digits; empty for width <= 0.
QString FixedDigits(int value, int width);
// A blank or '-' sign column, then the digits of the 16-bit two's-complement value.
QString SignedWordText(int value);
// Two's complement of the byte sum of the hex pairs after position 0.
int AsciiLrc(const char *text, int length);
// Modbus CRC-16; frames carry its low byte first.
int Crc16(const std::uint8_t *bytes, int length);
// In place: character i := byte of the pair at 2i+1, 2i+2. The caller
// guarantees 2n+1 readable characters.
void HexTextToBytes(char *text, int count);
// A value in tenths as text with one decimal: 25.3, -0.5, 0.0.
QString TenthsText(int tenths);
// Typed decimal text to an integer scaled by 10^decimals, or InvalidNumber.
int ParseScaledDecimal(const char *text, int decimals);
