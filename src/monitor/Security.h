// Model C security: the level and the three level keys the controller
// reports, what a change of level or key on the page asks for, the rules of
// the 4-hex-digit password, and the hidden codes of the firmware panel.
#pragma once

#include <QString>

#include <array>
#include <optional>

inline constexpr int SecurityStatusRegister = 0x4751;
inline constexpr int LevelPasswordRegister = 0x106B;  // + item 0-2; "All Lock" too
inline constexpr int KeyPasswordRegister = 0x106E;    // + key list 0-2

// The items of `SLevel`, in order: level 8, 4, 2, 1.
inline constexpr int UnlockAllItem = 0;
inline constexpr int AllLockItem = 3;
extern const std::array<QString, 4> SLevelItemTexts;  // "Unlock All" ... "All Lock"

struct SecurityStatus {
    int SecurityLevel = 0;  // 8, 4, 2 or 1
    int LevelKeys = 0;      // bits 0-2: level keys 1-3 enabled
};

// Status word w0 of register 0x4751: level (w0 >> 3) AND 0x0F, keys w0 AND 7.
SecurityStatus DecodeSecurityStatus(int word);

// The `SLevel` item that shows a level: 3 when bit 0 is set, else 2 for
// bit 1, 1 for bit 2, else 0.
int SLevelItem(int securityLevel);
// `SLevel` can be used only when at least one key is enabled.
bool SLevelEnabled(int levelKeys);
// The item of key list k (0-2): 1 "Enable" when key k+1 is on, else 0.
int KeyItem(int levelKeys, int list);

// What a chosen `SLevel` item asks of a controller in a given state.
struct LevelChange {
    enum class Action {
        None,          // nothing to do (already there, or no key guards it)
        AskPassword,   // ask for the password of Register
        WriteAllLock,  // write Value to Register without asking
    };
    Action What = Action::None;
    int Register = 0;
    int Value = 0;
};

// `allLockValue` is what "All Lock" writes to 0x106B (the slot's request
// count): any value but the level-1 password locks.
LevelChange DecideLevelChange(int item, const SecurityStatus &status, int allLockValue);

// Key list `list` (0-2) now shows `item`: when that differs from the item
// last shown, the register whose password is to be asked (0x106E + list).
std::optional<int> KeyChangeRegister(int list, int item, int rememberedItem);

// ---- the password text ------------------------------------------------------

inline constexpr int PasswordLength = 4;

// The text as the edit is to hold it: upper case, and cleared altogether
// when any character lies outside 0-9 and A-F.
QString FilterPasswordText(const QString &text);
// OK is enabled at exactly four characters.
bool PasswordComplete(const QString &text);
// The dialog may close with this text: empty (nothing is written) or
// complete. Anything between is refused.
bool PasswordClosable(const QString &text);
// The 16-bit value of four hex digits, first digit highest; nothing for
// any other text.
std::optional<int> PasswordValue(const QString &text);

// ---- hidden codes -------------------------------------------------------------

enum class HiddenCode {
    Calibration,     // "RWN"
    DiagnosticsOn,   // "trace on"
    DiagnosticsOff,  // "trace off"
    Other,
};

// The whole text, case-sensitive.
HiddenCode ClassifyHiddenCode(const QString &text);
