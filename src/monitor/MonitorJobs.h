// The block transfers the monitor's engine serves before its poll steps.
// One runs at a time, and the engine holds it as one value: each kind keeps
// its own progress and the controller it was started for, fixed at its
// start, so that nothing of it can reach another controller.
#pragma once

#include "DownloadMap.h"
#include "ParameterImage.h"
#include "RampTransfer.h"

#include <array>
#include <cstdint>
#include <optional>
#include <variant>

// The controller a job talks to, as it was when the job started.
struct JobTarget {
    int Slot = 0;
    int Station = 0;  // 0 for a broadcast
    std::uint8_t Model = 0;
    int Firmware = 0;
};

// The parameter block read into the buffer ("UPLOAD").
struct UploadJob {
    JobTarget Target;
    int BlockRegister = 0;
    bool UnlockFirst = false;  // model A opens its block with the unlock write
    bool Unlocked = false;
    ParameterUpload Block;
};

// The buffer written into the selected controller, or into every
// controller at once with a broadcast ("WRITE TO ...").
struct DownloadJob {
    JobTarget Target;
    bool Broadcast = false;
    int Step = 0;
    std::optional<DownloadWrite> Prepared;  // the write of the step on hand
    bool Unlocked = false;
    int Written = 0;  // writes confirmed
};

// The ramp/soak editor's read: the parameter block, then the step block.
struct RampReadJob {
    JobTarget Target;
    RampTransferClient *Client = nullptr;
    int BlockRegister = 0;
    ParameterUpload Parameters;
    ParameterUpload Steps;
    bool ReadingSteps = false;
    std::array<std::uint8_t, ParameterBlockSize> ParameterBytes{};
};

// The ramp/soak editor's write: 153 ordered register writes.
struct RampWriteJob {
    JobTarget Target;
    RampTransferClient *Client = nullptr;
    int Index = 0;
};

// A model C level or key change: its password is asked for (no value yet),
// then written; the controller's answer ends it either way.
struct PasswordJob {
    JobTarget Target;
    int Register = 0;
    std::optional<int> Value;
};

using MonitorJob = std::variant<std::monostate, UploadJob, DownloadJob, RampReadJob, RampWriteJob, PasswordJob>;
