// The monitor's four device slots: what the engine knows of each connected
// controller. Plain data, written by the engine and its status decoding.
#pragma once

#include <QString>

#include <array>
#include <cstdint>

// SlotModel values: the model letter, or ModelOther when the identification
// reply had another form. A slot not yet identified holds ModelNone.
inline constexpr std::uint8_t ModelNone = 0;
inline constexpr std::uint8_t ModelA = 'A';
inline constexpr std::uint8_t ModelB = 'B';
inline constexpr std::uint8_t ModelC = 'C';
inline constexpr std::uint8_t ModelOther = 0xFF;

inline constexpr int SlotCount = 4;
inline constexpr int NoSlot = 255;
inline constexpr int LedUnknown = 255;  // the LED byte before it was shown
inline constexpr int ComWriteUnknown = 255;

// The colour of a slot's link LED.
enum class LinkLed { Gray, Green, Red, Yellow, Blue };

struct MonitorSlot {
    int SlotAddress = 1;
    bool SlotConnected = false;
    bool IdentifyPending = false;
    std::uint8_t SlotModel = ModelNone;
    int DecimalsCode = 1;
    int SecurityLevel = 0;  // model C: 8, 4, 2 or 1 once read
    int LevelKeys = 0;      // model C, bits 0-2: keys 1-3
    int ComWriteEnabled = ComWriteUnknown;
    std::int32_t ExecCount = 0;
    std::int32_t ErrorCount = 0;

    // Status data, in register units.
    int ProcessValue = 0;
    int SetValue = 0;
    int PvFaultCode = 0;
    int Output1Level = 0;  // tenths of a percent
    int Output2Level = 0;
    int HeatCoolCode = 0;
    int Output1Function = 0;  // model C: 0 heat, 1 cool, 2 alarm, 3 retransmission
    int Output2Function = 0;
    int LedByte = LedUnknown;
    int FlagWord = 0;
    int FirmwareVersion = 0;  // high byte major, low byte minor
    int ProgramRunning = 0;
    int RunStopCode = 0;
    int AutoTuning = 0;
    int ColdJunction = 0;  // tenths
    int InputVoltage = 0;
    int ProgramDisplayValue = 0;
    // A process value came since the slot was connected or readdressed.
    bool PvRead = false;
    // The controller at SlotAddress has answered its identification: the
    // model is its own, not the one of an address before.
    bool Identified = false;
    // Failed transactions of this slot in a row, of any kind.
    int FailuresInARow = 0;
    // Changes whenever the slot connects, is dropped or gets another
    // address: a request sent before belongs to what the slot was then.
    std::uint64_t Generation = 0;

    LinkLed Led = LinkLed::Gray;

    bool IsModelC() const { return SlotModel == ModelC; }
    // The slot now stands for a controller not known yet (just connected,
    // or at another address): it is identified first, and what was sent
    // for the one before is no longer answered.
    void Renew()
    {
        IdentifyPending = true;
        Identified = false;
        PvRead = false;
        FailuresInARow = 0;
        ++Generation;
    }
    // Model C below security level 4 shows only what its front panel shows.
    bool Restricted() const { return SlotModel == ModelC && SecurityLevel < 4; }
};
