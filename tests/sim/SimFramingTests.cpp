#include "SimFraming.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(SimFraming, EncodesBothFormats)
{
    const Pdu read{0x01, 0x03, 0x47, 0x00, 0x00, 0x02};
    EXPECT_EQ(SimFraming::Encode(read, false), QByteArray(":010347000002B3\r\n"));
    EXPECT_EQ(SimFraming::Encode(read, true), Bytes({0x01, 0x03, 0x47, 0x00, 0x00, 0x02, 0xD0, 0xBF}));
    const Pdu reply{0x01, 0x03, 0x04, 0x00, 0xFA, 0x03, 0xE8};
    EXPECT_EQ(SimFraming::Encode(reply, false), QByteArray(":01030400FA03E813\r\n"));
}

struct AsciiCase {
    const char *Name;
    QByteArray Frame;
    bool Good;
};

class SimFramingAscii : public ::testing::TestWithParam<AsciiCase> {};

TEST_P(SimFramingAscii, DecodesOnlySoundFrames)
{
    const auto pdu = SimFraming::DecodeAscii(GetParam().Frame);
    EXPECT_EQ(pdu.has_value(), GetParam().Good);
    if (pdu) {
        EXPECT_EQ(*pdu, (Pdu{0x11, 0x03, 0x47, 0x01, 0x00, 0x01}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, SimFramingAscii,
    ::testing::Values(AsciiCase{"Probe", ":110347010001A3\r\n", true},
                      AsciiCase{"WrongLrc", ":110347010001A4\r\n", false},
                      AsciiCase{"LowerCaseHex", ":110347010001a3\r\n", false},
                      AsciiCase{"NoColon", "110347010001A3\r\n", false},
                      AsciiCase{"NoCarriageReturn", ":110347010001A3\n", false},
                      AsciiCase{"OddDigits", ":11034701001A3\r\n", false},
                      AsciiCase{"NotHex", ":1103470100G1A3\r\n", false},
                      AsciiCase{"OnlyColon", ":\r\n", false},
                      AsciiCase{"Empty", "", false}),
    [](const auto &info) { return std::string(info.param.Name); });

struct RtuCase {
    const char *Name;
    QByteArray Frame;
    bool Good;
};

class SimFramingRtu : public ::testing::TestWithParam<RtuCase> {};

TEST_P(SimFramingRtu, DecodesOnlySoundFrames)
{
    EXPECT_EQ(SimFraming::DecodeRtu(GetParam().Frame).has_value(), GetParam().Good);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, SimFramingRtu,
    ::testing::Values(RtuCase{"Read", Bytes({0x01, 0x03, 0x47, 0x00, 0x00, 0x02, 0xD0, 0xBF}), true},
                      RtuCase{"CrcBytesSwapped", Bytes({0x01, 0x03, 0x47, 0x00, 0x00, 0x02, 0xBF, 0xD0}), false},
                      RtuCase{"Truncated", Bytes({0x01, 0x03, 0x47, 0x00, 0x00, 0x02, 0xD0}), false},
                      RtuCase{"ThreeBytes", Bytes({0x01, 0x03, 0x47}), false},
                      RtuCase{"Empty", QByteArray(), false}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(SimFraming, DescribesRequestsAndReplies)
{
    EXPECT_EQ(SimFraming::DescribeRequest({0x01, 0x03, 0x47, 0x00, 0x00, 0x02}), QStringLiteral("station 1 read 0x4700 x2"));
    EXPECT_EQ(SimFraming::DescribeRequest({0x00, 0x06, 0x47, 0x1D, 0xFF, 0xCE}),
              QStringLiteral("broadcast write 0x471D = -50 (0xFFCE)"));
    EXPECT_EQ(SimFraming::DescribeReply({0x01, 0x83, 0x02}), QStringLiteral("exception 2 (illegal address) to function 0x03"));
    EXPECT_EQ(SimFraming::DescribeReply({0x01, 0x03, 0x04, 0x00, 0xFA, 0x03, 0xE8}), QStringLiteral("data 0x00FA 0x03E8"));
}

} // namespace
