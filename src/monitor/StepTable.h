// Which request each poll step sends, by model. Steps 0-8 poll the status of
// every connected slot, 10-14 read the selected controller's parameter page,
// 20-21 its calibration values.
#pragma once

#include <cstdint>

struct PollRequest {
    int Function = 0x03;
    int Register = 0x4700;
    int Count = 2;
    bool Sent = true;  // false: the step sends nothing for this model
};

inline constexpr int FunctionIdentify = 0x67;
inline constexpr int IdentifyRegister = 0x0012;

// `model` is the polled slot's for steps 0-8 and the selected slot's for the
// others; `securityLevel` matters for model C only. Steps without an entry,
// and models that were not recognised, read the process and set value.
PollRequest StepRequest(int step, std::uint8_t model, int securityLevel);
