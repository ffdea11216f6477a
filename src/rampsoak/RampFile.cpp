#include "RampFile.h"

#include "SaveReplacing.h"

#include <QFile>

namespace {

constexpr std::uint8_t Signature[4] = {0x55, 0xAA, 0x12, 0x34};

char LowByte(int value)
{
    return static_cast<char>(value & 0xFF);
}

std::uint8_t ByteAt(const QByteArray &bytes, int offset)
{
    return static_cast<std::uint8_t>(bytes.at(offset));
}

} // namespace

QByteArray RampFileBytes(const RampSoakProgram &program)
{
    QByteArray bytes(RampFileSize, '\0');
    for (int p = 0; p < PatternCount; ++p) {
        bytes[p] = LowByte(program.StepMax[static_cast<size_t>(p)]);
        bytes[8 + p] = LowByte(program.LoopCount[static_cast<size_t>(p)]);
        bytes[16 + p] = LowByte(program.LinkPattern[static_cast<size_t>(p)]);
    }
    RampImage image{};
    EncodeSteps(program, image);
    for (int i = 0; i < StepBlockSize; ++i)
        bytes[RampFileStepsOffset + i] = static_cast<char>(image[static_cast<size_t>(i)]);
    bytes[RampFileStartOffset] = LowByte(program.StartPattern);
    for (int i = 0; i < 4; ++i)
        bytes[RampFileSignatureOffset + i] = static_cast<char>(Signature[i]);
    return bytes;
}

bool ReadRampFileBytes(const QByteArray &bytes, RampSoakProgram &program, RampImage &image)
{
    if (bytes.size() != RampFileSize)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (ByteAt(bytes, RampFileSignatureOffset + i) != Signature[i])
            return false;
    }
    RampSoakProgram loaded;
    loaded.StartPattern = ByteAt(bytes, RampFileStartOffset);
    for (int p = 0; p < PatternCount; ++p) {
        loaded.StepMax[static_cast<size_t>(p)] = ByteAt(bytes, p);
        loaded.LoopCount[static_cast<size_t>(p)] = ByteAt(bytes, 8 + p);
        loaded.LinkPattern[static_cast<size_t>(p)] = ByteAt(bytes, 16 + p);
    }
    RampImage steps = image;
    for (int i = 0; i < StepBlockSize; ++i)
        steps[static_cast<size_t>(i)] = ByteAt(bytes, RampFileStepsOffset + i);
    DecodeSteps(steps, loaded);
    program = loaded;
    image = steps;
    return true;
}

bool LoadRampFile(const QString &path, RampSoakProgram &program, RampImage &image)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // One byte more than a good file has: a longer file, or one that grew
    // while it was read, is then too long instead of cut to size.
    const QByteArray bytes = file.read(RampFileSize + 1);
    const bool readOk = file.error() == QFileDevice::NoError;
    file.close();
    return readOk && ReadRampFileBytes(bytes, program, image);
}

bool SaveRampFile(const QString &path, const RampSoakProgram &program)
{
    return SaveReplacing(path, RampFileBytes(program));
}
