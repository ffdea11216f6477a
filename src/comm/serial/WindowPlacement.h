// Windows that belong to another window: the ramp/soak editor and the
// password dialog belong to the monitor. They stay above their owner (and
// only above it: another program may cover both), open centred over it and
// can be moved like any window.
#pragma once

class QWidget;

// Shows `window` as a window of `owner`'s window. A window that opens is
// centred over the owner, inside the owner's screen; one already open stays
// where the user put it. Either way it comes to the front, active.
void ShowOver(QWidget *window, QWidget *owner);
