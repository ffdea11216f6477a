// The program's default error report: errors raised by the serial service
// (and anything else that escapes a handler) end up here instead of crossing
// the toolkit's event code. The shell installs a message box reporter.
#pragma once

#include <QString>

#include <functional>
#include <stdexcept>

// An error carrying a text meant for the user.
class ComError : public std::runtime_error {
public:
    explicit ComError(const QString &text);
    QString Text() const;
};

using ErrorReporter = std::function<void(const QString &text)>;

// Replaces the reporter; an empty one restores the default (stderr).
void SetErrorReporter(ErrorReporter reporter);
void ReportError(const QString &text);

// Runs `action`, reporting whatever it throws. Every entry point from the
// toolkit (slot, event handler, timer task) goes through here.
void Guarded(const std::function<void()> &action) noexcept;

// The same as a slot: `connect(button, &QPushButton::clicked, this, GuardedSlot([this] { ... }))`.
template <typename Action>
std::function<void()> GuardedSlot(Action action)
{
    return [action] { Guarded(action); };
}
