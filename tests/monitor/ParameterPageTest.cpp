// The parameter page: what the read-out steps put into the controls, which
// controls each model shows, when the page may be written, and what the
// user's changes turn into.
#include "MessageTable.h"
#include "ParameterPage.h"
#include "ParameterWrites.h"

#include <gtest/gtest.h>

namespace {

MonitorSlot SlotOf(std::uint8_t model, int comWrite = 1, int level = 8)
{
    MonitorSlot slot;
    slot.SlotModel = model;
    slot.ComWriteEnabled = comWrite;
    slot.SecurityLevel = level;
    slot.DecimalsCode = 1;
    return slot;
}

TEST(ParameterPage, VisibilityByModel)
{
    struct Case {
        const char *Name;
        MonitorSlot Slot;
        std::vector<Pc> Shown, Hidden;
        QString HeatCoolLabel;
        bool Security;
    };
    MonitorSlot b0 = SlotOf(ModelB);
    b0.HeatCoolCode = 0;
    MonitorSlot b2 = SlotOf(ModelB);
    b2.HeatCoolCode = 2;
    MonitorSlot cAlarmHeat = SlotOf(ModelC);
    cAlarmHeat.Output1Function = 2;
    cAlarmHeat.Output2Function = 0;
    MonitorSlot cHeatCool = SlotOf(ModelC);
    cHeatCool.Output1Function = 0;
    cHeatCool.Output2Function = 1;
    const Case cases[] = {
        {"A", SlotOf(ModelA),
         {Pc::ALM1Mode, Pc::UpLimit2, Pc::HCPeriod1, Pc::OUTQ1, Pc::HeatCool, Pc::ComWrite, Pc::InputA},
         {Pc::ALM3Mode, Pc::SALMode, Pc::Pointer, Pc::HCPeriod2, Pc::DeadBand1, Pc::Coeff, Pc::InputB, Pc::Out1Sel},
         "Heat/Cool", false},
        {"B single output", b0, {Pc::ALM3Mode, Pc::UpLimit3, Pc::SALMode, Pc::Pointer, Pc::InputB},
         {Pc::HCPeriod2, Pc::OUTQ2, Pc::Hyst2, Pc::DeadBand1, Pc::DeadBand2, Pc::Coeff}, "Heat/Cool", false},
        {"B heat and cool", b2, {Pc::HCPeriod2, Pc::OUTQ2, Pc::Hyst2, Pc::DeadBand1, Pc::Coeff},
         {Pc::ALM3Mode, Pc::UpLimit3, Pc::DnLimit3}, "Heat/Cool", false},
        {"C alarm and heat", cAlarmHeat, {Pc::ALM1Mode, Pc::UpLimit1, Pc::HCPeriod2, Pc::Out1Sel, Pc::Out2Sel},
         {Pc::HCPeriod1, Pc::OUTQ1, Pc::Hyst1, Pc::DeadBand1, Pc::Coeff, Pc::ALM2Mode, Pc::HeatCool, Pc::ComWrite},
         "Out1", true},
        {"C heat and cool", cHeatCool, {Pc::DeadBand1, Pc::DeadBand2, Pc::Coeff, Pc::HCPeriod1, Pc::HCPeriod2},
         {Pc::ALM1Mode, Pc::ALM2Mode, Pc::ALM3Mode, Pc::SALMode}, "Out1", true},
    };
    for (const Case &c : cases) {
        ParameterPage page;
        PageMenus menus;
        page.Refresh(c.Slot, false, menus);
        for (Pc id : c.Shown)
            EXPECT_TRUE(page[id].Visible) << c.Name << " " << Control(id).Name;
        for (Pc id : c.Hidden)
            EXPECT_FALSE(page[id].Visible) << c.Name << " " << Control(id).Name;
        EXPECT_EQ(page.HeatCoolLabel, c.HeatCoolLabel) << c.Name;
        EXPECT_EQ(page.SecurityVisible, c.Security) << c.Name;
    }
}

TEST(ParameterPage, EnablingByWritePermissionAndSecurityLevel)
{
    struct Case {
        const char *Name;
        MonitorSlot Slot;
        bool Boxes, Sv, At, Blanked;
        int LockItem;  // -1: not set by the rule
        bool Upload, RampSoak;
    } cases[] = {
        {"A writing on", SlotOf(ModelA, 1), true, true, true, false, -1, true, false},
        {"A writing off", SlotOf(ModelA, 0), false, false, false, false, -1, true, false},
        {"B writing off", SlotOf(ModelB, 0), false, false, false, false, -1, true, true},
        {"C unlock all", SlotOf(ModelC, 1, 8), true, true, true, false, -1, true, true},
        {"C read all, SV, AT", SlotOf(ModelC, 1, 4), false, true, true, false, -1, true, true},
        {"C PV, SV", SlotOf(ModelC, 1, 2), false, true, false, true, 2, false, false},
        {"C all lock", SlotOf(ModelC, 1, 1), false, false, false, true, 1, false, false},
    };
    for (const Case &c : cases) {
        ParameterPage page;
        page[Pc::Pb].Text = QStringLiteral("12.0");
        PageMenus menus;
        page.Refresh(c.Slot, false, menus);
        EXPECT_EQ(page.BoxesEnabled, c.Boxes) << c.Name;
        EXPECT_EQ(page[Pc::SV].Enabled, c.Sv) << c.Name;
        EXPECT_EQ(page[Pc::AT].Enabled, c.At) << c.Name;
        EXPECT_EQ(page.Blanked, c.Blanked) << c.Name;
        if (c.Blanked) {
            EXPECT_EQ(page[Pc::Pb].Text, "?") << c.Name;
            EXPECT_EQ(page[Pc::ALM1Mode].Item, -1) << c.Name;
            EXPECT_EQ(page[Pc::ALM1Mode].Text, "?") << c.Name;
            EXPECT_TRUE(page[Pc::RangeHi].Text.isEmpty()) << c.Name;
            EXPECT_EQ(page[Pc::LockStatus].Item, c.LockItem) << c.Name;
        } else {
            EXPECT_EQ(page[Pc::Pb].Text, "12.0") << c.Name;
        }
        EXPECT_EQ(menus.Upload, c.Upload) << c.Name;
        EXPECT_EQ(menus.RampSoak, c.RampSoak) << c.Name;
    }
}

TEST(ParameterPage, ReadOutSteps)
{
    ParameterPage page;
    MonitorSlot a = SlotOf(ModelA);
    a.FirmwareVersion = 0x0112;
    a.AutoTuning = 1;
    // Model A lock register: 0 is "Normal", 2 "Lock All", 4 "Not SV".
    for (auto [word, item] : {std::pair{0, 0}, {2, 1}, {4, 2}}) {
        page.ReadOut(10, a, 0, {word});
        EXPECT_EQ(page[Pc::LockStatus].Item, item) << word;
    }
    EXPECT_EQ(page.FirmwareCaption, "F/W Version 1.12");
    EXPECT_EQ(page[Pc::AT].Item, 1);
    // Step 11: input type 3 carries tenths; PD offset is read in whole units.
    page.ReadOut(11, a, 0, {3, 2, 20, 5, 0xFFFB, 1, 2, 1});
    EXPECT_EQ(a.DecimalsCode, 1);
    EXPECT_EQ(page[Pc::InputA].Item, 3);
    EXPECT_EQ(page[Pc::PDOffset].Text, "5.0");
    EXPECT_EQ(page[Pc::PVTune].Text, "- 0.5");
    EXPECT_EQ(page[Pc::HCPeriodPID1].Text, "20");
    page.ReadOut(12, a, 0, {1, 1, 1, 0, 0, 0, 0, 0});
    EXPECT_EQ(page.FrontBox, ParameterPage::Front::Manual);
    EXPECT_FALSE(page[Pc::AT].Visible);
    EXPECT_EQ(page[Pc::HeatCool].Item, 1);
    // Ti of 0 puts "PD Offset" in front.
    page.ReadOut(13, a, 0, {100, 0, 30, 5, 90, 10, 3, 0});
    EXPECT_TRUE(page.PdOffsetFront);
    EXPECT_EQ(page[Pc::IOffset].Text, "3.0");
    a.Output1Level = 420;
    const auto end = page.ReadOut(14, a, 0, {250, 300, 200, 310, 190, 4000, 0});
    EXPECT_TRUE(end.Completed);
    EXPECT_EQ(page[Pc::SV].Text, "25.0");
    EXPECT_EQ(page[Pc::RangeHi].Text, "400.0");
    EXPECT_EQ(page[Pc::OUTQ1].Text, "42");  // whole percent on model A
    EXPECT_TRUE(page.ReadOut(20, a, 0, {1, 2, 3, 4, 0, 0, 6, 7}).StepBecomes21);

    // Model B: decimal point 0 with a temperature unit shows whole degrees.
    MonitorSlot b = SlotOf(ModelB);
    page.ReadOut(10, b, 1, {3, 4, 5, 1, 1, 0, 1, 0});
    EXPECT_EQ(b.DecimalsCode, 255);
    EXPECT_EQ(page.ParameterValues[1], 1);  // run/stop of slot 1
    EXPECT_EQ(page[Pc::ALM3Mode].Item, 5);
    page.ReadOut(12, b, 1, {2, 0, 2, 10, 20, 3, 11, 1});
    EXPECT_EQ(page[Pc::LockStatus].Item, 2);  // 11 is "Not SV"
    EXPECT_EQ(b.HeatCoolCode, 2);
    // A code no list item has is shown as itself, never as another item.
    page.ReadOut(10, b, 1, {99, 4, 5, 1, 1, 0, 1, 0});
    EXPECT_EQ(page[Pc::ALM1Mode].Item, -1);
    EXPECT_EQ(page[Pc::ALM1Mode].Text, "99");
}

TEST(ParameterWrites, TypedValues)
{
    struct Case {
        const char *Name;
        std::uint8_t Model;
        int ComWrite;
        Pc Control;
        const char *Text;
        bool Write, Unlock, Refresh;
        int Register, Value;
        QString Message;
    } cases[] = {
        {"PV offset on B", ModelB, 1, Pc::PVTune, "-5.0", true, true, false, 0x471D, 0xFFCE, {}},
        {"set value", ModelA, 1, Pc::SV, "12.5", true, false, false, 0x4701, 125, {}},
        {"Ti whole seconds", ModelB, 1, Pc::Ti, "12.5", true, false, false, 0x470D, 12, {}},
        {"coefficient hundredths", ModelC, 1, Pc::Coeff, "0.35", true, false, false, 0x4711, 35, {}},
        {"I offset A whole", ModelA, 1, Pc::IOffset, "7.9", true, false, false, 0x470E, 7, {}},
        {"I offset B tenths", ModelB, 1, Pc::IOffset, "7.9", true, false, false, 0x470F, 79, {}},
        {"letters", ModelB, 1, Pc::SV, "abc", false, false, true, NoRegisterMark, 0, {}},
        {"too large to hold", ModelB, 1, Pc::SV, "4000.0", false, false, true, NoRegisterMark, 0, {}},
        {"A has no hysteresis 2", ModelA, 1, Pc::Hyst2, "1.0", false, false, false, NoRegisterMark, 10,
         MessageTable::WrongModelText},
        {"writing disabled", ModelB, 0, Pc::SV, "10", false, false, false, 0x4701, 100, MessageTable::WrongModelText},
        {"writing disabled, unlock still sent", ModelB, 0, Pc::PVTune, "1", false, true, false, 0x471D, 10,
         MessageTable::WrongModelText},
    };
    for (const Case &c : cases) {
        const WriteDecision d = TypedValue(c.Control, QString::fromLatin1(c.Text), SlotOf(c.Model, c.ComWrite));
        EXPECT_EQ(d.Write, c.Write) << c.Name;
        EXPECT_EQ(d.Unlock, c.Unlock) << c.Name;
        EXPECT_EQ(d.Refresh, c.Refresh) << c.Name;
        if (!c.Refresh) {
            EXPECT_EQ(d.Register, c.Register) << c.Name;
            EXPECT_EQ(d.Value, c.Value) << c.Name;
        }
        EXPECT_EQ(d.Message, c.Message) << c.Name;
    }
}

TEST(ParameterWrites, ListChoicesAndCommands)
{
    struct Case {
        const char *Name;
        std::uint8_t Model;
        int ComWrite;
        Pc Control;
        int Item;
        bool Write, Unlock;
        int Register, Value;
    } cases[] = {
        {"not SV on B", ModelB, 1, Pc::LockStatus, 2, true, false, 0x471E, 11},
        {"enable writing on A while off", ModelA, 0, Pc::ComWrite, 1, true, false, 0x471A, 1},
        {"enable writing on B while off", ModelB, 0, Pc::ComWrite, 1, true, false, 0x4726, 1},
        {"other list while off", ModelB, 0, Pc::CtrlSet, 1, false, false, 0x4719, 1},
        {"output type needs the unlock", ModelC, 1, Pc::OutputType1, 2, true, true, 0x4730, 2},
        {"A has no alarm 3", ModelA, 1, Pc::ALM3Mode, 2, false, false, NoRegisterMark, 2},
    };
    for (const Case &c : cases) {
        const WriteDecision d = ListChoice(c.Control, c.Item, SlotOf(c.Model, c.ComWrite));
        EXPECT_EQ(d.Write, c.Write) << c.Name;
        EXPECT_EQ(d.Unlock, c.Unlock) << c.Name;
        EXPECT_EQ(d.Register, c.Register) << c.Name;
        EXPECT_EQ(d.Value, c.Value) << c.Name;
    }
    // Model C keeps its decimal point at the front panel: only the display follows.
    const WriteDecision pointer = ListChoice(Pc::Pointer, 2, SlotOf(ModelC));
    EXPECT_FALSE(pointer.Write);
    EXPECT_EQ(pointer.Decimals, 2);
    EXPECT_TRUE(pointer.Refresh);

    const WriteDecision restore = CommandWrite(true, SlotOf(ModelC, 0));
    EXPECT_TRUE(restore.Write);
    EXPECT_TRUE(restore.Unlock);
    EXPECT_EQ(restore.Register, 0x474E);
    EXPECT_EQ(restore.Value, MonitorUnlockCode);
    const WriteDecision clear = CommandWrite(false, SlotOf(ModelA, 1));
    EXPECT_EQ(clear.Register, 0x4725);
    EXPECT_FALSE(CommandWrite(false, SlotOf(ModelB, 0)).Write);
}

} // namespace
