// What every command of qmvctl shares: the link it talks over (the settings
// file, then the options), the serial port made for it, the event loop it
// waits in, and how it ends (one line on standard error and an exit status).
#pragma once

#include "Public.h"
#include "TComPort.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QSocketNotifier>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace Cli {

inline constexpr int ExitFailed = 1;  // the controller, the line or a file failed
inline constexpr int ExitUsage = 2;   // the command line itself is wrong
inline constexpr int MaxAddress = 247;

// Ends a command: the text is its one line on standard error.
struct Failure {
    QString Text;
    int Status = ExitFailed;
};
[[noreturn]] void Fail(const QString &text);
[[noreturn]] void UsageFail(const QString &text);

// The options that choose the line and its settings.
struct LinkOptions {
    QCommandLineOption Port{QStringLiteral("port"), QString(), QStringLiteral("COMn|DEVICE")};
    QCommandLineOption Baud{QStringLiteral("baud"), QString(), QStringLiteral("RATE")};
    QCommandLineOption Data{QStringLiteral("data"), QString(), QStringLiteral("7|8")};
    QCommandLineOption Parity{QStringLiteral("parity"), QString(), QStringLiteral("none|even|odd")};
    QCommandLineOption Stop{QStringLiteral("stop"), QString(), QStringLiteral("1|2")};
    QCommandLineOption Format{QStringLiteral("format"), QString(), QStringLiteral("ascii|rtu")};
    void AddTo(QCommandLineParser &parser) const { parser.addOptions({Port, Baud, Data, Parity, Stop, Format}); }
};

// The help text of LinkOptions.
extern const char LinkHelp[];

// The line a command talks over: its settings go into the global
// LinkSettings, which the engines read when they open the port made here.
class Line {
public:
    // Settings from the work folder's settings file (or the program's
    // defaults), each option given overriding its part; with `portOnly`
    // only --port is taken (the bus search tries settings of its own).
    Line(const QCommandLineParser &parser, const LinkOptions &options, bool portOnly = false);

    TComPort &Port() { return *ComPort; }
    // "COM1" or the device path, for messages.
    const QString &Name() const { return PortName; }
    // A failure of the serial service, with the port it concerns.
    QString Describe(const QString &text) const { return PortName + QStringLiteral(": ") + text; }

private:
    QString PortName;
    std::unique_ptr<TComPort> ComPort;
};

// Parses a command's arguments (the program and command first) with -h,
// --help added; false when the help was asked for (and printed).
bool Parse(QCommandLineParser &parser, const QStringList &arguments, const QString &help);

// Chooses the work folder as the program does (the settings file and the
// ports/ links) and reads the settings file into LinkSettings.
void LoadSettings();

// Runs the event loop until `done` holds; false when `limitMs` passed first
// (no limit when negative).
bool RunUntil(const std::function<bool()> &done, int limitMs = -1);

// A number option: the option's value as an integer lo..hi, or `fallback`
// when it was not given.
int IntOption(const QCommandLineParser &parser, const QCommandLineOption &option, int lo, int hi, int fallback);
// "1", "1-32", "1,2,5-7" into the addresses, in the order given.
std::vector<int> ParseAddresses(const QString &text);
// A station address 1-247 from --address, which must be given.
int RequiredAddress(const QCommandLineParser &parser, const QCommandLineOption &option);

// SIGINT (Ctrl+C) and SIGTERM while it exists, as an event of the loop:
// `stop` runs there, once per signal, instead of the process ending.
class InterruptWatch {
public:
    explicit InterruptWatch(std::function<void()> stop);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

private:
    std::function<void()> Stop;
    std::unique_ptr<QSocketNotifier> Notifier;
};

// Output: standard output takes results; standard error takes progress
// (only on a terminal) and failures.
void Out(const QString &line);
void Note(const QString &line);
// A progress line that rewrites itself on a terminal; nothing elsewhere.
class Progress {
public:
    ~Progress() { Finish(); }
    void Show(const QString &text);
    void Finish();

private:
    bool Shown = false;
    QString Last;
};

} // namespace Cli
