// How the editor asks the user for a file and for a yes or no: the main
// window's shared open and save dialogs and a confirmation box, each
// replaceable (tests answer them without a modal loop).
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
};

// The main window's OpenDialog1 and SaveDialog1 (a dialog of our own when
// there is no main window) with the ramp/soak file filter, kept above
// `owner`, which stays on top of other windows.
RampFileDialogs MainWindowFileDialogs(QWidget *owner);

// "Text (*.a)|*.B" to the dialog's form "Text (*.a *.B)".
QString DialogFilter(const QString &filter);
