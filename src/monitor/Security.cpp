#include "Security.h"

#include "Conversions.h"

const std::array<QString, 4> SLevelItemTexts = {
    QStringLiteral("Unlock All"),
    QStringLiteral("Read All, SV,AT"),
    QStringLiteral("PV,SV"),
    QStringLiteral("All Lock"),
};

SecurityStatus DecodeSecurityStatus(int word)
{
    return {(word >> 3) & 0x0F, word & 7};
}

int SLevelItem(int securityLevel)
{
    if (securityLevel & 1)
        return 3;
    if (securityLevel & 2)
        return 2;
    if (securityLevel & 4)
        return 1;
    return 0;
}

bool SLevelEnabled(int levelKeys)
{
    return levelKeys != 0;
}

int KeyItem(int levelKeys, int list)
{
    return list >= 0 && list < 3 ? (levelKeys >> list) & 1 : 0;
}

LevelChange DecideLevelChange(int item, const SecurityStatus &status, int allLockValue)
{
    // Item 0, 1, 2 stand for level 8, 4, 2, each guarded by key 1, 2, 3.
    static constexpr int LevelOfItem[3] = {8, 4, 2};
    if (item >= 0 && item < 3) {
        const bool keyOn = (status.LevelKeys >> item) & 1;
        if (status.SecurityLevel != LevelOfItem[item] && keyOn)
            return {LevelChange::Action::AskPassword, LevelPasswordRegister + item, 0};
        return {};
    }
    if (item == AllLockItem && status.SecurityLevel != 1 && status.LevelKeys != 0)
        return {LevelChange::Action::WriteAllLock, LevelPasswordRegister, allLockValue & 0xFFFF};
    return {};
}

std::optional<int> KeyChangeRegister(int list, int item, int rememberedItem)
{
    if (list < 0 || list > 2 || item == rememberedItem)
        return std::nullopt;
    return KeyPasswordRegister + list;
}

QString FilterPasswordText(const QString &text)
{
    const QString upper = text.toUpper();
    for (const QChar c : upper) {
        const bool hex = (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
        if (!hex)
            return QString();
    }
    return upper;
}

bool PasswordComplete(const QString &text)
{
    return text.size() == PasswordLength;
}

bool PasswordClosable(const QString &text)
{
    return text.isEmpty() || PasswordComplete(text);
}

std::optional<int> PasswordValue(const QString &text)
{
    if (!PasswordComplete(text) || FilterPasswordText(text) != text)
        return std::nullopt;
    const QByteArray digits = text.toLatin1();
    return HexPairToByte(digits[0], digits[1]) * 256 + HexPairToByte(digits[2], digits[3]);
}

HiddenCode ClassifyHiddenCode(const QString &text)
{
    if (text == QLatin1String("RWN"))
        return HiddenCode::Calibration;
    if (text == QLatin1String("trace on"))
        return HiddenCode::DiagnosticsOn;
    if (text == QLatin1String("trace off"))
        return HiddenCode::DiagnosticsOff;
    return HiddenCode::Other;
}
