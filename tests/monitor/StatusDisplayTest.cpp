// Value texts, lights and outputs of the status display, and what the
// status steps store.
#include "MessageTable.h"
#include "StatusDecoding.h"
#include "StatusDisplay.h"
#include "StepTable.h"

#include <gtest/gtest.h>

namespace {

TEST(ScaledValueText, ByDecimalsCode)
{
    struct Case { int Value, Code; const char *Text; } cases[] = {
        {1234, 1, "123.4"}, {1234, 255, "123"}, {1235, 255, "124"}, {0xFFF6, 1, "- 1.0"}, {5, 2, "0.05"},
        {999, 255, "100"},  {0, 1, "0.0"},     {7, 0, "7"},         {12345, 3, "12.345"}, {-25, 1, "- 2.5"},
        {0x8000, 0, "- 32768"}, {100, 4, ""},  {100, -1, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ScaledValueText(c.Value, c.Code), QString::fromLatin1(c.Text)) << c.Value << " " << c.Code;
}

TEST(StatusDisplay, FaultWordsReplaceTheProcessValue)
{
    struct Case { int Code; QString Text; } cases[] = {
        {0x8001, MessageTable::WaitingText},    {0x8002, MessageTable::WaitingText},
        {0x8003, MessageTable::NoConnectText},  {0x8004, MessageTable::InputErrorText},
        {0x8005, MessageTable::OverRangeText},  {0x8006, MessageTable::InputErrorText},
        {0x8007, MessageTable::MemoryFailText}, {0x8008, QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PvFaultText(c.Code), c.Text) << c.Code;
    EXPECT_EQ(FirmwareText(0x0112), "F/W Version 1.12");
    EXPECT_EQ(FirmwareText(0x031A), "F/W Version 3.1A");
}

TEST(StatusDisplay, ModelALedBytesAreBroughtToTheCommonLayout)
{
    struct Case { std::uint8_t Model; int Byte; bool Alarm1, Alarm2, Alarm3, Out2; const char *Unit; } cases[] = {
        {ModelA, 0x10, false, true, false, false, "EU"},
        {ModelA, 0x20, true, false, false, true, "EU"},
        {ModelA, 0x04, false, false, false, false, "F"},
        {ModelA, 0x08, false, false, false, false, "C"},
        {ModelA, 0x01, false, false, true, false, "EU"},
        {ModelB, 0x10, true, false, false, false, "EU"},
        {ModelB, 0x06, false, true, false, false, "C"},
        {ModelC, 0x28, false, false, false, true, "F"},
    };
    for (const Case &c : cases) {
        const LedLights l = DecodeLeds(CommonLedByte(c.Model, c.Byte));
        const std::string name = std::string(1, char(c.Model)) + " " + std::to_string(c.Byte);
        EXPECT_EQ(l.Alarm1, c.Alarm1) << name;
        EXPECT_EQ(l.Alarm2, c.Alarm2) << name;
        EXPECT_EQ(l.Alarm3, c.Alarm3) << name;
        EXPECT_EQ(l.Out2, c.Out2) << name;
        EXPECT_EQ(UnitText(l), QString::fromLatin1(c.Unit)) << name;
    }
}

TEST(StatusDisplay, OutputsByModel)
{
    using namespace MonitorColors;
    struct Case {
        const char *Name;
        std::uint8_t Model;
        int HeatCool, F1, F2;
        bool Out1, Out2, Alarm1, Alarm2, Alarm3;
        QColor Out1Label, Out2Label;
    } cases[] = {
        {"B single output", ModelB, 0, 0, 0, true, false, true, true, true, Red, Blue},
        {"B heat/cool", ModelB, 2, 0, 0, true, true, true, true, false, Red, Blue},
        {"B cool/heat", ModelB, 3, 0, 0, true, true, true, true, false, Blue, Red},
        {"A cooling", ModelA, 1, 0, 0, true, false, true, true, false, Blue, Red},
        {"C out2 alarm", ModelC, 0, 0, 2, true, false, false, true, false, Red, Blue},
        {"C out1 alarm, out2 heat", ModelC, 0, 2, 0, false, true, true, false, false, Blue, Red},
    };
    for (const Case &c : cases) {
        MonitorSlot slot;
        slot.SlotModel = c.Model;
        slot.HeatCoolCode = c.HeatCool;
        slot.Output1Function = c.F1;
        slot.Output2Function = c.F2;
        const OutputsView v = ComputeOutputs(slot);
        EXPECT_EQ(v.Out1Visible, c.Out1) << c.Name;
        EXPECT_EQ(v.Out2Visible, c.Out2) << c.Name;
        EXPECT_EQ(v.Alarm1Visible, c.Alarm1) << c.Name;
        EXPECT_EQ(v.Alarm2Visible, c.Alarm2) << c.Name;
        EXPECT_EQ(v.Alarm3Visible, c.Alarm3) << c.Name;
        EXPECT_EQ(v.Out1Label, c.Out1Label) << c.Name;
        EXPECT_EQ(v.Out2Label, c.Out2Label) << c.Name;
    }
}

TEST(StatusDisplay, ProgramLine)
{
    MonitorSlot slot;
    slot.SetValue = 253;
    slot.ProgramDisplayValue = 300;
    slot.DecimalsCode = 1;
    EXPECT_EQ(ProgramText({0, 0, 0, 5, 3}, slot, false), "03-05");
    EXPECT_EQ(ProgramText({1, 0, 0, 0, 0}, slot, false), "25.3");
    EXPECT_EQ(ProgramText({1, 0, 0, 0, 0}, slot, true), "30.0");
    EXPECT_EQ(ProgramText({2, 3725, 125, 0, 0}, slot, false), "02:02:05");
    EXPECT_EQ(ProgramText({2, 0, 65535, 0, 0}, slot, false), "1092:00:00");  // never past two digits' room
    EXPECT_EQ(ProgramText({9, 0, 0, 0, 0}, slot, false), "");
}

TEST(StatusDecoding, WhatEachStepStores)
{
    // Model B step 2: flags word 0x21 (program running, writing enabled),
    // heat/cool code 2 in word 3.
    MonitorSlot b;
    b.SlotModel = ModelB;
    StatusEffects e = DecodeStatus(2, b, true, {0x21, 0, 0, 2});
    EXPECT_EQ(b.ProgramRunning, 1);
    EXPECT_EQ(b.ComWriteEnabled, 1);
    EXPECT_EQ(b.HeatCoolCode, 2);
    ASSERT_TRUE(e.RampSoakMenu.has_value());
    EXPECT_TRUE(*e.RampSoakMenu);

    // A process value with a fault code on model B; the SV stays.
    e = DecodeStatus(3, b, false, {0x8003, 250, 400, 0});
    EXPECT_TRUE(e.PvShown);
    EXPECT_EQ(b.PvFaultCode, 0x8003);
    EXPECT_EQ(b.Output1Level, 400);

    // Model C below level 4: its steps 4 and 6 read the LED byte alone.
    MonitorSlot c;
    c.SlotModel = ModelC;
    e = DecodeStatus(1, c, true, {0x0C});  // level 1, keys 4
    EXPECT_EQ(c.SecurityLevel, 1);
    EXPECT_EQ(c.LevelKeys, 4);
    EXPECT_FALSE(*e.UploadMenu);
    e = DecodeStatus(6, c, true, {0x44});
    EXPECT_TRUE(e.LedChanged);
    EXPECT_EQ(c.LedByte, 0x44);
    e = DecodeStatus(3, c, true, {250, 260});
    EXPECT_TRUE(e.PvShown);
    EXPECT_FALSE(e.OutputsShown);

    // Model A: a setting changed at the controller (flag bit 0 clear) asks
    // for the page again, for the selected slot only.
    MonitorSlot a;
    a.SlotModel = ModelA;
    EXPECT_TRUE(DecodeStatus(6, a, true, {0, 0, 50}).RefreshRequested);
    EXPECT_EQ(a.Output1Level, 500);
    EXPECT_FALSE(DecodeStatus(6, a, false, {0, 0, 50}).RefreshRequested);
    EXPECT_FALSE(DecodeStatus(6, a, true, {0, 1, 50}).RefreshRequested);
    // A changed run state of the selected slot likewise.
    EXPECT_TRUE(DecodeStatus(4, a, true, {0, 1, 1, 0x0110, 0, 1, 0, 0}).RefreshRequested);
    EXPECT_FALSE(DecodeStatus(4, a, true, {0, 1, 1, 0x0110, 0, 1, 0, 0}).RefreshRequested);

    // A slot of another model stores nothing.
    MonitorSlot other;
    other.SlotModel = ModelOther;
    DecodeStatus(3, other, true, {100, 200});
    EXPECT_EQ(other.ProcessValue, 0);
}

TEST(StepTable, UnrecognisedModelsReadTheFallback)
{
    for (int step : {1, 2, 4, 6, 7, 10, 99}) {
        const PollRequest r = StepRequest(step, ModelOther, 0);
        EXPECT_EQ(r.Register, 0x4700) << step;
        EXPECT_EQ(r.Count, 2) << step;
    }
    EXPECT_FALSE(StepRequest(21, ModelA, 0).Sent);
}

} // namespace
