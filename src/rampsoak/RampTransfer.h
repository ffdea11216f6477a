// The seam between the ramp/soak editor and the request engine that carries
// its block transfers on the selected controller's link.
#pragma once

#include <array>
#include <cstdint>

// The editor has no serial link of its own: the monitor's request engine carries its transfers.
class RampTransferClient {
public:
    virtual ~RampTransferClient() = default;
    // A read is running: pairs received so far from the parameter-block stream (0x474C, 0-256)
    // and from the ramp-block stream (0x474D, 0-256).
    virtual void RampReadProgress(int parameterPairs, int rampPairs) = 0;
    // The read is complete: the controller's 256-byte parameter block and its RampImage
    // (bytes 0-255 the step block, 256-259 the identification trailer the engine appended).
    virtual void RampReadDone(const std::array<std::uint8_t, 256> &parameterBlock,
                              const std::array<std::uint8_t, 260> &rampImage) = 0;
    // The 16-bit value to write at write index i (0-152, register 0x4767 + i), taken from the
    // program set at the moment the engine asks.
    virtual int RampWriteValue(int index) = 0;
    // `written` writes (1-153) have been echoed; at 153 the write is complete.
    virtual void RampWriteProgress(int written) = 0;
    // The transfer could not finish (slot dropped, selection changed, monitor closed, abandoned
    // after repeated faults): nothing more will come for it.
    virtual void RampTransferFailed() = 0;
};

class RampTransferHost {
public:
    virtual ~RampTransferHost() = default;
    // Start a read (256 reads of 0x474C, then 256 of 0x474D) or a write (153 ordered writes)
    // on the monitor's selected controller. false when there is none to talk to; nothing started.
    virtual bool StartRampRead(RampTransferClient &client) = 0;
    virtual bool StartRampWrite(RampTransferClient &client) = 0;
};
