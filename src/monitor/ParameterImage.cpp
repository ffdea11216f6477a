#include "ParameterImage.h"

#include <algorithm>

int ImageCheckByte(int model, int firmwareHigh, int firmwareLow)
{
    return (model + firmwareHigh + firmwareLow) & 0xFF;
}

int ParameterImage::Byte(int n) const
{
    return n >= 0 && n < ParameterImageSize ? Bytes[static_cast<size_t>(n)] : 0;
}

int ParameterImage::Word(int n) const
{
    return Byte(n) * 256 + Byte(n + 1);
}

void ParameterImage::SetOrigin(int modelLetter, int firmware)
{
    Bytes[ImageModelOffset] = static_cast<std::uint8_t>(modelLetter & 0xFF);
    Bytes[ImageFirmwareHighOffset] = static_cast<std::uint8_t>((firmware >> 8) & 0xFF);
    Bytes[ImageFirmwareLowOffset] = static_cast<std::uint8_t>(firmware & 0xFF);
    Bytes[ImageCheckOffset] = static_cast<std::uint8_t>(
        ImageCheckByte(Bytes[ImageModelOffset], Bytes[ImageFirmwareHighOffset], Bytes[ImageFirmwareLowOffset]));
}

bool ParameterImage::CheckByteValid() const
{
    return Bytes[ImageCheckOffset] ==
           ImageCheckByte(Bytes[ImageModelOffset], Bytes[ImageFirmwareHighOffset], Bytes[ImageFirmwareLowOffset]);
}

QString HeaderText(const ParameterImage &image)
{
    QString text = QStringLiteral("QMX V1.00");
    // A buffer that never saw a controller has no letter; a blank reads
    // better in a message box than a control character.
    const int model = image.ModelLetter();
    text[2] = QChar(model < 0x20 ? ' ' : model);
    text[5] = QChar(48 + image.FirmwareHigh());
    const int low = image.Bytes[ImageFirmwareLowOffset];
    text[7] = QChar((low >> 4) | 0x30);
    text[8] = QChar((low & 0x0F) | 0x30);
    return text;
}

void ParameterUpload::Start()
{
    Block.fill(0);
    Seen.reset();
    ReplyCount = 0;
}

void ParameterUpload::Store(int word)
{
    const int offset = (word >> 8) & 0xFF;
    Block[static_cast<size_t>(offset)] = static_cast<std::uint8_t>(word & 0xFF);
    Seen.set(static_cast<size_t>(offset));
    ++ReplyCount;
}

int ParameterUpload::Progress(int scale, int total) const
{
    if (total <= 0)
        return 0;
    return std::min(Received(), total) * scale / total;
}

std::optional<ParameterImage> ParameterUpload::Finish(int modelLetter, int firmware) const
{
    if (!Complete())
        return std::nullopt;
    ParameterImage image;
    std::copy(Block.begin(), Block.end(), image.Bytes.begin());
    image.SetOrigin(modelLetter, firmware);
    return image;
}
