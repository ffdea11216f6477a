// The recorder's state: the device table, the sample being collected, the
// saving and the replay flags. It is process-wide, like the link settings,
// and outlives each opening of the window; the engines take it by reference
// so that a test can hand them its own.
#pragma once

#include <QString>

#include <array>
#include <cstdint>

inline constexpr int RecorderSlotCount = 10;
inline constexpr int RecordBytes = 25;
// The marker of a dropped slot in records and chart: the pair 0x80 0xA5 read
// as unsigned. A controller never sends it (0x80 high bytes are input faults).
inline constexpr int DroppedMarker = 0x80A5;
// A slot dropped at its third failed transaction since Start.
inline constexpr int FailLimit = 3;
inline constexpr int MaxStation = 247;
inline constexpr int MaxSampleTime = 99;

enum TReplayState { ReplayPlaying = 0, ReplayPaused = 1, ReplayStopped = 2 };

struct TRecorderState {
    TRecorderState();

    // Device table, slot 0-9 ("Device 1" - "Device 10").
    std::array<std::uint8_t, RecorderSlotCount> DeviceAddress{};  // 0: slot not in use
    std::array<bool, RecorderSlotCount> DeviceShown{};
    std::array<int, RecorderSlotCount> FailCount{};
    std::array<int, RecorderSlotCount> DroppedAt{};  // sample number, -1: not dropped

    int CurrentDevice = 0;
    int SampleCount = 0;  // recording: the sample being collected; replay: the next record
    bool Recording = false;
    std::array<std::uint8_t, RecordBytes> SampleRecord{};

    // Saving. RecordFilePath is the full path chosen in the save dialog;
    // CurrentFileName (shared unit) holds its name part for the questions.
    bool SaveArmed = false;
    bool RecordFileUsed = false;
    QString RecordFilePath;

    // Replay.
    TReplayState ReplayState = ReplayStopped;
    bool ReplayRunning = false;
    bool JumpPending = false;

    // The first slot in use, or -1.
    int FirstUsedSlot() const { return NextUsedSlot(-1); }
    // The first slot after `slot` in use, or -1.
    int NextUsedSlot(int slot) const;
    void ClearFailures();
};

extern TRecorderState RecorderState;

// The counter text: a blank, then the number with at least seven digits.
QString CounterText(int sampleCount);
// The counter before the first sample: a blank and eight zeros.
QString ZeroCounterText();
