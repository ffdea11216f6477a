// The monitor engine's side of model C security: the security group's
// display, the level and key changes and the password writes they lead to.
// A change runs as a job of the selected controller: asked for, then
// written; a change of selection ends it, and its answer then goes nowhere.
#include "MonitorEngine.h"

#include "Security.h"

bool MonitorEngine::SecurityHeld() const
{
    return KeyListOpen || std::holds_alternative<PasswordJob>(Job);
}

void MonitorEngine::RefreshSecurity()
{
    if (!SelectedUsable())
        return;
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    SecurityState.LevelEnabled = SLevelEnabled(slot.LevelKeys);
    // While the user is at a level or key change, the group shows the
    // change, not the controller.
    if (!SecurityHeld()) {
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
    // One change at a time, and none in the middle of a transfer: the
    // level is looked at again once the line is free for it.
    if (SecurityHeld() || !SelectedUsable() || !std::holds_alternative<std::monostate>(Job))
        return;
    const MonitorSlot &slot = Slots[static_cast<size_t>(Selected)];
    const LevelChange change = DecideLevelChange(SecurityState.LevelItem, {slot.SecurityLevel, slot.LevelKeys},
                                                 slot.ExecCount & 0xFFFF);
    switch (change.What) {
    case LevelChange::Action::None:
        return;
    case LevelChange::Action::AskPassword:
        StartJob(PasswordJob{SelectedTarget(), change.Register, std::nullopt});
        Viewer.AskPassword();
        return;
    case LevelChange::Action::WriteAllLock:
        StartJob(PasswordJob{SelectedTarget(), change.Register, change.Value & 0xFFFF});
        return;
    }
}

void MonitorEngine::Pass3DropDown()
{
    KeyListOpen = true;
}

void MonitorEngine::Pass1CloseUp(int key, int item)
{
    if (key < 0 || key > 2 || !SelectedUsable())
        return;
    KeyListOpen = false;
    const std::optional<int> reg = KeyChangeRegister(key, item, SecurityState.KeyItems[static_cast<size_t>(key)]);
    if (!reg || !std::holds_alternative<std::monostate>(Job)) {
        // Opened and closed without a change (or while a transfer runs):
        // the display follows the controller again.
        RefreshSecurity();
        return;
    }
    SecurityState.KeyItems[static_cast<size_t>(key)] = item;
    StartJob(PasswordJob{SelectedTarget(), *reg, std::nullopt});
    Viewer.AskPassword();
}

void MonitorEngine::PasswordEntered(std::optional<int> password)
{
    auto *job = std::get_if<PasswordJob>(&Job);
    if (!job || job->Value)
        return;  // no question is open: the selection changed since it was asked
    if (!password) {
        EndJob(JobEnd::Done);
        return;
    }
    // The register is the one asked for, whatever was edited meanwhile.
    job->Value = *password & 0xFFFF;
}

void MonitorEngine::PasswordAnswered()
{
    // Accepted or refused, the attempt ends, and the slot is identified and
    // read again to show the level and keys it has now.
    EndJob(JobEnd::Done);
    PasswordReadBack = true;
    ReselectPending = true;
    Advance();
    RefreshRequested = true;
}
