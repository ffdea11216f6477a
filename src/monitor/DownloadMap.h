// What a parameter download writes: for each model the fixed order of
// register writes that puts a parameter buffer back into a controller, with
// the values taken from the buffer, the steps that are only performed under
// a condition and the block writes that need the unlock first. The engine
// sequences the writes (unlock, echo, deadline, broadcast); this says what
// each step sends.
#pragma once

#include "ParameterImage.h"

#include <optional>
#include <span>

// The write that opens protected registers for the one write after it.
inline constexpr int UnlockWriteCode = 0x6B2E;
// 0x471B on model A, 0x472A on models B and C.
int UnlockRegisterFor(int modelLetter);
// The register that streams the parameter block: a read gives the next
// (offset, value) pair, a write of offset x 256 + value stores one byte.
// 0x472F on model A, 0x474C on models B and C.
int BlockRegisterFor(int modelLetter);

// How a step's value comes from the buffer (byte n, word n = byte n x 256 +
// byte n+1, with n the step's offset).
enum class StepValue {
    Byte,
    Word,
    FlagsA,         // (byte 10 AND 0x0F) OR 1: writing stays on until the last step
    FlagsBC,        // (byte 12 AND 0x7F) OR 1
    ComWriteBit,    // 1 when bit 0 of byte n is set, else 0
    RangeHighB,     // word 20; at most 9999 when bit 4 of byte 12 is set
    RangeLowB,      // word 22; at least -999 when bit 4 of byte 12 is set
    DecimalPointB,  // byte 52 for inputs 13 and up (byte 14), else bit 4 of byte 12
    BlockByte,      // n x 256 + byte n, through the block register
};

enum class StepCondition {
    Always,
    Never,          // model B steps 31-37
    FirmwareLock,   // model A lock status: a 3.xx buffer into firmware 0x320 or later
    ManualControl,  // model C manual outputs: only when byte 15 (control method) is 2
};

struct DownloadStep {
    int Register = 0;
    StepValue Value = StepValue::Byte;
    int Offset = 0;
    StepCondition When = StepCondition::Always;
    bool UnlockFirst = false;
};

// The model's table (21 steps for 'A', 99 for 'B', 27 for 'C'); empty for
// any other model letter.
std::span<const DownloadStep> DownloadTable(int modelLetter);
int DownloadStepCount(int modelLetter);

// One write of a download.
struct DownloadWrite {
    int Step = 0;      // the step this write performs
    int Register = 0;
    int Value = 0;     // 16 bits
    bool UnlockFirst = false;
    int NextStep = 0;  // the step after it that is performed; the step count when this is the last
};

// The write for `step` of a download with the map of `modelLetter` (the
// selected controller's model), or, when that step is skipped, of the first
// performed step after it. Nothing when no step is left: the download is
// complete. `firmware` is the selected controller's firmware word.
std::optional<DownloadWrite> PrepareDownload(int modelLetter, int step, const ParameterImage &image, int firmware);

// The value a step sends for this buffer.
int StepWriteValue(const DownloadStep &step, const ParameterImage &image);
bool StepPerformed(const DownloadStep &step, const ParameterImage &image, int firmware);
