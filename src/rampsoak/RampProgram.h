// The ramp/soak program set the editor holds: eight patterns of up to eight
// steps, each step a set value reached over a time, each pattern repeated
// and linked to the next. Values come from the operator, from a file or from
// a controller; the last two are not checked, so everything that indexes by
// them goes through the guards below.
#pragma once

#include <QString>

#include <array>
#include <cstdint>

inline constexpr int PatternCount = 8;
inline constexpr int StepsPerPattern = 8;
inline constexpr int StepCount = PatternCount * StepsPerPattern;
inline constexpr int ProgEnd = 8;  // the link that ends the program
inline constexpr int StepBlockSize = 4 * StepCount;  // 256 bytes
inline constexpr int RampImageSize = StepBlockSize + 4;

// Operator limits of the editor.
inline constexpr int MaxLoopCount = 99;
inline constexpr int MaxExecuteTime = 900;     // 15 h 00 min
inline constexpr int MinSetValue = -10000;     // -1000.0
inline constexpr int MaxSetValue = 32767;      // what the 16-bit register holds

// The step block as it comes from the controller or a file (64 records of
// set value then execute time, high byte first), followed by the
// identification trailer that a read from a controller carries.
using RampImage = std::array<std::uint8_t, RampImageSize>;

struct RampSoakProgram {
    int StartPattern = 0;
    std::array<int, PatternCount> StepMax{};
    std::array<int, PatternCount> LoopCount{};
    std::array<int, PatternCount> LinkPattern{};
    std::array<int, StepCount> SetValue{};     // tenths, index 8 x pattern + step
    std::array<int, StepCount> ExecuteTime{};  // minutes

    bool operator==(const RampSoakProgram &) const = default;
};

// The program set of this process, and the image it was last loaded from.
extern RampSoakProgram RampProgram;
extern RampImage RampProgramImage;

inline int StepIndex(int pattern, int step)
{
    return StepsPerPattern * pattern + step;
}

// Guards for values that may come unchecked from a file or a controller.
inline bool ValidPattern(int pattern)
{
    return pattern >= 0 && pattern < PatternCount;
}
// The last step that runs: a step count beyond the pattern stops at its
// last step, as the controller does.
int LastStep(const RampSoakProgram &program, int pattern);
// A link outside the eight patterns ends the program.
int FollowLink(const RampSoakProgram &program, int pattern);

// Step block (image bytes 0-255) to SetValue / ExecuteTime, both words
// signed; and back, negative values as two's complement.
void DecodeSteps(const RampImage &image, RampSoakProgram &program);
void EncodeSteps(const RampSoakProgram &program, RampImage &image);

// Cell texts.
QString SetValueText(int tenths);       // 25.3, -0.5
QString ExecuteTimeText(int minutes);   // 01:30
QString LinkText(int link);             // "Pattern 3", "Prog End"
QString PatternName(int pattern);       // "Pattern 3"

// The kinds of table rows, each with its own editor. Rows count as the
// table shows them: row 0 is the heading, 1 the step count, 2 + 2s and
// 3 + 2s set value and time of step s, 18 the loop count, 19 the link.
enum class CellKind { None, StepMax, SetValue, ExecuteTime, LoopCount, Link };
inline constexpr int TableRows = 20;
inline constexpr int TableColumns = 9;
CellKind KindOfRow(int row);
// The step a set-value or time row belongs to (0-7), or -1.
int StepOfRow(int row);

// Apply rules of the editors. Each returns whether the program set took the
// value; refused input leaves it alone. `index` of a step is 8 x pattern + step.
// A list index outside 0-7 (nothing chosen) applies nothing.
bool ApplyStepMax(RampSoakProgram &program, int pattern, int index);
// 0-8, 8 being "Prog End".
bool ApplyLink(RampSoakProgram &program, int pattern, int index);
// Whole numbers; 100 and more become 99; unparsable or negative text keeps
// the stored count.
bool ApplyLoopCount(RampSoakProgram &program, int pattern, const QString &text);
// One decimal; text that does not parse, or a value the controller's signed
// register cannot hold or below -1000.0, is refused.
bool ApplySetValue(RampSoakProgram &program, int index, const QString &text);
// Hour index 0-15 and minute 0-59; hour 15 takes no minutes. An empty hour
// or minute (-1) applies nothing.
bool ApplyExecuteTime(RampSoakProgram &program, int index, int hour, int minute);
