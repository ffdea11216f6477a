#include "SimFraming.h"

#include "Conversions.h"

#include <QStringList>

namespace SimFraming {

namespace {

int UpperHexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QString Word(int value)
{
    return QLatin1String("0x") + QStringLiteral("%1").arg(value & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper();
}

QString ExceptionText(int code)
{
    switch (code) {
    case 1: return QStringLiteral("illegal function");
    case 2: return QStringLiteral("illegal address");
    case 3: return QStringLiteral("illegal data");
    case 4: return QStringLiteral("illegal command");
    case 11: return QStringLiteral("illegal frame");
    case 12: return QStringLiteral("too few data");
    case 13: return QStringLiteral("too many data");
    case 14: return QStringLiteral("illegal ASCII");
    default: return QStringLiteral("unknown");
    }
}

QString Station(int station)
{
    return station == 0 ? QStringLiteral("broadcast") : QStringLiteral("station %1").arg(station);
}

} // namespace

QByteArray Encode(const Pdu &pdu, bool rtu)
{
    QByteArray frame;
    if (rtu) {
        frame = QByteArray(reinterpret_cast<const char *>(pdu.data()), static_cast<qsizetype>(pdu.size()));
        const int crc = Crc16(pdu.data(), static_cast<int>(pdu.size()));
        frame.append(static_cast<char>(crc & 0xFF));
        frame.append(static_cast<char>(crc >> 8));
        return frame;
    }
    int sum = 0;
    frame.append(':');
    for (std::uint8_t b : pdu) {
        frame += ByteToHex(b).toLatin1();
        sum += b;
    }
    frame += ByteToHex((0x100 - (sum & 0xFF)) & 0xFF).toLatin1();
    frame += "\r\n";
    return frame;
}

std::optional<Pdu> DecodeAscii(const QByteArray &frame)
{
    const qsizetype n = frame.size();
    // ':' + at least station, function and LRC + CR LF, in whole pairs.
    if (n < 9 || frame.at(0) != ':' || frame.at(n - 2) != '\r' || frame.at(n - 1) != '\n' || (n - 3) % 2 != 0)
        return std::nullopt;
    Pdu bytes;
    int sum = 0;
    for (qsizetype i = 1; i + 1 < n - 2; i += 2) {
        const int high = UpperHexDigit(frame.at(i));
        const int low = UpperHexDigit(frame.at(i + 1));
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        sum += high * 16 + low;
    }
    if ((sum & 0xFF) != 0)
        return std::nullopt;
    bytes.pop_back();  // the LRC
    return bytes;
}

std::optional<Pdu> DecodeRtu(const QByteArray &frame)
{
    const qsizetype n = frame.size();
    if (n < 4)
        return std::nullopt;
    Pdu bytes(reinterpret_cast<const std::uint8_t *>(frame.constData()),
              reinterpret_cast<const std::uint8_t *>(frame.constData()) + n);
    const int crc = Crc16(bytes.data(), static_cast<int>(n - 2));
    if (crc != bytes[static_cast<size_t>(n - 2)] + 256 * bytes[static_cast<size_t>(n - 1)])
        return std::nullopt;
    bytes.resize(static_cast<size_t>(n - 2));
    return bytes;
}

std::optional<Pdu> Decode(const QByteArray &frame, bool rtu)
{
    return rtu ? DecodeRtu(frame) : DecodeAscii(frame);
}

QString Hex(const QByteArray &frame, bool rtu)
{
    if (!rtu) {
        QString text;
        for (char c : frame) {
            if (c == '\r')
                text += QLatin1String("\\r");
            else if (c == '\n')
                text += QLatin1String("\\n");
            else if (c >= 0x20 && c < 0x7F)
                text += QLatin1Char(c);
            else
                text += QStringLiteral("\\x%1").arg(static_cast<std::uint8_t>(c), 2, 16, QLatin1Char('0'));
        }
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    QStringList bytes;
    for (char c : frame)
        bytes << ByteToHex(static_cast<std::uint8_t>(c));
    return bytes.join(QLatin1Char(' '));
}

QString DescribeRequest(const Pdu &pdu)
{
    if (pdu.size() < 2)
        return QStringLiteral("short frame");
    const QString who = Station(pdu[0]);
    const int function = pdu[1];
    if (pdu.size() != 6)
        return QStringLiteral("%1 function 0x%2 with %3 data bytes")
            .arg(who, ByteToHex(function))
            .arg(pdu.size() - 2);
    const int reg = pdu[2] * 256 + pdu[3];
    const int value = pdu[4] * 256 + pdu[5];
    switch (function) {
    case 0x03: return QStringLiteral("%1 read %2 x%3").arg(who, Word(reg)).arg(value);
    case 0x06:
        return QStringLiteral("%1 write %2 = %3 (%4)").arg(who, Word(reg)).arg(static_cast<std::int16_t>(value)).arg(Word(value));
    case 0x67: return QStringLiteral("%1 identify %2 x%3").arg(who, Word(reg)).arg(value);
    default: return QStringLiteral("%1 function 0x%2").arg(who, ByteToHex(function));
    }
}

QString DescribeReply(const Pdu &pdu)
{
    if (pdu.size() < 3)
        return QStringLiteral("short reply");
    const int function = pdu[1];
    if (function & 0x80)
        return QStringLiteral("exception %1 (%2) to function 0x%3")
            .arg(pdu[2])
            .arg(ExceptionText(pdu[2]), ByteToHex(function & 0x7F));
    if (function == 0x06)
        return QStringLiteral("echo");
    QStringList words;
    for (size_t i = 3; i + 1 < pdu.size(); i += 2)
        words << Word(pdu[i] * 256 + pdu[i + 1]);
    return QStringLiteral("data ") + words.join(QLatin1Char(' '));
}

} // namespace SimFraming
