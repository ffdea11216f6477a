// How a window asks the user for a file and for a yes or no: the main
// window's shared open and save dialogs and message boxes, each replaceable
// so that tests answer them without a modal loop. The ramp/soak editor, the
// monitor and the recorder all ask through here, each with its own filters.
#pragma once

#include <QString>

#include <functional>

class QWidget;

// What a file dialog offers.
struct FileChoice {
    // In the form "Record files (*.rec)|*.REC".
    QString Filter;
    // The extension a typed name without one is given; empty for none.
    QString Suffix = QString();
    // The dialog itself asks before an existing file is chosen; most windows
    // ask their own question instead.
    bool DialogAsksOverwrite = false;
};

struct FileDialogs {
    // The chosen file, or empty when the dialog was cancelled.
    std::function<QString(const FileChoice &choice)> ChooseOpen = nullptr;
    std::function<QString(const FileChoice &choice)> ChooseSave = nullptr;
    // OK: true; Cancel: false.
    std::function<bool(const QString &text)> Confirm = nullptr;
    // Yes: true; No: false. `caption` titles the box.
    std::function<bool(const QString &text, const QString &caption)> AskYesNo = nullptr;
};

// The main window's OpenDialog1 and SaveDialog1 (a dialog of `owner`'s own
// when there is no main window), kept above `owner` while open when the
// owner stays on top of other windows. The boxes belong to `owner`. Each
// kind of file (each filter) opens in the folder of the file of its kind
// last chosen and offers that file's name; a kind not chosen yet opens in
// the working folder with no name.
FileDialogs SharedFileDialogs(QWidget *owner);

// "Text (*.a)|*.B" to the dialog's form "Text (*.a *.A *.b *.B)". Every
// pattern comes in lower and upper case: files arrive named in either, and
// the dialog matches names case-sensitively on some systems. Several pairs
// ("Texts|*.txt|All (*.*)|*.*") become several filters.
QString DialogFilter(const QString &filter);
