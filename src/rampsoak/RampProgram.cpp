#include "RampProgram.h"

#include "Conversions.h"
#include "MessageTable.h"

#include <algorithm>
#include <cstdlib>

RampSoakProgram RampProgram;
RampImage RampProgramImage{};

namespace {

bool ValidStepIndex(int index)
{
    return index >= 0 && index < StepCount;
}

int SignedWord(const RampImage &image, int offset)
{
    const int word = image[static_cast<size_t>(offset)] * 256 + image[static_cast<size_t>(offset + 1)];
    return word > 0x7FFF ? word - 0x10000 : word;
}

void PutWord(RampImage &image, int offset, int value)
{
    image[static_cast<size_t>(offset)] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    image[static_cast<size_t>(offset + 1)] = static_cast<std::uint8_t>(value & 0xFF);
}

// Typed text to a scaled number; text that cannot have been meant as a
// number (a character the conversion would stop at) is invalid.
int ParseTyped(const QString &text, int decimals)
{
    if (text.contains(QChar(0)))
        return InvalidNumber;
    const QByteArray bytes = text.toLatin1();
    return ParseScaledDecimal(bytes.constData(), decimals);
}

} // namespace

int LastStep(const RampSoakProgram &program, int pattern)
{
    if (!ValidPattern(pattern))
        return 0;
    return std::clamp(program.StepMax[static_cast<size_t>(pattern)], 0, StepsPerPattern - 1);
}

int FollowLink(const RampSoakProgram &program, int pattern)
{
    if (!ValidPattern(pattern))
        return ProgEnd;
    const int link = program.LinkPattern[static_cast<size_t>(pattern)];
    return ValidPattern(link) ? link : ProgEnd;
}

void DecodeSteps(const RampImage &image, RampSoakProgram &program)
{
    for (int k = 0; k < StepCount; ++k) {
        program.SetValue[static_cast<size_t>(k)] = SignedWord(image, 4 * k);
        program.ExecuteTime[static_cast<size_t>(k)] = SignedWord(image, 4 * k + 2);
    }
}

void EncodeSteps(const RampSoakProgram &program, RampImage &image)
{
    for (int k = 0; k < StepCount; ++k) {
        PutWord(image, 4 * k, program.SetValue[static_cast<size_t>(k)]);
        PutWord(image, 4 * k + 2, program.ExecuteTime[static_cast<size_t>(k)]);
    }
}

QString SetValueText(int tenths)
{
    return TenthsText(tenths);
}

QString ExecuteTimeText(int minutes)
{
    // Times from a file or a controller may lie outside 0-900: they show
    // as they are, with as many hour digits as they need.
    const long long magnitude = std::llabs(static_cast<long long>(minutes));
    const int hours = static_cast<int>(magnitude / 60);
    const int hourDigits = std::max(2, static_cast<int>(QString::number(hours).size()));
    return (minutes < 0 ? QStringLiteral("-") : QString()) + FixedDigits(hours, hourDigits) + QLatin1Char(':') +
           FixedDigits(static_cast<int>(magnitude % 60), 2);
}

QString PatternName(int pattern)
{
    return MessageTable::PatternText + QString::number(pattern);
}

QString LinkText(int link)
{
    return link == ProgEnd ? MessageTable::ProgEndText : PatternName(link);
}

CellKind KindOfRow(int row)
{
    if (row == 1)
        return CellKind::StepMax;
    if (row == 18)
        return CellKind::LoopCount;
    if (row == 19)
        return CellKind::Link;
    if (row >= 2 && row <= 17)
        return row % 2 == 0 ? CellKind::SetValue : CellKind::ExecuteTime;
    return CellKind::None;
}

int StepOfRow(int row)
{
    if (row >= 2 && row <= 17)
        return (row - 2) / 2;
    return -1;
}

bool ApplyStepMax(RampSoakProgram &program, int pattern, int index)
{
    if (!ValidPattern(pattern) || index < 0 || index >= StepsPerPattern)
        return false;
    program.StepMax[static_cast<size_t>(pattern)] = index;
    return true;
}

bool ApplyLink(RampSoakProgram &program, int pattern, int index)
{
    if (!ValidPattern(pattern) || index < 0 || index > ProgEnd)
        return false;
    program.LinkPattern[static_cast<size_t>(pattern)] = index;
    return true;
}

bool ApplyLoopCount(RampSoakProgram &program, int pattern, const QString &text)
{
    if (!ValidPattern(pattern))
        return false;
    const int count = ParseTyped(text, 0);
    if (count < 0)
        return false;  // InvalidNumber is negative too
    program.LoopCount[static_cast<size_t>(pattern)] = std::min(count, MaxLoopCount);
    return true;
}

bool ApplySetValue(RampSoakProgram &program, int index, const QString &text)
{
    if (!ValidStepIndex(index))
        return false;
    const int value = ParseTyped(text, 1);
    // Above the register's range the value would arrive on the controller
    // as a different, negative one.
    if (value < MinSetValue || value > MaxSetValue)
        return false;
    program.SetValue[static_cast<size_t>(index)] = value;
    return true;
}

bool ApplyExecuteTime(RampSoakProgram &program, int index, int hour, int minute)
{
    constexpr int LastHour = MaxExecuteTime / 60;
    if (!ValidStepIndex(index) || hour < 0 || hour > LastHour || minute < 0 || minute > 59)
        return false;
    program.ExecuteTime[static_cast<size_t>(index)] = hour * 60 + (hour == LastHour ? 0 : minute);
    return true;
}
