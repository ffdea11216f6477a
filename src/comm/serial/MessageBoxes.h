// Message boxes shown by every window, through one place so that the
// program's default error report and the windows' own messages look alike,
// and so that tests can see them without a modal loop.
#pragma once

#include <QString>

#include <functional>

// A plain message box; the caption defaults to the application's name.
void ShowMessage(const QString &text, const QString &caption = QString());

// Where messages go instead of a box (tests); an empty sink restores boxes.
using MessageSink = std::function<void(const QString &text, const QString &caption)>;
void SetMessageSink(MessageSink sink);

// Installs the message box as the program's default error report.
void InstallMessageBoxErrorReport();
