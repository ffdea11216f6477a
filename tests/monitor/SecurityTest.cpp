// Model C security: the status word, level and key changes, the password
// text rules and the hidden codes; and a demo-like controller that changes
// level only with the right password.
#include "EventClock.h"
#include "Security.h"
#include "SimController.h"

#include <gtest/gtest.h>

namespace {

struct StatusCase {
    int Word, Level, Keys, Item;
};

class SecurityStatusWord : public ::testing::TestWithParam<StatusCase> {};

TEST_P(SecurityStatusWord, GivesLevelKeysAndItem)
{
    const StatusCase &c = GetParam();
    const SecurityStatus status = DecodeSecurityStatus(c.Word);
    EXPECT_EQ(status.SecurityLevel, c.Level);
    EXPECT_EQ(status.LevelKeys, c.Keys);
    EXPECT_EQ(SLevelItem(status.SecurityLevel), c.Item);
}

INSTANTIATE_TEST_SUITE_P(Words, SecurityStatusWord,
                         ::testing::Values(StatusCase{0x44, 8, 4, 0},   // "Unlock All", key 3
                                           StatusCase{0x41, 8, 1, 0},
                                           StatusCase{0x27, 4, 7, 1},   // "Read All, SV,AT"
                                           StatusCase{0x12, 2, 2, 2},   // "PV,SV"
                                           StatusCase{0x0B, 1, 3, 3},   // "All Lock"
                                           StatusCase{0x7F, 15, 7, 3},  // bit 0 first
                                           StatusCase{0x00, 0, 0, 0},
                                           StatusCase{0xFF44, 8, 4, 0}));  // bits above the level ignored

TEST(Security, ItemTextsAndKeyItems)
{
    EXPECT_EQ(SLevelItemTexts[0], QStringLiteral("Unlock All"));
    EXPECT_EQ(SLevelItemTexts[1], QStringLiteral("Read All, SV,AT"));
    EXPECT_EQ(SLevelItemTexts[2], QStringLiteral("PV,SV"));
    EXPECT_EQ(SLevelItemTexts[3], QStringLiteral("All Lock"));
    EXPECT_FALSE(SLevelEnabled(0));
    EXPECT_TRUE(SLevelEnabled(4));
    EXPECT_EQ(KeyItem(4, 0), 0);
    EXPECT_EQ(KeyItem(4, 1), 0);
    EXPECT_EQ(KeyItem(4, 2), 1);
    EXPECT_EQ(KeyItem(7, 3), 0);
}

struct LevelCase {
    const char *Name;
    int Item, Level, Keys;
    LevelChange::Action Action;
    int Register;
};

class LevelChangeDecision : public ::testing::TestWithParam<LevelCase> {};

TEST_P(LevelChangeDecision, ChosenItemAgainstTheControllersState)
{
    const LevelCase &c = GetParam();
    const LevelChange change = DecideLevelChange(c.Item, {c.Level, c.Keys}, 0x1234);
    EXPECT_EQ(change.What, c.Action);
    EXPECT_EQ(change.Register, c.Register);
    if (c.Action == LevelChange::Action::WriteAllLock) {
        EXPECT_EQ(change.Value, 0x1234);
    }
}

using A = LevelChange::Action;
INSTANTIATE_TEST_SUITE_P(
    Cases, LevelChangeDecision,
    ::testing::Values(LevelCase{"PvSvWithoutKey3", 2, 8, 1, A::None, 0},
                      LevelCase{"PvSvWithKey3", 2, 8, 5, A::AskPassword, 0x106D},
                      LevelCase{"PvSvAlreadyThere", 2, 2, 4, A::None, 0},
                      LevelCase{"UnlockAllWithKey1", 0, 1, 1, A::AskPassword, 0x106B},
                      LevelCase{"UnlockAllAlreadyThere", 0, 8, 7, A::None, 0},
                      LevelCase{"UnlockAllWithoutKey1", 0, 4, 6, A::None, 0},
                      LevelCase{"ReadAllWithKey2", 1, 8, 2, A::AskPassword, 0x106C},
                      LevelCase{"ReadAllWithoutKey2", 1, 8, 5, A::None, 0},
                      LevelCase{"AllLockWithAnyKey", 3, 8, 4, A::WriteAllLock, 0x106B},
                      LevelCase{"AllLockWithoutKeys", 3, 8, 0, A::None, 0},
                      LevelCase{"AllLockAlreadyThere", 3, 1, 7, A::None, 0},
                      LevelCase{"NoItem", -1, 8, 7, A::None, 0}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(Security, KeyChangeAsksForTheKeysRegister)
{
    EXPECT_EQ(KeyChangeRegister(1, 0, 1), 0x106F);  // "Level 2 Key" Enable -> Disable
    EXPECT_EQ(KeyChangeRegister(0, 1, 0), 0x106E);
    EXPECT_EQ(KeyChangeRegister(2, 1, 0), 0x1070);
    EXPECT_FALSE(KeyChangeRegister(2, 1, 1));
    EXPECT_FALSE(KeyChangeRegister(3, 1, 0));
    EXPECT_FALSE(KeyChangeRegister(-1, 1, 0));
}

struct TextCase {
    const char *Typed;
    const char *Kept;
};

class PasswordText : public ::testing::TestWithParam<TextCase> {};

TEST_P(PasswordText, UpperCaseAndClearedOnAnyOtherCharacter)
{
    EXPECT_EQ(FilterPasswordText(QString::fromUtf8(GetParam().Typed)), QString::fromUtf8(GetParam().Kept));
}

INSTANTIATE_TEST_SUITE_P(Texts, PasswordText,
                         ::testing::Values(TextCase{"1a2f", "1A2F"}, TextCase{"09AF", "09AF"},
                                           TextCase{"12G", ""}, TextCase{"1 2", ""}, TextCase{"-1", ""},
                                           TextCase{"ab", "AB"}, TextCase{"\xC3\xA9", ""}, TextCase{"", ""}));

TEST(Security, PasswordCompletenessAndValue)
{
    EXPECT_FALSE(PasswordComplete(QStringLiteral("123")));
    EXPECT_TRUE(PasswordComplete(QStringLiteral("1234")));
    EXPECT_TRUE(PasswordClosable(QString()));
    EXPECT_FALSE(PasswordClosable(QStringLiteral("1")));
    EXPECT_FALSE(PasswordClosable(QStringLiteral("ABC")));
    EXPECT_TRUE(PasswordClosable(QStringLiteral("ABCD")));
    EXPECT_EQ(PasswordValue(QStringLiteral("1111")), 0x1111);
    EXPECT_EQ(PasswordValue(QStringLiteral("A0F3")), 0xA0F3);
    EXPECT_EQ(PasswordValue(QStringLiteral("FFFF")), 0xFFFF);
    EXPECT_EQ(PasswordValue(QStringLiteral("0009")), 0x0009);
    EXPECT_FALSE(PasswordValue(QStringLiteral("123")));
    EXPECT_FALSE(PasswordValue(QStringLiteral("12G4")));
    EXPECT_FALSE(PasswordValue(QStringLiteral("a0f3")));
    EXPECT_FALSE(PasswordValue(QString()));
}

TEST(Security, HiddenCodesAreWholeAndCaseSensitive)
{
    EXPECT_EQ(ClassifyHiddenCode(QStringLiteral("RWN")), HiddenCode::Calibration);
    EXPECT_EQ(ClassifyHiddenCode(QStringLiteral("trace on")), HiddenCode::DiagnosticsOn);
    EXPECT_EQ(ClassifyHiddenCode(QStringLiteral("trace off")), HiddenCode::DiagnosticsOff);
    for (const char *other : {"rwn", "RWN ", "Trace on", "trace  on", "trace", "", "1111"})
        EXPECT_EQ(ClassifyHiddenCode(QString::fromLatin1(other)), HiddenCode::Other) << other;
}

// ---- with a controller like the demo's model C ---------------------------------

int StatusWord(SimController &c)
{
    return *c.Peek(SecurityStatusRegister);
}

// The password write as the engine sends it; the exception code, 0 when
// the controller took it.
int WritePassword(SimController &c, int reg, int value)
{
    const Pdu request{static_cast<std::uint8_t>(c.Address()), 0x06, static_cast<std::uint8_t>(reg >> 8),
                      static_cast<std::uint8_t>(reg & 0xFF), static_cast<std::uint8_t>(value >> 8),
                      static_cast<std::uint8_t>(value & 0xFF)};
    const auto reply = c.Execute(request);
    if (reply && *reply == request)
        return 0;
    return reply && reply->size() == 3 ? (*reply)[2] : -1;
}

TEST(SecurityWithController, LevelChangesOnlyWithTheRightPassword)
{
    VirtualClock clock;
    ControllerConfig config;
    config.Address = 3;
    config.Kind = Model::C;
    SimController c(clock, config);
    c.SetSecurity(8, 1);  // level-1 key on; passwords 1111, 2222, 3333

    // "All Lock" needs no password.
    SecurityStatus status = DecodeSecurityStatus(StatusWord(c));
    LevelChange change = DecideLevelChange(AllLockItem, status, 17);
    ASSERT_EQ(change.What, LevelChange::Action::WriteAllLock);
    EXPECT_EQ(WritePassword(c, change.Register, change.Value), 0);
    status = DecodeSecurityStatus(StatusWord(c));
    EXPECT_EQ(status.SecurityLevel, 1);

    // Back to "Unlock All": asked for; a wrong password leaves it locked.
    change = DecideLevelChange(UnlockAllItem, status, 0);
    ASSERT_EQ(change.What, LevelChange::Action::AskPassword);
    ASSERT_EQ(change.Register, 0x106B);
    WritePassword(c, change.Register, *PasswordValue(FilterPasswordText(QStringLiteral("1234"))));
    EXPECT_EQ(DecodeSecurityStatus(StatusWord(c)).SecurityLevel, 1);
    EXPECT_EQ(WritePassword(c, change.Register, *PasswordValue(FilterPasswordText(QStringLiteral("1111")))), 0);
    status = DecodeSecurityStatus(StatusWord(c));
    EXPECT_EQ(status.SecurityLevel, 8);
    EXPECT_EQ(SLevelItem(status.SecurityLevel), UnlockAllItem);

    // "PV,SV" is guarded by key 3, which is off: nothing to ask.
    EXPECT_EQ(DecideLevelChange(2, status, 0).What, LevelChange::Action::None);
}

TEST(SecurityWithController, AKeyIsSwitchedWithItsPassword)
{
    VirtualClock clock;
    ControllerConfig config;
    config.Address = 3;
    config.Kind = Model::C;
    SimController c(clock, config);
    c.SetSecurity(8, 2);  // key 2 on
    const auto reg = KeyChangeRegister(1, 0, KeyItem(2, 1));
    ASSERT_EQ(reg, 0x106F);
    EXPECT_EQ(WritePassword(c, *reg, 0x1111), SimController::IllegalData);
    EXPECT_EQ(DecodeSecurityStatus(StatusWord(c)).LevelKeys, 2);
    EXPECT_EQ(WritePassword(c, *reg, *PasswordValue(QStringLiteral("2222"))), 0);
    EXPECT_EQ(DecodeSecurityStatus(StatusWord(c)).LevelKeys, 0);
}

} // namespace
