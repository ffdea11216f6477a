// What the editor's transfers mean in registers and bytes: the write map of
// the program registers 0x4767-0x47FF, the progress shown while a transfer
// runs, and the pattern bytes at the end of the parameter block.
#pragma once

#include "RampProgram.h"

#include <array>
#include <cstdint>

inline constexpr int RampFirstRegister = 0x4767;
inline constexpr int RampWriteCount = 153;
inline constexpr int RampStreamPairs = 256;
inline constexpr int PatternBytesStart = 231;  // start pattern, then step max, loops, links

// Register of write index i (0-152).
int RampWriteRegister(int index);
// The 16-bit word written at index i, from the program set as it is now
// (negative set values as two's complement); 0 outside 0-152.
int RampWriteWord(const RampSoakProgram &program, int index);

// Per mille shown during a read: the parameter block is the first half,
// the ramp block the second; 1000 once all 512 pairs are in.
int ReadProgressPerMille(int parameterPairs, int rampPairs);
// Per mille after `written` echoed writes.
int WriteProgressPerMille(int written);

// Parameter bytes 231-255 into StartPattern, StepMax, LoopCount and
// LinkPattern, as the controller holds them (unchecked).
void ApplyParameterBytes(const std::array<std::uint8_t, 256> &parameterBlock, RampSoakProgram &program);
