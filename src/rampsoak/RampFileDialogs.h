// How a window asks the user for a file and for a yes or no: the main
// window's shared open and save dialogs and a confirmation box, each
// replaceable (tests answer them without a modal loop). The ramp/soak editor
// and the monitor use them, each with its own file filter.
#pragma once

#include <QString>

#include <functional>

class QWidget;

struct RampFileDialogs {
    // The chosen file, or empty when the dialog was cancelled.
    std::function<QString()> ChooseOpen;
    std::function<QString()> ChooseSave;
    // OK: true; Cancel: false.
    std::function<bool(const QString &text)> Confirm;
    // Yes: true; No: false. `caption` titles the box.
    std::function<bool(const QString &text, const QString &caption)> AskYesNo = nullptr;
};

// The main window's OpenDialog1 and SaveDialog1 (a dialog of our own when
// there is no main window) with the ramp/soak file filter, kept above
// `owner`, which stays on top of other windows.
RampFileDialogs MainWindowFileDialogs(QWidget *owner);
// The same with another filter (in the form "Text (*.a)|*.B") and the
// extension a typed name without one is given.
RampFileDialogs MainWindowFileDialogs(QWidget *owner, const QString &filter, const QString &defaultSuffix);

// "Text (*.a)|*.B" to the dialog's form "Text (*.a *.B)".
QString DialogFilter(const QString &filter);
