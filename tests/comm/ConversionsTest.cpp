#include "Conversions.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(HexPairToByte, DigitsAndUncheckedCharacters)
{
    struct Case { char High, Low; int Expected; } cases[] = {
        {'0', 'A', 10}, {'F', 'F', 255}, {'G', '0', 256}, {'0', '0', 0}, {'9', '9', 153},
        {'a', 'f', 719},  // no validation: callers keep the low byte
    };
    for (const Case &c : cases)
        EXPECT_EQ(HexPairToByte(c.High, c.Low), c.Expected) << c.High << c.Low;
}

TEST(ByteToHex, LowEightBitsUpperCase)
{
    EXPECT_EQ(ByteToHex(0x1F5), "F5");
    EXPECT_EQ(ByteToHex(-1), "FF");
    EXPECT_EQ(ByteToHex(0), "00");
    EXPECT_EQ(ByteToHex(0xA), "0A");
}

TEST(FixedDigits, ExactWidth)
{
    struct Case { int Value, Width; const char *Expected; } cases[] = {
        {7, 2, "07"}, {123, 3, "123"}, {5, 1, "5"}, {0, 3, "000"}, {5, 0, ""}, {5, -2, ""}, {1, 2, "01"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FixedDigits(c.Value, c.Width), QString::fromLatin1(c.Expected)) << c.Value << "/" << c.Width;
}

TEST(SignedWordText, SignColumn)
{
    struct Case { int Value; const char *Expected; } cases[] = {
        {0, " 0"}, {100, " 100"}, {0x7FFF, " 32767"}, {0x8000, "-32768"}, {0xFFFF, "-1"}, {0xFF9C, "-100"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SignedWordText(c.Value), QString::fromLatin1(c.Expected)) << c.Value;
}

TEST(AsciiLrc, RequestAndReply)
{
    EXPECT_EQ(AsciiLrc(":010347000002", 13), 0xB3);
    EXPECT_EQ(AsciiLrc(":110347010001", 13), 0xA3);
    // A two-register read reply: the seven bytes before the LRC.
    EXPECT_EQ(AsciiLrc(":01030400FA0064", 15), (0x10000 - (1 + 3 + 4 + 0xFA + 0x64)) & 0xFF);
    EXPECT_EQ(AsciiLrc(":", 1), 0);
}

TEST(Crc16, PublishedCheckValueAndRequest)
{
    const auto digits = reinterpret_cast<const std::uint8_t *>("123456789");
    EXPECT_EQ(Crc16(digits, 9), 0x4B37);
    const std::uint8_t request[] = {0x01, 0x03, 0x47, 0x00, 0x00, 0x02};
    const int crc = Crc16(request, 6);
    EXPECT_EQ(crc & 0xFF, 0xD0);
    EXPECT_EQ(crc >> 8, 0xBF);
    EXPECT_EQ(Crc16(request, 0), 0xFFFF);
}

TEST(HexTextToBytes, InPlaceReadingAhead)
{
    char text[] = ":0103047A";
    HexTextToBytes(text, 3);
    EXPECT_EQ(static_cast<unsigned char>(text[0]), 0x01);
    EXPECT_EQ(static_cast<unsigned char>(text[1]), 0x03);
    EXPECT_EQ(static_cast<unsigned char>(text[2]), 0x04);
    // Characters after the 2n + 1 consumed ones are left as they were.
    EXPECT_EQ(std::strncmp(text + 7, "7A", 2), 0);
}

TEST(ParseScaledDecimal, Table)
{
    struct Case { const char *Text; int Decimals; int Expected; } cases[] = {
        {"12.3", 1, 123}, {"12", 1, 120}, {"12.", 1, 120}, {" -4.5", 1, -45}, {"12.34", 1, 123},
        {"12.a", 1, InvalidNumber}, {"1.5", 2, 150}, {"1", 2, 100}, {"0.07", 2, 7},
        {"1.5x", 2, InvalidNumber}, {"12.7", 0, 12}, {"12x", 0, InvalidNumber}, {"12 ", 0, InvalidNumber},
        {"", 0, 0}, {"-", 0, 0}, {"+5", 0, InvalidNumber}, {"   7", 0, 7}, {"-0.5", 1, -5},
        {"1.2", 2, 120},
        // Never overflows: too large for the result is refused.
        {"99999999999999999999", 0, InvalidNumber}, {"2147483647", 0, InvalidNumber},
        {"-99999999999", 1, InvalidNumber}, {"1000000000", 1, InvalidNumber},
        {"32767", 0, 32767}, {"-3276.8", 1, -32768},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ParseScaledDecimal(c.Text, c.Decimals), c.Expected) << '"' << c.Text << "\" /" << c.Decimals;
}

TEST(ParseScaledDecimal, LeavesTextUnchanged)
{
    const char text[] = " 12.5";
    char copy[sizeof text];
    std::memcpy(copy, text, sizeof text);
    ParseScaledDecimal(copy, 1);
    EXPECT_STREQ(copy, text);
}

} // namespace
