// The ramp/soak file (*.r$s): 285 bytes, no header. Step max, loop counts
// and links of the eight patterns (one byte each), the 256-byte step block,
// the start pattern, and a four-byte signature that tells our files apart.
#pragma once

#include "RampProgram.h"

#include <QByteArray>
#include <QString>

inline constexpr int RampFileSize = 285;
inline constexpr int RampFileStepsOffset = 24;
inline constexpr int RampFileStartOffset = 280;
inline constexpr int RampFileSignatureOffset = 281;

// The bytes of a program set; the one-byte fields keep their low byte.
QByteArray RampFileBytes(const RampSoakProgram &program);

// A file's bytes into a program set and the step block of its image (the
// image's trailer stays). false, and nothing touched, unless the bytes are
// exactly 285 with the signature.
bool ReadRampFileBytes(const QByteArray &bytes, RampSoakProgram &program, RampImage &image);

// Reads a file whole. false when it cannot be opened or read, or is not a
// ramp/soak file; nothing touched then.
bool LoadRampFile(const QString &path, RampSoakProgram &program, RampImage &image);

// Writes the file beside its target and moves it over the old one, so that
// a failed save leaves the old file as it was. false when anything failed.
bool SaveRampFile(const QString &path, const RampSoakProgram &program);
