#include "Conversions.h"

namespace {

int HexDigit(char c)
{
    const int code = static_cast<signed char>(c);
    return code > '9' ? code - 55 : code - 48;
}

constexpr char HexDigits[] = "0123456789ABCDEF";

} // namespace

int HexPairToByte(char high, char low)
{
    return HexDigit(high) * 16 + HexDigit(low);
}

QString ByteToHex(int value)
{
    QString text(2, QLatin1Char('0'));
    text[0] = QLatin1Char(HexDigits[(value >> 4) & 15]);
    text[1] = QLatin1Char(HexDigits[value & 15]);
    return text;
}

QString FixedDigits(int value, int width)
{
    QString text;
    long long divisor = 1;
    for (int i = 1; i < width && divisor <= 1'000'000'000'000'000LL; ++i)
        divisor *= 10;
    long long rest = value;
    for (int i = 0; i < width; ++i) {
        text += QLatin1Char(static_cast<char>('0' + rest / divisor));
        rest %= divisor;
        divisor = divisor > 1 ? divisor / 10 : 1;
    }
    return text;
}

QString TenthsText(int tenths)
{
    const long long magnitude = tenths < 0 ? -static_cast<long long>(tenths) : tenths;
    return (tenths < 0 ? QStringLiteral("-") : QString()) + QString::number(magnitude / 10) + QLatin1Char('.')
        + QString::number(magnitude % 10);
}

QString SignedWordText(int value)
{
    if (value > 0x7FFF)
        return QLatin1Char('-') + QString::number((value ^ 0xFFFF) + 1);
    return QLatin1Char(' ') + QString::number(value);
}

int AsciiLrc(const char *text, int length)
{
    const int pairs = (length - 1) / 2;
    int sum = 0;
    for (int i = 1; i <= pairs; ++i)
        sum += HexPairToByte(text[2 * i - 1], text[2 * i]);
    return (0x10000 - sum) & 0xFF;
}

int Crc16(const std::uint8_t *bytes, int length)
{
    unsigned crc = 0xFFFF;
    for (int i = 0; i < length; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return static_cast<int>(crc & 0xFFFF);
}

void HexTextToBytes(char *text, int count)
{
    for (int i = 0; i < count; ++i)
        text[i] = static_cast<char>(HexPairToByte(text[2 * i + 1], text[2 * i + 2]) & 0xFF);
}

int ParseScaledDecimal(const char *text, int decimals)
{
    // Anything that would not fit in the result is refused: large enough
    // to hold every register value, small enough never to overflow an int.
    constexpr long long Limit = 1'000'000'000LL;
    const char *p = text;
    while (*p == ' ')
        ++p;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    long long value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p - '0');
        if (value > Limit)
            return InvalidNumber;
        ++p;
    }
    const char *fraction = nullptr;
    if (*p != '\0') {
        if (*p != '.')
            return InvalidNumber;
        fraction = p + 1;
        for (int i = 0; i < decimals && fraction[i] != '\0'; ++i) {
            if (fraction[i] < '0' || fraction[i] > '9')
                return InvalidNumber;
        }
    }
    bool ended = fraction == nullptr;
    for (int i = 0; i < decimals; ++i) {
        int digit = 0;
        if (!ended) {
            if (fraction[i] == '\0')
                ended = true;
            else
                digit = fraction[i] - '0';
        }
        value = value * 10 + digit;
        if (value > Limit)
            return InvalidNumber;
    }
    return static_cast<int>(negative ? -value : value);
}
