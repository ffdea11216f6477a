// The monitor engine's side of model C security: the security group's
// display, the level and key changes and the password writes they lead to.
#include "MonitorEngine.h"

#include "Security.h"

void MonitorEngine::RefreshSecurity()
{
    if (Selected == NoSlot)
        return;
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    SecurityState.LevelEnabled = SLevelEnabled(slot.LevelKeys);
    // While the user is at a level or key change, the group shows the
    // change, not the controller.
    if (!PasswordInProgress) {
        SecurityState.LevelItem = SLevelItem(slot.SecurityLevel);
        for (int k = 0; k < 3; ++k)
            SecurityState.KeyItems[static_cast<size_t>(k)] = KeyItem(slot.LevelKeys, k);
    }
    Notify(MonitorAspect::Security);
}

void MonitorEngine::SLevelClick(int item)
{
    if (item >= 0 && item <= AllLockItem)
        SecurityState.LevelItem = item;
}

void MonitorEngine::CheckLevelChange()
{
    // One change at a time: a password being asked for or written is
    // answered before the level is looked at again.
    if (PasswordInProgress || PasswordWrite || Selected == NoSlot)
        return;
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    const LevelChange change = DecideLevelChange(SecurityState.LevelItem, {slot.SecurityLevel, slot.LevelKeys},
                                                 slot.ExecCount & 0xFFFF);
    switch (change.What) {
    case LevelChange::Action::None:
        return;
    case LevelChange::Action::AskPassword:
        PasswordRegister = change.Register;
        PasswordInProgress = true;
        Viewer.AskPassword();
        return;
    case LevelChange::Action::WriteAllLock:
        WriteRegister = change.Register;
        WriteValue = change.Value;
        WritePending = true;
        PasswordWrite = true;
        PasswordInProgress = true;
        return;
    }
}

void MonitorEngine::Pass3DropDown()
{
    PasswordInProgress = true;
}

void MonitorEngine::Pass1CloseUp(int key, int item)
{
    if (key < 0 || key > 2 || Selected == NoSlot)
        return;
    const std::optional<int> reg = KeyChangeRegister(key, item, SecurityState.KeyItems[static_cast<size_t>(key)]);
    if (!reg) {
        // Opened and closed without a change: the display follows the
        // controller again.
        PasswordInProgress = false;
        RefreshSecurity();
        return;
    }
    SecurityState.KeyItems[static_cast<size_t>(key)] = item;
    PasswordRegister = *reg;
    PasswordInProgress = true;
    Viewer.AskPassword();
}

void MonitorEngine::PasswordEntered(std::optional<int> password)
{
    if (!password || Selected == NoSlot) {
        PasswordInProgress = false;
        RefreshSecurity();
        return;
    }
    // The register is the one asked for, whatever was edited meanwhile.
    WriteRegister = PasswordRegister;
    WriteValue = *password & 0xFFFF;
    WritePending = true;
    PasswordWrite = true;
    PasswordInProgress = true;
}
