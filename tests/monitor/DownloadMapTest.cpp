// The download maps step by step, and a buffer uploaded from one simulated
// controller and downloaded into another.
#include "DownloadMap.h"
#include "EventClock.h"
#include "SimController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// Byte n holds n: every value tells where it came from.
ParameterImage Numbered()
{
    ParameterImage image;
    for (int n = 0; n < ParameterBlockSize; ++n)
        image.Bytes[static_cast<size_t>(n)] = static_cast<std::uint8_t>(n);
    return image;
}

struct Row {
    int Step, Register, Value;
    bool Unlock = false;
};

void ExpectRows(int model, const ParameterImage &image, int firmware, const std::vector<Row> &rows)
{
    for (const Row &row : rows) {
        const auto write = PrepareDownload(model, row.Step, image, firmware);
        ASSERT_TRUE(write) << "step " << row.Step;
        EXPECT_EQ(write->Step, row.Step);
        EXPECT_EQ(write->Register, row.Register) << "step " << row.Step;
        EXPECT_EQ(write->Value, row.Value) << "step " << row.Step;
        EXPECT_EQ(write->UnlockFirst, row.Unlock) << "step " << row.Step;
    }
}

// The steps a download performs, in order, as the engine walks them.
std::vector<DownloadWrite> Walk(int model, const ParameterImage &image, int firmware)
{
    std::vector<DownloadWrite> writes;
    int step = 0;
    while (const auto write = PrepareDownload(model, step, image, firmware)) {
        writes.push_back(*write);
        step = write->NextStep;
        if (writes.size() > 200)
            break;
    }
    return writes;
}

TEST(DownloadMap, StepCounts)
{
    EXPECT_EQ(DownloadStepCount('A'), 21);
    EXPECT_EQ(DownloadStepCount('B'), 99);
    EXPECT_EQ(DownloadStepCount('C'), 27);
    EXPECT_EQ(DownloadStepCount(0xFF), 0);
    EXPECT_FALSE(PrepareDownload(0xFF, 0, Numbered(), 0x0110));
}

TEST(DownloadMap, ModelAStepByStep)
{
    ParameterImage image = Numbered();
    image.SetOrigin('A', 0x0312);
    ExpectRows('A', image, 0x0320,
               {{0, 0x470F, 0x0B},    {1, 0x4710, 12},       {2, 0x4711, 13},       {3, 0x4712, 28},
                {4, 0x4713, 30},      {5, 0x470E, 29},       {6, 0x4715, 14},       {7, 0x4716, 15},
                {8, 0x4701, 0x0001},  {9, 0x4702, 0x0203},   {10, 0x4703, 0x0405},  {11, 0x4704, 0x0607},
                {12, 0x4705, 0x0809}, {13, 0x4706, 0x1011},  {14, 0x4707, 0x1213},  {15, 0x4708, 0x1415},
                {16, 0x4709, 0x1617}, {17, 0x470A, 0x1819},  {18, 0x470B, 0x1A1B},  {19, 0x4731, 11},
                {20, 0x471A, 0}});
}

TEST(DownloadMap, ModelCStepByStep)
{
    ParameterImage image = Numbered();
    image.Bytes[15] = 2;  // manual control: the output levels go too
    ExpectRows('C', image, 0x0200,
               {{0, 0x4717, 13},      {1, 0x4718, 14},       {2, 0x4719, 2},        {3, 0x471A, 54},
                {4, 0x471B, 48},      {5, 0x471C, 49},       {6, 0x471F, 55},       {7, 0x4720, 16},
                {8, 0x4721, 17},      {9, 0x4701, 0x1819},   {10, 0x4704, 0x1415},  {11, 0x4705, 0x1617},
                {12, 0x4706, 0x0001}, {13, 0x4707, 0x0203},  {14, 0x4708, 0x0405},  {15, 0x4709, 0x0607},
                {16, 0x470C, 0x1A1B}, {17, 0x470D, 0x1C1D},  {18, 0x470E, 0x1E1F},  {19, 0x470F, 0x2021},
                {20, 0x4710, 0x2223}, {21, 0x4711, 0x2829},  {22, 0x4712, 0x2A2B},  {23, 0x4713, 0x2425},
                {24, 0x4714, 0x2627}, {25, 0x4702, 0x6465},  {26, 0x4703, 0x6667}});
}

TEST(DownloadMap, ModelBStepByStep)
{
    ExpectRows('B', Numbered(), 0x0105,
               {{0, 0x4717, 13},      {1, 0x4718, 14},       {2, 0x4719, 15},       {3, 0x471A, 19},
                {4, 0x471B, 48},      {5, 0x471C, 49},       {6, 0x471D, 50},       {7, 0x471E, 13},
                {8, 0x471F, 51},      {9, 0x4720, 16},       {10, 0x4721, 17},      {11, 0x4722, 18},
                {12, 0x4701, 0x1819}, {13, 0x4704, 0x1415},  {14, 0x4705, 0x1617},  {15, 0x4706, 0x0001},
                {16, 0x4707, 0x0203}, {17, 0x4708, 0x0405},  {18, 0x4709, 0x0607},  {19, 0x470A, 0x0809},
                {20, 0x470B, 0x0A0B}, {21, 0x470C, 0x1A1B},  {22, 0x470D, 0x1C1D},  {23, 0x470E, 0x1E1F},
                {24, 0x470F, 0x2021}, {25, 0x4710, 0x2223},  {26, 0x4711, 0x2829},  {27, 0x4712, 0x2A2B},
                {28, 0x4713, 0x2425}, {29, 0x4714, 0x2627},  {30, 0x1017, 52},
                {38, 0x474C, 0x7C7C, true}, {39, 0x474C, 0x7D7D, true}, {57, 0x474C, 0x8F8F, true},
                {58, 0x474C, 0xB4B4, true}, {97, 0x474C, 0xDBDB, true}, {98, 0x4726, 0}});
}

TEST(DownloadMap, ModelBBlockStepsCoverOffsets124To143And180To219)
{
    std::vector<int> offsets;
    for (const DownloadWrite &write : Walk('B', Numbered(), 0x0105)) {
        if (write.Register == 0x474C) {
            EXPECT_TRUE(write.UnlockFirst);
            EXPECT_EQ(write.Value >> 8, write.Value & 0xFF);
            offsets.push_back(write.Value >> 8);
        } else {
            EXPECT_FALSE(write.UnlockFirst) << write.Step;
        }
    }
    std::vector<int> expected;
    for (int o = 124; o <= 143; ++o)
        expected.push_back(o);
    for (int o = 180; o <= 219; ++o)
        expected.push_back(o);
    EXPECT_EQ(offsets, expected);
}

TEST(DownloadMap, ModelBSkipsSteps31To37)
{
    const auto writes = Walk('B', Numbered(), 0x0105);
    ASSERT_EQ(writes.size(), 92u);  // 0-30 and 38-98
    EXPECT_EQ(writes[30].Step, 30);
    EXPECT_EQ(writes[30].NextStep, 38);
    EXPECT_EQ(writes[31].Step, 38);
    EXPECT_EQ(writes.back().Step, 98);
    EXPECT_EQ(writes.back().NextStep, 99);
    // An engine that stands on a skipped step is taken on to step 38.
    EXPECT_EQ(PrepareDownload('B', 33, Numbered(), 0x0105)->Step, 38);
    EXPECT_FALSE(PrepareDownload('B', 99, Numbered(), 0x0105));
}

struct LockCase {
    const char *Name;
    int ImageFirmware;
    int ControllerFirmware;
    bool LockWritten;
};

class ModelALockStatus : public ::testing::TestWithParam<LockCase> {};

TEST_P(ModelALockStatus, WrittenOnlyFromA3xxBufferIntoFirmware0x320OrLater)
{
    const LockCase &c = GetParam();
    ParameterImage image = Numbered();
    image.SetOrigin('A', c.ImageFirmware);
    const auto writes = Walk('A', image, c.ControllerFirmware);
    ASSERT_EQ(writes.size(), c.LockWritten ? 21u : 20u);
    EXPECT_EQ(writes[18].Step, 18);
    EXPECT_EQ(writes[18].NextStep, c.LockWritten ? 19 : 20);
    EXPECT_EQ(writes.back().Register, 0x471A);
    const bool lock = std::any_of(writes.begin(), writes.end(), [](const auto &w) { return w.Register == 0x4731; });
    EXPECT_EQ(lock, c.LockWritten);
}

INSTANTIATE_TEST_SUITE_P(Firmware, ModelALockStatus,
                         ::testing::Values(LockCase{"From3xxInto320", 0x0312, 0x0320, true},
                                           LockCase{"From3xxInto400", 0x0300, 0x0400, true},
                                           LockCase{"From3xxInto31F", 0x0312, 0x031F, false},
                                           LockCase{"From2xxInto320", 0x0250, 0x0320, false},
                                           LockCase{"From4xxInto400", 0x0400, 0x0400, false}),
                         [](const auto &info) { return std::string(info.param.Name); });

TEST(DownloadMap, ModelCWritesTheOutputLevelsOnlyInManualControl)
{
    ParameterImage image = Numbered();
    image.Bytes[15] = 1;
    auto writes = Walk('C', image, 0x0200);
    ASSERT_EQ(writes.size(), 25u);
    EXPECT_EQ(writes.back().Step, 24);
    EXPECT_EQ(writes.back().NextStep, 27);
    image.Bytes[15] = 2;
    writes = Walk('C', image, 0x0200);
    ASSERT_EQ(writes.size(), 27u);
    EXPECT_EQ(writes.back().Register, 0x4703);
}

struct ClampCase {
    const char *Name;
    int Flags;  // byte 12
    int RangeHigh, RangeLow;  // words 20, 22 as signed values
    int SentHigh, SentLow;
};

class ModelBRangeClamp : public ::testing::TestWithParam<ClampCase> {};

TEST_P(ModelBRangeClamp, AppliesOnlyWithTheDecimalPointBit)
{
    const ClampCase &c = GetParam();
    ParameterImage image = Numbered();
    image.Bytes[12] = static_cast<std::uint8_t>(c.Flags);
    image.Bytes[20] = static_cast<std::uint8_t>((c.RangeHigh >> 8) & 0xFF);
    image.Bytes[21] = static_cast<std::uint8_t>(c.RangeHigh & 0xFF);
    image.Bytes[22] = static_cast<std::uint8_t>((c.RangeLow >> 8) & 0xFF);
    image.Bytes[23] = static_cast<std::uint8_t>(c.RangeLow & 0xFF);
    EXPECT_EQ(PrepareDownload('B', 13, image, 0x0105)->Value, c.SentHigh & 0xFFFF);
    EXPECT_EQ(PrepareDownload('B', 14, image, 0x0105)->Value, c.SentLow & 0xFFFF);
}

INSTANTIATE_TEST_SUITE_P(Words, ModelBRangeClamp,
                         ::testing::Values(ClampCase{"Clamped", 0x11, 12000, -1500, 9999, -999},
                                           ClampCase{"AtTheLimits", 0x11, 9999, -999, 9999, -999},
                                           ClampCase{"Inside", 0x11, 5000, 0, 5000, 0},
                                           ClampCase{"NegativeHighKept", 0x11, -5, -20, -5, -20},
                                           ClampCase{"NoDecimalPoint", 0x01, 12000, -1500, 12000, -1500}),
                         [](const auto &info) { return std::string(info.param.Name); });

struct DecimalCase {
    const char *Name;
    int InputType, Flags, Byte52, Sent;
};

class ModelBDecimalPoint : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(ModelBDecimalPoint, Step30)
{
    const DecimalCase &c = GetParam();
    ParameterImage image;
    image.Bytes[14] = static_cast<std::uint8_t>(c.InputType);
    image.Bytes[12] = static_cast<std::uint8_t>(c.Flags);
    image.Bytes[52] = static_cast<std::uint8_t>(c.Byte52);
    const auto write = PrepareDownload('B', 30, image, 0x0105);
    EXPECT_EQ(write->Register, 0x1017);
    EXPECT_EQ(write->Value, c.Sent);
}

INSTANTIATE_TEST_SUITE_P(Inputs, ModelBDecimalPoint,
                         ::testing::Values(DecimalCase{"LinearInputKeepsItsDecimals", 13, 0x00, 3, 3},
                                           DecimalCase{"LinearInput17", 17, 0x10, 2, 2},
                                           DecimalCase{"TemperatureWithPoint", 12, 0x10, 3, 1},
                                           DecimalCase{"TemperatureWithoutPoint", 0, 0x01, 3, 0}),
                         [](const auto &info) { return std::string(info.param.Name); });

TEST(DownloadMap, FlagsStepsKeepCommunicationWriteOnUntilTheLastStep)
{
    ParameterImage image;
    image.Bytes[10] = 0xF6;  // model A: write bit off, upper nibble not sent
    image.Bytes[12] = 0xE6;  // models B and C: write bit off, bit 7 not sent
    EXPECT_EQ(PrepareDownload('A', 0, image, 0x0110)->Value, 0x07);
    EXPECT_EQ(PrepareDownload('A', 20, image, 0x0110)->Value, 0);
    EXPECT_EQ(PrepareDownload('B', 0, image, 0x0105)->Value, 0x67);
    EXPECT_EQ(PrepareDownload('B', 98, image, 0x0105)->Value, 0);
    EXPECT_EQ(PrepareDownload('C', 0, image, 0x0200)->Value, 0x67);
    image.Bytes[10] = 0x01;
    image.Bytes[12] = 0x01;
    EXPECT_EQ(PrepareDownload('A', 20, image, 0x0110)->Value, 1);
    EXPECT_EQ(PrepareDownload('B', 98, image, 0x0105)->Value, 1);
}

// ---- against the simulated controllers -------------------------------------

Pdu Request(int station, int function, int reg, int value)
{
    return {static_cast<std::uint8_t>(station), static_cast<std::uint8_t>(function),
            static_cast<std::uint8_t>(reg >> 8),     static_cast<std::uint8_t>(reg & 0xFF),
            static_cast<std::uint8_t>(value >> 8),   static_cast<std::uint8_t>(value & 0xFF)};
}

ControllerConfig Config(Model kind, int address, int firmware)
{
    ControllerConfig config;
    config.Address = address;
    config.Kind = kind;
    config.Firmware = firmware;
    return config;
}

int Letter(const SimController &c)
{
    return ModelLetter(c.Kind());
}

// A write as the engine sends it; true when the controller echoed it.
bool Write(SimController &c, int reg, int value)
{
    const Pdu request = Request(c.Address(), 0x06, reg, value);
    const auto reply = c.Execute(request);
    return reply && *reply == request;
}

// An upload as the engine performs it: the unlock first on model A, then
// reads of the block register until every offset came in.
ParameterImage Upload(SimController &c)
{
    const int model = Letter(c);
    if (model == 'A') {
        EXPECT_TRUE(Write(c, UnlockRegisterFor(model), UnlockWriteCode));
    }
    ParameterUpload upload;
    upload.Start();
    while (!upload.Complete() && !upload.GivenUp()) {
        const auto reply = c.Execute(Request(c.Address(), 0x03, BlockRegisterFor(model), 1));
        if (!reply || reply->size() != 5) {
            ADD_FAILURE() << "the block register refused a read";
            break;
        }
        upload.Store((*reply)[3] * 256 + (*reply)[4]);
    }
    const auto image = upload.Finish(model, c.Config().Firmware);
    EXPECT_TRUE(image);
    return image.value_or(ParameterImage{});
}

// A download into each controller of `targets` at `station` (0: a
// broadcast, answered by none). The registers written, in order.
std::vector<int> Download(std::vector<SimController *> targets, int station, const ParameterImage &image,
                          int model, int firmware)
{
    std::vector<int> written;
    int step = 0;
    while (const auto write = PrepareDownload(model, step, image, firmware)) {
        std::vector<std::pair<int, int>> requests;
        if (write->UnlockFirst)
            requests.emplace_back(UnlockRegisterFor(model), UnlockWriteCode);
        requests.emplace_back(write->Register, write->Value);
        for (const auto &[reg, value] : requests) {
            for (SimController *c : targets) {
                const Pdu request = Request(station == 0 ? 0 : c->Address(), 0x06, reg, value);
                const auto reply = c->Execute(request);
                if (station == 0)
                    EXPECT_FALSE(reply) << "a broadcast is never answered";
                else
                    EXPECT_TRUE(reply && *reply == request) << std::hex << "register 0x" << reg << " value 0x" << value;
            }
        }
        written.push_back(write->Register);
        step = write->NextStep;
    }
    return written;
}

struct CopyCase {
    const char *Name;
    Model Kind;
    std::vector<std::pair<int, int>> Changes;  // made on the source before the upload
    std::vector<int> Compare;                  // registers that must come out equal
};

class DownloadIntoSimulatedController : public ::testing::TestWithParam<CopyCase> {};

TEST_P(DownloadIntoSimulatedController, ReproducesTheSourcesRegisters)
{
    const CopyCase &p = GetParam();
    VirtualClock clock;
    SimController source(clock, Config(p.Kind, 2, 0x0312));
    SimController target(clock, Config(p.Kind, 5, 0x0320));
    source.SetNoise(false);
    target.SetNoise(false);
    for (const auto &[reg, value] : p.Changes)
        ASSERT_TRUE(source.Poke(reg, value)) << std::hex << reg;
    for (const auto &reg : p.Compare)
        ASSERT_TRUE(target.Peek(reg)) << std::hex << reg;

    const ParameterImage image = Upload(source);
    EXPECT_EQ(image.ModelLetter(), Letter(source));
    EXPECT_EQ(image.Firmware(), 0x0312);
    Download({&target}, target.Address(), image, Letter(target), target.Config().Firmware);

    for (int reg : p.Compare)
        EXPECT_EQ(target.Peek(reg), source.Peek(reg)) << std::hex << "register 0x" << reg;
    if (p.Kind == Model::B) {
        const auto from = source.ParameterBlock();
        const auto to = target.ParameterBlock();
        for (int o : {124, 130, 143, 180, 200, 219})
            EXPECT_EQ(to[static_cast<size_t>(o)], from[static_cast<size_t>(o)]) << "offset " << o;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Models, DownloadIntoSimulatedController,
    ::testing::Values(
        CopyCase{"A",
                 Model::A,
                 {{0x4701, 432}, {0x4702, 25}, {0x4705, -60}, {0x4706, 3500}, {0x4707, -50}, {0x4708, 66},
                  {0x4709, 150}, {0x470A, 22}, {0x470B, 3}, {0x470E, 8}, {0x4710, 5}, {0x4711, 1}, {0x4712, 12},
                  {0x4713, 40}, {0x4715, 4}, {0x4716, 7}, {0x4731, 2}, {0x470F, 0x05}},
                 {0x4701, 0x4702, 0x4703, 0x4704, 0x4705, 0x4706, 0x4707, 0x4708, 0x4709, 0x470A, 0x470B, 0x470E,
                  0x470F, 0x4710, 0x4711, 0x4712, 0x4713, 0x4715, 0x4716, 0x4718, 0x471A, 0x4731}},
        CopyCase{"B",
                 Model::B,
                 {{0x4701, -75}, {0x4704, 4200}, {0x4705, -300}, {0x4707, 12}, {0x470A, 77}, {0x470D, 99},
                  {0x4710, 250}, {0x4711, 150}, {0x4712, -20}, {0x4713, 4}, {0x4718, 4}, {0x4719, 1},
                  {0x471A, 1}, {0x471B, 8}, {0x471C, 9}, {0x471D, -25}, {0x471E, 1}, {0x471F, 2}, {0x4721, 6},
                  {0x4722, 8}},
                 {0x4701, 0x4704, 0x4705, 0x4706, 0x4707, 0x4708, 0x4709, 0x470A, 0x470B, 0x470C, 0x470D, 0x470E,
                  0x470F, 0x4710, 0x4711, 0x4712, 0x4713, 0x4714, 0x4715, 0x4716, 0x4717, 0x4718, 0x4719, 0x471A,
                  0x471B, 0x471C, 0x471D, 0x471E, 0x471F, 0x4720, 0x4721, 0x4722, 0x4725, 0x4726}},
        CopyCase{"C",
                 Model::C,
                 {{0x4701, 275}, {0x4704, 3000}, {0x4706, 55}, {0x470E, 12}, {0x4713, 8}, {0x4718, 9},
                  {0x4719, 2}, {0x4702, 330}, {0x4703, 120}, {0x471A, 2}, {0x471F, 1}, {0x4721, 5}},
                 {0x4701, 0x4702, 0x4703, 0x4704, 0x4705, 0x4706, 0x4707, 0x4708, 0x4709, 0x470C, 0x470D, 0x470E,
                  0x470F, 0x4710, 0x4711, 0x4712, 0x4713, 0x4714, 0x4717, 0x4718, 0x4719, 0x471A, 0x471B, 0x471C,
                  0x471F, 0x4720, 0x4721}}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(DownloadIntoSimulatedController, ModelCNotInManualControlTakes25Writes)
{
    VirtualClock clock;
    SimController source(clock, Config(Model::C, 3, 0x0200));
    SimController target(clock, Config(Model::C, 4, 0x0200));
    ASSERT_TRUE(source.Poke(0x4719, 1));
    const auto written = Download({&target}, 4, Upload(source), 'C', 0x0200);
    EXPECT_EQ(written.size(), 25u);
    EXPECT_EQ(std::count(written.begin(), written.end(), 0x4702), 0);
}

TEST(DownloadIntoSimulatedController, ModelAFrom3xxInto0x0320IncludesTheLockStatus)
{
    VirtualClock clock;
    SimController source(clock, Config(Model::A, 1, 0x0315));
    SimController target(clock, Config(Model::A, 2, 0x0320));
    ASSERT_TRUE(source.Poke(0x4731, 4));  // "Not SV" as model A keeps it
    const ParameterImage image = Upload(source);
    ASSERT_EQ(image.Bytes[257], 3);
    const auto written = Download({&target}, 2, image, 'A', 0x0320);
    EXPECT_EQ(written.size(), 21u);
    EXPECT_EQ(std::count(written.begin(), written.end(), 0x4731), 1);
    EXPECT_EQ(target.Peek(0x4731), 4);

    SimController older(clock, Config(Model::A, 3, 0x0310));
    const auto skipped = Download({&older}, 3, image, 'A', 0x0310);
    EXPECT_EQ(skipped.size(), 20u);
    EXPECT_EQ(older.Peek(0x4731), 0);
}

TEST(DownloadIntoSimulatedController, ABroadcastReachesEveryControllerOfTheModel)
{
    VirtualClock clock;
    SimController source(clock, Config(Model::B, 2, 0x0105));
    SimController first(clock, Config(Model::B, 7, 0x0105));
    SimController second(clock, Config(Model::B, 17, 0x0105));
    ASSERT_TRUE(source.Poke(0x4701, 654));
    ASSERT_TRUE(source.Poke(0x470C, 123));
    source.SetParameterByte(133, 0xA5);
    source.SetParameterByte(219, 0x3C);
    const ParameterImage image = Upload(source);
    Download({&first, &second}, 0, image, 'B', 0x0105);
    for (SimController *c : {&first, &second}) {
        EXPECT_EQ(c->Peek(0x4701), 654);
        EXPECT_EQ(c->Peek(0x470C), 123);
        EXPECT_EQ(c->ParameterBlock()[133], 0xA5);
        EXPECT_EQ(c->ParameterBlock()[219], 0x3C);
    }
}

TEST(DownloadIntoSimulatedController, AnUploadSurvivesAStreamThatStartsOver)
{
    VirtualClock clock;
    SimController c(clock, Config(Model::B, 2, 0x0105));
    c.SetParameterByte(100, 0x77);
    ParameterUpload upload;
    upload.Start();
    for (int i = 0; i < 150; ++i) {
        const auto reply = c.Execute(Request(2, 0x03, 0x474C, 1));
        upload.Store((*reply)[3] * 256 + (*reply)[4]);
    }
    // A pause long enough (time-outs, say) that the controller's stream
    // starts again at offset 0: 256 replies no longer make a block.
    clock.Advance(SimController::StreamRestartMs + 1);
    for (int i = 0; i < 106; ++i) {
        const auto reply = c.Execute(Request(2, 0x03, 0x474C, 1));
        upload.Store((*reply)[3] * 256 + (*reply)[4]);
    }
    EXPECT_EQ(upload.Replies(), 256);
    EXPECT_FALSE(upload.Complete());
    while (!upload.Complete() && !upload.GivenUp()) {
        const auto reply = c.Execute(Request(2, 0x03, 0x474C, 1));
        upload.Store((*reply)[3] * 256 + (*reply)[4]);
    }
    ASSERT_TRUE(upload.Complete());
    const auto image = upload.Finish('B', 0x0105);
    const auto block = c.ParameterBlock();
    EXPECT_TRUE(std::equal(block.begin(), block.end(), image->Bytes.begin()));
    EXPECT_EQ(image->Bytes[100], 0x77);
}

} // namespace
