#include "RampTransferRules.h"

#include <algorithm>

int RampWriteRegister(int index)
{
    return RampFirstRegister + index;
}

int RampWriteWord(const RampSoakProgram &program, int index)
{
    int value = 0;
    if (index == 0) {
        value = program.StartPattern;
    } else if (index >= 1 && index <= 8) {
        value = program.StepMax[static_cast<size_t>(index - 1)];
    } else if (index >= 9 && index <= 16) {
        value = program.LoopCount[static_cast<size_t>(index - 9)];
    } else if (index >= 17 && index <= 24) {
        value = program.LinkPattern[static_cast<size_t>(index - 17)];
    } else if (index >= 25 && index < RampWriteCount) {
        const auto k = static_cast<size_t>((index - 25) / 2);
        value = (index - 25) % 2 == 0 ? program.SetValue[k] : program.ExecuteTime[k];
    }
    return value & 0xFFFF;
}

int ReadProgressPerMille(int parameterPairs, int rampPairs)
{
    const int ramp = std::clamp(rampPairs, 0, RampStreamPairs);
    if (ramp >= RampStreamPairs)
        return 1000;
    const int pairs = ramp > 0 ? ramp + RampStreamPairs : std::clamp(parameterPairs, 0, RampStreamPairs);
    return pairs * 1000 / (2 * RampStreamPairs);
}

int WriteProgressPerMille(int written)
{
    return std::clamp(written, 0, RampWriteCount) * 1000 / RampWriteCount;
}

void ApplyParameterBytes(const std::array<std::uint8_t, 256> &parameterBlock, RampSoakProgram &program)
{
    program.StartPattern = parameterBlock[PatternBytesStart];
    for (size_t p = 0; p < PatternCount; ++p) {
        program.StepMax[p] = parameterBlock[PatternBytesStart + 1 + p];
        program.LoopCount[p] = parameterBlock[PatternBytesStart + 9 + p];
        program.LinkPattern[p] = parameterBlock[PatternBytesStart + 17 + p];
    }
}
