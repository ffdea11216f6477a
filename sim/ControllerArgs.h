// The simulator program's descriptions of controllers and faults, as typed
// on its command line: "address=2,model=B,baud=19200,data=8,parity=odd,format=rtu".
#pragma once

#include "ControllerConfig.h"
#include "Faults.h"

#include <array>
#include <optional>

class SimController;

struct ControllerSetup {
    ControllerConfig Config;
    std::optional<int> SetValue;  // tenths
    std::optional<int> Level;     // model C
    std::optional<int> Keys;      // model C, bits 0-2
    std::array<std::optional<int>, 3> Passwords;  // model C
};

struct FaultSetup {
    int Address = 0;
    FaultRule Rule;
    std::optional<int> ExceptionCode;
    std::optional<int> ForeignAddress;
    std::optional<int> SplitBytes;
    std::optional<int> GapMs;
    std::optional<int> DelayMs;
};

// nullopt with `error` naming the bad field and why.
std::optional<ControllerSetup> ParseControllerArgument(const QString &text, QString &error);
std::optional<FaultSetup> ParseFaultArgument(const QString &text, QString &error);

void ApplySetup(SimController &controller, const ControllerSetup &setup);
void ApplyFault(SimController &controller, const FaultSetup &setup);
