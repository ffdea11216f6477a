// The parameter buffer: a controller's 256-byte parameter block with the
// model letter and firmware version of the controller it came from and a
// check byte over those three. It is what an upload fills, what a download
// writes and, byte for byte, what a backup file holds.
#pragma once

#include <QString>

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>

inline constexpr int ParameterBlockSize = 256;
inline constexpr int ParameterImageSize = 260;
inline constexpr int ImageModelOffset = 256;
inline constexpr int ImageFirmwareHighOffset = 257;
inline constexpr int ImageFirmwareLowOffset = 258;
inline constexpr int ImageCheckOffset = 259;

// (model + firmware high + firmware low) mod 256.
int ImageCheckByte(int model, int firmwareHigh, int firmwareLow);

struct ParameterImage {
    std::array<std::uint8_t, ParameterImageSize> Bytes{};

    // Byte n of the image; 0 for an n outside it, so that a table entry can
    // never read past the buffer.
    int Byte(int n) const;
    // Byte n x 256 + byte n+1: multi-byte values are big-endian.
    int Word(int n) const;

    int ModelLetter() const { return Bytes[ImageModelOffset]; }
    int FirmwareHigh() const { return Bytes[ImageFirmwareHighOffset]; }
    int Firmware() const { return Bytes[ImageFirmwareHighOffset] * 256 + Bytes[ImageFirmwareLowOffset]; }

    // Model letter, firmware word and the check byte that goes with them.
    void SetOrigin(int modelLetter, int firmware);
    bool CheckByteValid() const;
};

// "QMX V1.00" with the model letter at the third character, 48 + firmware
// high byte at the sixth and the two nibbles of the low byte (ORed with 0x30)
// at the eighth and ninth: "QMB V1.05" for a model B with firmware 0x0105.
// The upload and file messages follow it directly.
QString HeaderText(const ParameterImage &image);

// Collects the (offset, value) pairs that an upload streams in. The buffer
// is only taken when every one of the 256 offsets has come in: a repeated or
// skipped position, or a stream that restarted, never yields a half-filled
// image that looks good.
class ParameterUpload {
public:
    // Replies after which an upload that still misses offsets is given up:
    // a controller's stream wraps at 256, so twice round covers every offset.
    static constexpr int ReplyLimit = 2 * ParameterBlockSize;

    void Start();
    // One reply word: the offset in the high byte, the value in the low byte.
    void Store(int word);

    int Received() const { return static_cast<int>(Seen.count()); }
    int Replies() const { return ReplyCount; }
    bool Complete() const { return Seen.all(); }
    bool GivenUp() const { return !Complete() && ReplyCount >= ReplyLimit; }
    // Progress 0..scale, by the offsets received out of `total` (256, or 512
    // when a ramp/soak read follows the parameter read).
    int Progress(int scale = 1000, int total = ParameterBlockSize) const;

    // The complete image with its origin; nothing before every offset came in.
    std::optional<ParameterImage> Finish(int modelLetter, int firmware) const;

private:
    std::array<std::uint8_t, ParameterBlockSize> Block{};
    std::bitset<ParameterBlockSize> Seen;
    int ReplyCount = 0;
};
