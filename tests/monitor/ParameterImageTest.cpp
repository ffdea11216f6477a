// The parameter buffer: check byte, header text and the upload collector.
#include "ParameterImage.h"

#include <gtest/gtest.h>

namespace {

ParameterImage WithOrigin(int model, int firmwareHigh, int firmwareLow)
{
    ParameterImage image;
    image.Bytes[256] = static_cast<std::uint8_t>(model);
    image.Bytes[257] = static_cast<std::uint8_t>(firmwareHigh);
    image.Bytes[258] = static_cast<std::uint8_t>(firmwareLow);
    return image;
}

TEST(ParameterImage, CheckByteIsTheSumOfModelAndFirmwareModulo256)
{
    EXPECT_EQ(ImageCheckByte(0x42, 0x01, 0x05), 0x48);
    EXPECT_EQ(ImageCheckByte(0xFF, 0xFF, 0x03), 0x01);
    ParameterImage image = WithOrigin(0x42, 0x01, 0x05);
    image.Bytes[259] = 0x48;
    EXPECT_TRUE(image.CheckByteValid());
    image.Bytes[259] = 0x47;
    EXPECT_FALSE(image.CheckByteValid());
}

TEST(ParameterImage, SetOriginFillsTheTrailer)
{
    ParameterImage image;
    image.SetOrigin('C', 0x0320);
    EXPECT_EQ(image.Bytes[256], 'C');
    EXPECT_EQ(image.Bytes[257], 0x03);
    EXPECT_EQ(image.Bytes[258], 0x20);
    EXPECT_EQ(image.Bytes[259], (0x43 + 0x03 + 0x20) & 0xFF);
    EXPECT_EQ(image.Firmware(), 0x0320);
    EXPECT_TRUE(image.CheckByteValid());
}

TEST(ParameterImage, WordsAreBigEndianAndNothingIsReadOutsideTheImage)
{
    ParameterImage image;
    image.Bytes[20] = 0x17;
    image.Bytes[21] = 0x70;
    image.Bytes[259] = 0x99;
    EXPECT_EQ(image.Word(20), 0x1770);
    EXPECT_EQ(image.Byte(-1), 0);
    EXPECT_EQ(image.Byte(260), 0);
    EXPECT_EQ(image.Word(259), 0x9900);
}

struct HeaderCase {
    int Model, High, Low;
    const char *Text;
};

class HeaderTextTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderTextTest, PatchesModelAndFirmwareIntoTheNineCharacters)
{
    const HeaderCase &c = GetParam();
    EXPECT_EQ(HeaderText(WithOrigin(c.Model, c.High, c.Low)), QString::fromLatin1(c.Text));
}

INSTANTIATE_TEST_SUITE_P(Firmware, HeaderTextTest,
                         ::testing::Values(HeaderCase{'B', 0x01, 0x05, "QMB V1.05"},
                                           HeaderCase{'A', 0x03, 0x20, "QMA V3.20"},
                                           HeaderCase{'C', 0x02, 0x15, "QMC V2.15"},
                                           // Nibbles above 9 give the characters after '9'.
                                           HeaderCase{'C', 0x01, 0xAF, "QMC V1.:?"},
                                           // A buffer from no controller.
                                           HeaderCase{0, 0, 0, "QM  V0.00"}));

// ---- the upload collector --------------------------------------------------

TEST(ParameterUpload, AnOrderedStreamCompletesAtThe256thReply)
{
    ParameterUpload upload;
    upload.Start();
    for (int i = 0; i < 256; ++i) {
        EXPECT_FALSE(upload.Complete());
        EXPECT_EQ(upload.Progress(), i * 1000 / 256);
        upload.Store(i * 256 + (255 - i));
    }
    ASSERT_TRUE(upload.Complete());
    const auto image = upload.Finish('B', 0x0105);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Bytes[0], 255);
    EXPECT_EQ(image->Bytes[255], 0);
    EXPECT_EQ(image->Bytes[256], 'B');
    EXPECT_EQ(image->Bytes[259], 0x48);
}

TEST(ParameterUpload, RepeatedOrSkippedPositionsNeverGiveAGoodImage)
{
    ParameterUpload upload;
    upload.Start();
    // 256 replies, but offset 7 came twice and offset 200 never.
    for (int i = 0; i < 256; ++i)
        upload.Store((i == 200 ? 7 : i) * 256 + 1);
    EXPECT_EQ(upload.Replies(), 256);
    EXPECT_EQ(upload.Received(), 255);
    EXPECT_FALSE(upload.Complete());
    EXPECT_FALSE(upload.Finish('A', 0x0110));
    EXPECT_FALSE(upload.GivenUp());
    upload.Store(200 * 256 + 0x55);
    ASSERT_TRUE(upload.Complete());
    EXPECT_EQ(upload.Finish('A', 0x0110)->Bytes[200], 0x55);
}

TEST(ParameterUpload, AStreamThatNeverCoversTheBlockIsGivenUp)
{
    ParameterUpload upload;
    upload.Start();
    for (int i = 0; i < ParameterUpload::ReplyLimit - 1; ++i)
        upload.Store(0x0101);
    EXPECT_FALSE(upload.GivenUp());
    upload.Store(0x0101);
    EXPECT_TRUE(upload.GivenUp());
    EXPECT_EQ(upload.Received(), 1);
}

TEST(ParameterUpload, StartForgetsAnEarlierUpload)
{
    ParameterUpload upload;
    upload.Start();
    for (int i = 0; i < 256; ++i)
        upload.Store(i * 256);
    upload.Start();
    EXPECT_EQ(upload.Received(), 0);
    EXPECT_EQ(upload.Replies(), 0);
    EXPECT_FALSE(upload.Finish('B', 0));
}

TEST(ParameterUpload, ProgressOnTheRampEditorsScale)
{
    ParameterUpload upload;
    upload.Start();
    for (int i = 0; i < 128; ++i)
        upload.Store(i * 256);
    EXPECT_EQ(upload.Progress(1000, 512), 250);
    EXPECT_EQ(upload.Progress(1000, 256), 500);
}

} // namespace
