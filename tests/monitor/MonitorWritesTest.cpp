// Parameter writes, block transfers and model C security through the engine,
// end to end against the simulated controllers.
#include "DownloadMap.h"
#include "FrameCodec.h"
#include "MessageTable.h"
#include "MonitorRig.h"

#include <gtest/gtest.h>

namespace {

// Connects one controller and waits until its page has been read once.
void ConnectAndRead(MonitorRig &rig, int address)
{
    rig.Connect(0, address);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Engine->Page().Shown; }, 60'000));
}

// The requests sent from `from` on, as (function, register, value).
std::vector<std::tuple<int, int, int>> Writes(const MonitorRig &rig, size_t from)
{
    std::vector<std::tuple<int, int, int>> writes;
    for (size_t i = from; i < rig.Log.Sent.size(); ++i) {
        if (rig.Log.Sent[i].Function == 0x06)
            writes.emplace_back(0x06, rig.Log.Sent[i].Register, rig.Log.Sent[i].Value);
    }
    return writes;
}

TEST(MonitorWrites, ATypedValueIsUnlockedWrittenEchoedAndReadBack)
{
    MonitorRig rig;
    SimController &c = rig.Add(1, Model::B);
    ConnectAndRead(rig, 1);
    const size_t at = rig.Log.Sent.size();
    rig.Engine->RangeHiKeyPress(Pc::PVTune, QStringLiteral("-5.0"));
    ASSERT_TRUE(rig.RunRequests(12));
    const auto writes = Writes(rig, at);
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes[0], std::make_tuple(0x06, 0x472A, 0x6B2E));
    EXPECT_EQ(writes[1], std::make_tuple(0x06, 0x471D, 0xFFCE));
    EXPECT_EQ(c.Peek(0x471D), 0xFFCE);
    // The page is read again after the echo and shows the controller's value.
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Engine->Page()[Pc::PVTune].Text == "- 5.0"; }));
    EXPECT_EQ(rig.Engine->Slot(0).ErrorCount, 0);
}

TEST(MonitorWrites, ASetValueReachesTheControllerAndTheDisplay)
{
    MonitorRig rig;
    SimController &c = rig.Add(1, Model::A);
    ConnectAndRead(rig, 1);
    rig.Engine->RangeHiKeyPress(Pc::SV, QStringLiteral("123.4"));
    ASSERT_TRUE(rig.RunUntil([&] { return c.Peek(0x4701) == 1234; }));
    ASSERT_TRUE(rig.RunUntil(
        [&] { return rig.Engine->View(0).SvText == ScaledValueText(1234, rig.Engine->Slot(0).DecimalsCode); }));
}

TEST(MonitorWrites, RefusedWritesAreRepeatedThenGivenUp)
{
    MonitorRig rig;
    rig.Add(1, Model::B);
    ConnectAndRead(rig, 1);
    const size_t at = rig.Log.Sent.size();
    // The simulated controller refuses a set value outside its range.
    rig.Engine->RangeHiKeyPress(Pc::SV, QStringLiteral("3000.0"));
    ASSERT_TRUE(rig.RunRequests(12));
    const auto writes = Writes(rig, at);
    EXPECT_EQ(writes.size(), 4u);  // the fourth refusal abandons it
    EXPECT_TRUE(rig.Engine->Message().startsWith(MessageTable::WriteErrorPrefix))
        << rig.Engine->Message().toStdString();
    EXPECT_EQ(rig.Engine->Slot(0).ErrorCount, 4);
    EXPECT_TRUE(rig.Engine->Slot(0).SlotConnected);
}

TEST(MonitorWrites, NothingIsWrittenForTextThatIsNoNumberOrAFieldTheModelLacks)
{
    MonitorRig rig;
    rig.Add(1, Model::A);
    ConnectAndRead(rig, 1);
    const size_t at = rig.Log.Sent.size();
    rig.Engine->RangeHiKeyPress(Pc::SV, QStringLiteral("abc"));
    rig.Engine->RangeHiKeyPress(Pc::Hyst2, QStringLiteral("1.0"));
    EXPECT_EQ(rig.Engine->Message(), MessageTable::WrongModelText);
    ASSERT_TRUE(rig.RunRequests(12));
    EXPECT_TRUE(Writes(rig, at).empty());
    // The page is read again (the text goes back to the controller's value).
    bool pageRead = false;
    for (size_t i = at; i < rig.Log.Sent.size(); ++i)
        pageRead |= rig.Log.Sent[i].Register == 0x4731;
    EXPECT_TRUE(pageRead);
}

TEST(MonitorWrites, WritingCanBeSwitchedOnFromThePc)
{
    MonitorRig rig;
    SimController &c = rig.Add(1, Model::B);
    c.SetComWriteEnabled(false);
    ConnectAndRead(rig, 1);
    EXPECT_FALSE(rig.Engine->Page().BoxesEnabled);
    rig.Engine->CtrlSetCloseUp(Pc::CtrlSet, 1);  // nothing: writing is off
    rig.Engine->CtrlSetCloseUp(Pc::ComWrite, 1);
    ASSERT_TRUE(rig.RunUntil([&] { return c.ComWriteEnabled(); }));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Engine->Page().BoxesEnabled; }));
    EXPECT_EQ(c.Peek(0x4719), 0);
}

TEST(MonitorWrites, TheTwoCommandsUnlockFirst)
{
    MonitorRig rig;
    rig.Add(3, Model::C);
    ConnectAndRead(rig, 3);
    const size_t at = rig.Log.Sent.size();
    rig.Engine->ClearBt1Click(true);
    ASSERT_TRUE(rig.RunRequests(4));
    const auto writes = Writes(rig, at);
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes[0], std::make_tuple(0x06, 0x472A, 0x6B2E));
    EXPECT_EQ(writes[1], std::make_tuple(0x06, 0x474E, 0x6B2E));
}

TEST(MonitorWrites, ThePointerOfModelCChangesOnlyTheDisplay)
{
    MonitorRig rig;
    SimController &c = rig.Add(3, Model::C);
    c.SetNoise(false);
    c.SetProcessValue(253);
    ConnectAndRead(rig, 3);
    const size_t at = rig.Log.Sent.size();
    rig.Engine->CtrlSetCloseUp(Pc::Pointer, 2);
    EXPECT_EQ(rig.Engine->Slot(0).DecimalsCode, 2);
    ASSERT_TRUE(rig.RunRequests(20));
    EXPECT_TRUE(Writes(rig, at).empty());
    EXPECT_TRUE(rig.Engine->View(0).PvText.contains('.'));
    EXPECT_EQ(rig.Engine->Slot(0).DecimalsCode, 2);
}

TEST(MonitorWrites, CalibrationReadOutUnlocksAndShowsTheCalibrationControls)
{
    for (Model model : {Model::A, Model::B}) {
        MonitorRig rig;
        rig.Add(1, model);
        ConnectAndRead(rig, 1);
        const size_t at = rig.Log.Sent.size();
        rig.Engine->PassEditEntered(MonitorEngine::AccessCode::Calibration);
        ASSERT_TRUE(rig.RunUntil([&] { return rig.Engine->Page().CalibrationShown; }));
        const auto writes = Writes(rig, at);
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(std::get<1>(writes[0]), model == Model::A ? 0x471B : 0x472A);
        EXPECT_EQ(rig.Engine->Page()[Pc::mVOfs].Visible, model != Model::A);
        std::vector<int> calibration;
        for (size_t i = at; i < rig.Log.Sent.size(); ++i) {
            if (rig.Log.Sent[i].Register >= 0x4720 && rig.Log.Sent[i].Register != 0x4720 + 0x11)
                calibration.push_back(rig.Log.Sent[i].Register);
        }
        // Model A reads its calibration at step 20 only; B also at step 21.
        const bool step21 = std::find(calibration.begin(), calibration.end(), 0x4737) != calibration.end();
        EXPECT_EQ(step21, model != Model::A);
    }
}

// ---- transfers ---------------------------------------------------------------

TEST(MonitorTransfers, UploadFromModelAUnlocksThenReadsTheBlock)
{
    MonitorRig rig;
    SimController &c = rig.Add(1, Model::A);
    ConnectAndRead(rig, 1);
    const size_t at = rig.Log.Sent.size();
    ASSERT_EQ(rig.Engine->UPLOAD1Click("UPLOAD"), MonitorEngine::TransferStart::Started);
    EXPECT_TRUE(rig.Engine->ProgressShown());
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Uploads == 1; }, 300'000));
    EXPECT_EQ(rig.Log.Sent[at].Register, 0x471B);
    EXPECT_EQ(rig.Log.Sent[at].Value, 0x6B2E);
    for (size_t i = at + 1; i < at + 257; ++i)
        EXPECT_EQ(rig.Log.Sent[i].Register, 0x472F) << i;
    EXPECT_FALSE(rig.Engine->ProgressShown());
    EXPECT_TRUE(rig.Engine->BufferValid());
    EXPECT_TRUE(rig.Engine->Menus().WriteAll);
    const ParameterImage &image = rig.Engine->Buffer();
    EXPECT_EQ(image.ModelLetter(), 'A');
    EXPECT_TRUE(image.CheckByteValid());
    const auto block = c.ParameterBlock();
    EXPECT_TRUE(std::equal(block.begin(), block.end(), image.Bytes.begin()));
}

TEST(MonitorTransfers, UploadOfModelAWithWritingOffIsRefused)
{
    MonitorRig rig;
    rig.Add(1, Model::A).SetComWriteEnabled(false);
    ConnectAndRead(rig, 1);
    EXPECT_EQ(rig.Engine->UPLOAD1Click("UPLOAD"), MonitorEngine::TransferStart::WriteDisabled);
    EXPECT_EQ(rig.Engine->DOWNLOAD1Click(false, "WRITE", rig.Engine->DownloadTarget()), MonitorEngine::TransferStart::WriteDisabled);
}

TEST(MonitorTransfers, ABufferCopiedFromOneControllerIntoAnother)
{
    MonitorRig rig;
    SimController &source = rig.Add(2, Model::B);
    SimController &target = rig.Add(4, Model::B);
    source.SetNoise(false);
    target.SetNoise(false);
    ASSERT_TRUE(source.Poke(0x4704, 4321));
    ASSERT_TRUE(source.Poke(0x470D, 77));
    ASSERT_TRUE(source.Poke(0x4720, 5));
    ConnectAndRead(rig, 2);
    ASSERT_EQ(rig.Engine->UPLOAD1Click("UPLOAD"), MonitorEngine::TransferStart::Started);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Uploads == 1; }, 300'000));

    rig.Addresses[0] = 4;
    rig.Engine->ComAddr0Change(0, rig.Addresses);
    ASSERT_TRUE(rig.RunRequests(30));
    const size_t at = rig.Log.Sent.size();
    ASSERT_EQ(rig.Engine->DOWNLOAD1Click(false, "WRITE TO SELECTED DEVICE", rig.Engine->DownloadTarget()), MonitorEngine::TransferStart::Started);
    ASSERT_TRUE(rig.RunUntil([&] { return !rig.Engine->TransferRunning(); }, 300'000));
    EXPECT_TRUE(rig.TransferFailures.isEmpty());
    for (int reg : {0x4704, 0x470D, 0x4720})
        EXPECT_EQ(target.Peek(reg), source.Peek(reg)) << std::hex << reg;
    // 99 steps less the seven skipped, and an unlock before each of the 60 block writes.
    EXPECT_EQ(Writes(rig, at).size(), 99u - 7u + 60u);
    EXPECT_FALSE(rig.Engine->ProgressShown());
}

TEST(MonitorTransfers, WriteAllReachesEveryControllerWithBroadcasts)
{
    MonitorRig rig;
    SimController &source = rig.Add(2, Model::B);
    SimController &other1 = rig.Add(5, Model::B);
    SimController &other2 = rig.Add(6, Model::B);
    for (SimController *c : {&source, &other1, &other2})
        c->SetNoise(false);
    ASSERT_TRUE(source.Poke(0x4706, 1111));
    source.SetParameterByte(130, 0x5A);  // a block byte only the block writes carry
    ConnectAndRead(rig, 2);
    ASSERT_EQ(rig.Engine->UPLOAD1Click("UPLOAD"), MonitorEngine::TransferStart::Started);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Uploads == 1; }, 300'000));
    const size_t at = rig.Log.Sent.size();
    ASSERT_EQ(rig.Engine->DOWNLOAD1Click(true, "WRITE TO ALL CONNECTED DEVICE", rig.Engine->DownloadTarget()), MonitorEngine::TransferStart::Started);
    ASSERT_TRUE(rig.RunUntil([&] { return !rig.Engine->TransferRunning(); }, 600'000));
    size_t broadcast = 0;
    for (size_t i = at; i < rig.Log.Sent.size() && rig.Log.Sent[i].Function == 0x06; ++i) {
        EXPECT_EQ(rig.Log.Sent[i].Station, 0) << i;
        ++broadcast;
    }
    EXPECT_EQ(broadcast, 99u - 7u + 60u);
    for (SimController *c : {&other1, &other2}) {
        EXPECT_EQ(c->Peek(0x4706), 1111);
        EXPECT_EQ(c->ParameterBlock()[130], 0x5A);
    }
}

class FakeRampEditor : public RampTransferClient {
public:
    void RampReadProgress(int parameterPairs, int rampPairs) override { Progress.emplace_back(parameterPairs, rampPairs); }
    void RampReadDone(const std::array<std::uint8_t, 256> &parameters, const std::array<std::uint8_t, 260> &ramp) override
    {
        Parameters = parameters;
        Ramp = ramp;
        ++Done;
    }
    int RampWriteValue(int index) override { return Values.at(static_cast<size_t>(index)); }
    void RampWriteProgress(int written) override { Written = written; }
    void RampTransferFailed() override { ++Failed; }

    std::vector<std::pair<int, int>> Progress;
    std::array<std::uint8_t, 256> Parameters{};
    std::array<std::uint8_t, 260> Ramp{};
    std::vector<int> Values = std::vector<int>(153, 0);
    int Done = 0;
    int Written = 0;
    int Failed = 0;
};

TEST(MonitorTransfers, RampSoakProgramReadAndWritten)
{
    MonitorRig rig;
    SimController &c = rig.Add(2, Model::B);
    ConnectAndRead(rig, 2);
    FakeRampEditor editor;
    const size_t at = rig.Log.Sent.size();
    ASSERT_TRUE(rig.Engine->StartRampRead(editor));
    EXPECT_FALSE(rig.Engine->StartRampRead(editor));  // one transfer at a time
    ASSERT_TRUE(rig.RunUntil([&] { return editor.Done == 1; }, 600'000));
    EXPECT_EQ(rig.Log.Sent[at].Register, 0x474C);
    EXPECT_EQ(rig.Log.Sent[at + 256].Register, 0x474D);
    const auto ramp = c.RampBlock();
    EXPECT_TRUE(std::equal(ramp.begin(), ramp.end(), editor.Ramp.begin()));
    EXPECT_EQ(editor.Ramp[256], 'B');
    EXPECT_EQ(editor.Progress.back(), std::make_pair(256, 256));
    EXPECT_EQ(rig.Uploads, 0);  // no upload message for the editor's read

    // Write: 153 registers from 0x4767 on, in order.
    for (int i = 0; i < 153; ++i)
        editor.Values[static_cast<size_t>(i)] = i < 25 ? (i % 8) : (i % 2 ? 0xFF9C : 30);
    editor.Values[0] = 1;
    const size_t written = rig.Log.Sent.size();
    ASSERT_TRUE(rig.Engine->StartRampWrite(editor));
    ASSERT_TRUE(rig.RunUntil([&] { return editor.Written == 153; }, 600'000));
    const auto writes = Writes(rig, written);
    ASSERT_EQ(writes.size(), 153u);
    for (int i = 0; i < 153; ++i)
        EXPECT_EQ(std::get<1>(writes[static_cast<size_t>(i)]), 0x4767 + i) << i;
    EXPECT_EQ(c.Peek(0x4792), 0xFF9C);  // SetValue[9]
    EXPECT_EQ(c.Peek(0x47FF), 30);      // ExecuteTime[63]
    EXPECT_EQ(editor.Failed, 0);
}

TEST(MonitorTransfers, ATransferThatCannotFinishIsEndedAndSaidSo)
{
    MonitorRig rig;
    SimController &c = rig.Add(2, Model::B);
    ConnectAndRead(rig, 2);
    FakeRampEditor editor;
    ASSERT_TRUE(rig.Engine->StartRampRead(editor));
    ASSERT_TRUE(rig.RunRequests(40));
    c.Faults().Add({Fault::Silence});
    ASSERT_TRUE(rig.RunUntil([&] { return editor.Failed == 1; }, 60'000));
    EXPECT_EQ(editor.Done, 0);

    // The monitor's own upload likewise, when the selection changes.
    MonitorRig rig2;
    rig2.Add(1, Model::B);
    rig2.Add(2, Model::B);
    rig2.Connect(0, 1);
    rig2.Connect(1, 2);
    ASSERT_TRUE(rig2.RunUntil([&] { return rig2.Engine->Page().Shown; }, 60'000));
    ASSERT_EQ(rig2.Engine->UPLOAD1Click("UPLOAD"), MonitorEngine::TransferStart::Started);
    ASSERT_TRUE(rig2.RunRequests(30));
    rig2.Engine->Adr0LbClick(1);
    EXPECT_EQ(rig2.TransferFailures, QStringList{"UPLOAD"});
    EXPECT_FALSE(rig2.Engine->ProgressShown());
    EXPECT_FALSE(rig2.Engine->BufferValid());
}

// ---- model C security ------------------------------------------------------------

TEST(MonitorSecurity, ALevelChangeAsksForThePasswordAndTheControllerDecides)
{
    struct Case { const char *Name; int Password; int Level; } cases[] = {
        {"right password", 0x1111, 8},
        {"wrong password", 0x1234, 1},
    };
    for (const Case &k : cases) {
        MonitorRig rig;
        SimController &c = rig.Add(3, Model::C);
        c.SetSecurity(1, 1);  // all locked, level-1 key on
        rig.Connect(0, 3);
        ASSERT_TRUE(rig.RunUntil([&] { return rig.Engine->Page().Shown; }, 60'000));
        EXPECT_EQ(rig.Engine->Security().LevelItem, 3);
        EXPECT_TRUE(rig.Engine->Security().LevelEnabled);
        rig.Engine->SLevelClick(0);  // "Unlock All"
        ASSERT_TRUE(rig.RunUntil([&] { return rig.Asked == 1; }, 60'000)) << k.Name;
        const size_t at = rig.Log.Sent.size();
        rig.Engine->PasswordEntered(k.Password);
        ASSERT_TRUE(rig.RunRequests(30)) << k.Name;
        const auto writes = Writes(rig, at);
        ASSERT_FALSE(writes.empty()) << k.Name;
        EXPECT_EQ(writes[0], std::make_tuple(0x06, 0x106B, k.Password)) << k.Name;
        EXPECT_EQ(writes.size(), 1u) << k.Name;  // a password is never repeated
        EXPECT_EQ(c.SecurityLevel(), k.Level) << k.Name;
        ASSERT_TRUE(rig.RunUntil([&] { return rig.Engine->Slot(0).SecurityLevel == k.Level; })) << k.Name;
        EXPECT_EQ(rig.Engine->Security().LevelItem, k.Level == 8 ? 0 : 3) << k.Name;
    }
}

TEST(MonitorSecurity, KeyChangesAndCancelledPasswords)
{
    MonitorRig rig;
    SimController &c = rig.Add(3, Model::C);
    c.SetSecurity(8, 3);  // keys 1 and 2 on
    rig.Connect(0, 3);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Engine->Page().Shown; }, 60'000));
    EXPECT_EQ(rig.Engine->Security().KeyItems, (std::array<int, 3>{1, 1, 0}));
    // Opened and closed without a change: nothing asked, the display follows again.
    rig.Engine->Pass3DropDown();
    rig.Engine->Pass1CloseUp(1, 1);
    EXPECT_EQ(rig.Asked, 0);
    // Level 2 key off: the password of key 2 goes to 0x106F.
    rig.Engine->Pass3DropDown();
    rig.Engine->Pass1CloseUp(1, 0);
    EXPECT_EQ(rig.Asked, 1);
    rig.Engine->PasswordEntered(std::nullopt);  // cancelled: nothing is written
    const size_t at = rig.Log.Sent.size();
    ASSERT_TRUE(rig.RunRequests(20));
    EXPECT_TRUE(Writes(rig, at).empty());
    EXPECT_EQ(rig.Engine->Security().KeyItems, (std::array<int, 3>{1, 1, 0}));

    rig.Engine->Pass3DropDown();
    rig.Engine->Pass1CloseUp(1, 0);
    rig.Engine->PasswordEntered(0x2222);
    ASSERT_TRUE(rig.RunUntil([&] { return c.LevelKeys() == 1; }, 60'000));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Engine->Security().KeyItems[1] == 0; }, 60'000));
    const auto writes = Writes(rig, at);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0], std::make_tuple(0x06, 0x106F, 0x2222));
}

} // namespace
