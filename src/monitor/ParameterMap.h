// The controller parameters the editor knows: for every control of the
// parameter page its caption, list items, register per model, display
// decimals, input scale and whether the unlock write goes first. One table,
// read by the page filling, the visibility and enabling rules and the writes.
#pragma once

#include "MonitorSlot.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

enum class Pc {
    // Edit fields.
    SV, RangeHi, RangeLo, Pb, Ti, Td, IOffset, PDOffset, HCPeriodPID1, HCPeriod1, HCPeriodPID2, HCPeriod2, Coeff,
    DeadBand1, DeadBand2, Hyst1, Hyst2, OUTQ1, OUTQ2, CurrHi, CurrLo, UpLimit1, DnLimit1, UpLimit2, DnLimit2,
    UpLimit3, DnLimit3, PVTune, ColdJ, RTDOfs, RTDGain, TCOfs, TCGain, mVOfs, mVGain,
    // Lists.
    CtrlSet, RunStop, HeatCool, Out1Sel, Out2Sel, ComWrite, LockStatus, AT, InputA, InputB, Unit, Pointer, ProgDisp,
    ALM1Mode, ALM2Mode, ALM3Mode, SALMode, OutputType1, OutputType2,
    Count
};
inline constexpr int ParamControlCount = static_cast<int>(Pc::Count);

enum class ControlKind { Edit, List };

// The group boxes of the page; the controls outside them are on the page itself.
enum class PageBox { None, CtrlBox, TempBox, PIDBox, OnOffBox, ManuBox, AlmBox, AdjustBox };

inline constexpr int NoRegister = -1;
inline constexpr int SlotDecimals = -1;  // the display decimals of the slot

struct ParamControl {
    Pc Id;
    const char *Name;       // objectName of the control
    const char *LabelName;  // objectName of its label panel
    const char *Label;      // the label's caption
    ControlKind Kind;
    int RegisterA;          // NoRegister: model A has none
    int RegisterBC;         // models B and C
    int DecimalsA, DecimalsBC;  // display decimals code, or SlotDecimals
    int ScaleA, ScaleBC;    // typed input: 10 tenths, 1 whole units, 100 hundredths
    bool Unlock;            // the unlock write goes first
    PageBox Box;
    QStringList Items;      // lists
};

const ParamControl &Control(Pc id);
const std::array<ParamControl, ParamControlCount> &ParamControls();
// The control with that objectName, if any.
std::optional<Pc> ControlByName(const QString &name);
bool IsCalibrationControl(Pc id);

// The register of a control for a model; NoRegister when the model has none
// (model C keeps its decimal point at the front panel only).
int RegisterFor(Pc id, std::uint8_t model);
int DecimalsFor(Pc id, const MonitorSlot &slot);

// The alarm mode items, shared by the three alarm lists.
const QStringList &AlarmModeItems();

// The monitor's fixed registers and values.
inline constexpr int MonitorUnlockCode = 0x6B2E;
inline constexpr int NoRegisterMark = 0x4700;
inline int UnlockRegister(std::uint8_t model) { return model == ModelA ? 0x471B : 0x472A; }
inline int RestoreDefaultRegister(std::uint8_t model) { return model == ModelA ? 0x4724 : 0x474E; }
inline int ClearAdjustRegister(std::uint8_t model) { return model == ModelA ? 0x4725 : 0x474F; }
