#include "DownloadMap.h"

#include <array>

namespace {

using V = StepValue;
using C = StepCondition;

constexpr std::array<DownloadStep, 21> ModelASteps{{
    {0x470F, V::FlagsA, 10},
    {0x4710, V::Byte, 12},  // input type
    {0x4711, V::Byte, 13},  // control method
    {0x4712, V::Byte, 28},  // control period 1
    {0x4713, V::Byte, 30},  // PD offset
    {0x470E, V::Byte, 29},  // I offset
    {0x4715, V::Byte, 14},  // alarm 1 mode
    {0x4716, V::Byte, 15},  // alarm 2 mode
    {0x4701, V::Word, 0},   // set value
    {0x4702, V::Word, 2},   // up/down limits 1 and 2
    {0x4703, V::Word, 4},
    {0x4704, V::Word, 6},
    {0x4705, V::Word, 8},
    {0x4706, V::Word, 16},  // range high, low
    {0x4707, V::Word, 18},
    {0x4708, V::Word, 20},  // Pb, Ti, Td, hysteresis
    {0x4709, V::Word, 22},
    {0x470A, V::Word, 24},
    {0x470B, V::Word, 26},
    {0x4731, V::Byte, 11, C::FirmwareLock},  // lock status
    {0x471A, V::ComWriteBit, 10},            // communication write
}};

constexpr std::array<DownloadStep, 27> ModelCSteps{{
    {0x4717, V::FlagsBC, 12},
    {0x4718, V::Byte, 14},  // input type
    {0x4719, V::Byte, 15},  // control method
    {0x471A, V::Byte, 54},  // output 1 function
    {0x471B, V::Byte, 48},  // control periods 1 and 2
    {0x471C, V::Byte, 49},
    {0x471F, V::Byte, 55},  // output 2 function
    {0x4720, V::Byte, 16},  // alarm 1 and 2 modes
    {0x4721, V::Byte, 17},
    {0x4701, V::Word, 24},  // set value
    {0x4704, V::Word, 20},  // range high, low
    {0x4705, V::Word, 22},
    {0x4706, V::Word, 0},   // limits
    {0x4707, V::Word, 2},
    {0x4708, V::Word, 4},
    {0x4709, V::Word, 6},
    {0x470C, V::Word, 26},  // Pb
    {0x470D, V::Word, 28},  // Ti
    {0x470E, V::Word, 30},  // Td
    {0x470F, V::Word, 32},  // I offset
    {0x4710, V::Word, 34},  // PD offset
    {0x4711, V::Word, 40},  // coefficient
    {0x4712, V::Word, 42},  // dead band
    {0x4713, V::Word, 36},  // hysteresis 1, 2
    {0x4714, V::Word, 38},
    {0x4702, V::Word, 100, C::ManualControl},  // manual output levels
    {0x4703, V::Word, 102, C::ManualControl},
}};

constexpr std::array<DownloadStep, 99> MakeModelBSteps()
{
    std::array<DownloadStep, 99> steps{{
        {0x4717, V::FlagsBC, 12},
        {0x4718, V::Byte, 14},  // input type
        {0x4719, V::Byte, 15},  // control method
        {0x471A, V::Byte, 19},  // heat/cool
        {0x471B, V::Byte, 48},  // control periods 1 and 2
        {0x471C, V::Byte, 49},
        {0x471D, V::Byte, 50},  // PV offset
        {0x471E, V::Byte, 13},  // lock
        {0x471F, V::Byte, 51},  // system alarm
        {0x4720, V::Byte, 16},  // alarm modes 1-3
        {0x4721, V::Byte, 17},
        {0x4722, V::Byte, 18},
        {0x4701, V::Word, 24},  // set value
        {0x4704, V::RangeHighB, 20},
        {0x4705, V::RangeLowB, 22},
        {0x4706, V::Word, 0},  // limits 1-3
        {0x4707, V::Word, 2},
        {0x4708, V::Word, 4},
        {0x4709, V::Word, 6},
        {0x470A, V::Word, 8},
        {0x470B, V::Word, 10},
        {0x470C, V::Word, 26},  // Pb
        {0x470D, V::Word, 28},  // Ti
        {0x470E, V::Word, 30},  // Td
        {0x470F, V::Word, 32},  // I offset
        {0x4710, V::Word, 34},  // PD offset
        {0x4711, V::Word, 40},  // coefficient
        {0x4712, V::Word, 42},  // dead band
        {0x4713, V::Word, 36},  // hysteresis 1, 2
        {0x4714, V::Word, 38},
        {0x1017, V::DecimalPointB, 52},
    }};
    for (int step = 31; step <= 37; ++step)
        steps[static_cast<size_t>(step)] = {0, V::Byte, 0, C::Never};
    // The settings no register shows go byte by byte through the block
    // register: offsets 124-143, then 180-219.
    for (int step = 38; step <= 57; ++step)
        steps[static_cast<size_t>(step)] = {0x474C, V::BlockByte, step + 86, C::Always, true};
    for (int step = 58; step <= 97; ++step)
        steps[static_cast<size_t>(step)] = {0x474C, V::BlockByte, step + 122, C::Always, true};
    steps[98] = {0x4726, V::ComWriteBit, 12};  // communication write
    return steps;
}

constexpr std::array<DownloadStep, 99> ModelBSteps = MakeModelBSteps();

int Signed16(int word)
{
    return word >= 0x8000 ? word - 0x10000 : word;
}

bool DecimalPointShown(const ParameterImage &image)
{
    return (image.Byte(12) & 0x10) != 0;
}

} // namespace

int UnlockRegisterFor(int modelLetter)
{
    return modelLetter == 'A' ? 0x471B : 0x472A;
}

int BlockRegisterFor(int modelLetter)
{
    return modelLetter == 'A' ? 0x472F : 0x474C;
}

std::span<const DownloadStep> DownloadTable(int modelLetter)
{
    switch (modelLetter) {
    case 'A': return ModelASteps;
    case 'B': return ModelBSteps;
    case 'C': return ModelCSteps;
    default: return {};
    }
}

int DownloadStepCount(int modelLetter)
{
    return static_cast<int>(DownloadTable(modelLetter).size());
}

int StepWriteValue(const DownloadStep &step, const ParameterImage &image)
{
    const int n = step.Offset;
    int value = 0;
    switch (step.Value) {
    case V::Byte: value = image.Byte(n); break;
    case V::Word: value = image.Word(n); break;
    case V::FlagsA: value = (image.Byte(n) & 0x0F) | 1; break;
    case V::FlagsBC: value = (image.Byte(n) & 0x7F) | 1; break;
    case V::ComWriteBit: value = image.Byte(n) & 1; break;
    case V::RangeHighB:
        // The range words are signed: a negative range high is no reason to
        // send 9999, and a positive range low none to send -999.
        value = image.Word(n);
        if (DecimalPointShown(image) && Signed16(value) > 9999)
            value = 9999;
        break;
    case V::RangeLowB:
        value = image.Word(n);
        if (DecimalPointShown(image) && Signed16(value) < -999)
            value = -999;
        break;
    case V::DecimalPointB:
        if (image.Byte(14) >= 13)
            value = image.Byte(n);
        else
            value = DecimalPointShown(image) ? 1 : 0;
        break;
    case V::BlockByte: value = n * 256 + image.Byte(n); break;
    }
    return value & 0xFFFF;
}

bool StepPerformed(const DownloadStep &step, const ParameterImage &image, int firmware)
{
    switch (step.When) {
    case C::Always: return true;
    case C::Never: return false;
    case C::FirmwareLock: return image.FirmwareHigh() == 3 && firmware >= 0x320;
    case C::ManualControl: return image.Byte(15) == 2;
    }
    return false;
}

std::optional<DownloadWrite> PrepareDownload(int modelLetter, int step, const ParameterImage &image, int firmware)
{
    const std::span<const DownloadStep> table = DownloadTable(modelLetter);
    const int count = static_cast<int>(table.size());
    const auto performed = [&](int s) { return StepPerformed(table[static_cast<size_t>(s)], image, firmware); };
    int s = step < 0 ? 0 : step;
    while (s < count && !performed(s))
        ++s;
    if (s >= count)
        return std::nullopt;
    int next = s + 1;
    while (next < count && !performed(next))
        ++next;
    const DownloadStep &entry = table[static_cast<size_t>(s)];
    return DownloadWrite{s, entry.Register, StepWriteValue(entry, image), entry.UnlockFirst, next};
}
