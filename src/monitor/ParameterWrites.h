// What the user's changes on the parameter page turn into: a single
// register write (with the unlock write first where the map says so), a
// fresh read-out of the page, or a refusal. The engine sends what is decided.
#pragma once

#include "MonitorSlot.h"
#include "ParameterMap.h"

#include <QString>

#include <optional>

struct WriteDecision {
    bool Write = false;        // set WritePending with Register and Value
    bool Unlock = false;       // set UnlockPending
    int Register = NoRegisterMark;
    int Value = 0;             // sent as its low 16 bits
    bool Refresh = false;      // read the page again
    QString Message;           // for ErrMessage
    std::optional<int> Decimals;  // model C's local decimal setting
};

// Enter in an edit field.
WriteDecision TypedValue(Pc id, const QString &text, const MonitorSlot &slot);
// A list closed up, its item changed or not.
WriteDecision ListChoice(Pc id, int item, const MonitorSlot &slot);
// "Restore Default Setting" or "Clear PV Adjust Value ", after the user's OK.
WriteDecision CommandWrite(bool restoreDefault, const MonitorSlot &slot);
