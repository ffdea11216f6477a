// What each status step (1-8) stores from its reply into the polled slot,
// by model, and what the display must do about it.
#pragma once

#include "MonitorSlot.h"

#include <array>
#include <optional>
#include <vector>

struct StatusEffects {
    bool PvShown = false;       // steps 3 and 5: the process and set value
    bool OutputsShown = false;  // the output levels (not for model C below level 4)
    bool LedChanged = false;
    bool ProgramShown = false;  // step 8
    std::array<int, 5> ProgramWords{};
    bool Diagnostics = false;   // step 6 of the selected slot: voltage and cold junction
    bool SecurityRead = false;  // model C's level and keys were read (steps 1 and 7)
    bool RefreshRequested = false;
    std::optional<bool> UploadMenu;
    std::optional<bool> RampSoakMenu;
};

// `words` holds at least as many words as the step asked for.
StatusEffects DecodeStatus(int step, MonitorSlot &slot, bool selected, const std::vector<int> &words);

// Model A input types that carry a tenth of a degree.
bool TenthsInputType(int type);
