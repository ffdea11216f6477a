#include "CliSupport.h"

#include "PortDirectory.h"
#include "QtSerialLine.h"
#include "WorkFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <utility>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace Cli {

const char LinkHelp[] = R"(
The line: by default as the settings file SETQM.$$$ of the work folder sets
it (the folder the command runs in when it holds SETQM.$$$ or ports/, else
~/.config/qmvcomm), or else the program's default (9600 baud, 7 data bits,
even parity, 1 stop bit, ASCII). Each option overrides its part:
  --port COMn|DEVICE      COM1 ... COM50 as the program names them (ports/COMn
                          links, then the system's serial devices), or a
                          device path such as /dev/ttyUSB0
  --baud RATE             2400, 4800, 9600, 19200 or 38400
  --data 7|8              data bits (--format rtu alone makes it 8)
  --parity none|even|odd
  --stop 1|2              stop bits
  --format ascii|rtu      Modbus ASCII or Modbus RTU
)";

void Fail(const QString &text)
{
    throw Failure{text, ExitFailed};
}

void UsageFail(const QString &text)
{
    throw Failure{text, ExitUsage};
}

void LoadSettings()
{
    WorkFolder::Set(WorkFolder::Choose(QDir::currentPath(),
                                       QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)));
    PortDirectory::MarkComPorts(PortDirectory::PortNames(), ComPortPresent);
    LoadComSettingWord();
    DecodeComSetting();
}

bool Parse(QCommandLineParser &parser, const QStringList &arguments, const QString &help)
{
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(helpOption);
    if (!parser.parse(arguments))
        UsageFail(parser.errorText() + QStringLiteral(" (see qmvctl %1 --help)").arg(arguments.value(1)));
    if (parser.isSet(helpOption)) {
        std::fputs(help.toLocal8Bit().constData(), stdout);
        return false;
    }
    return true;
}

namespace {

int Choice(const QCommandLineParser &parser, const QCommandLineOption &option, const QStringList &names)
{
    const QString value = parser.value(option).trimmed().toLower();
    const int index = static_cast<int>(names.indexOf(value));
    if (index < 0)
        UsageFail(QStringLiteral("--%1: \"%2\" is not one of %3")
                      .arg(option.names().first(), parser.value(option), names.join(QLatin1Char('|'))));
    return index;
}

} // namespace

Line::Line(const QCommandLineParser &parser, const LinkOptions &options, bool portOnly)
{
    LoadSettings();
    TLinkSettings &s = ::LinkSettings;
    LineFactory factory = QtSerialLineFactory();
    if (parser.isSet(options.Port)) {
        const QString port = parser.value(options.Port).trimmed();
        static const QRegularExpression comName(QStringLiteral("^COM([1-9][0-9]?)$"),
                                                QRegularExpression::CaseInsensitiveOption);
        const auto match = comName.match(port);
        if (match.hasMatch()) {
            s.PortNumber = match.captured(1).toInt();
        } else if (port.contains(QLatin1Char('/'))) {
            // A device named by its path is the port's only device, whatever
            // its number.
            s.PortNumber = 1;
            factory = [port](int) -> std::unique_ptr<SerialLine> { return std::make_unique<QtSerialLine>(port); };
            PortName = port;
        } else {
            UsageFail(QStringLiteral("--port: \"%1\" is neither COM1 ... COM50 nor a device path").arg(port));
        }
    }
    if (s.PortNumber < 1 || s.PortNumber > PortDirectory::HighestPort)
        UsageFail(QStringLiteral("no serial port: give --port COMn or --port DEVICE"));
    if (PortName.isEmpty())
        PortName = QStringLiteral("COM%1").arg(s.PortNumber);
    ComPort = std::make_unique<TComPort>(DefaultClock(), std::move(factory));
    if (portOnly)
        return;

    if (parser.isSet(options.Baud)) {
        const int baud = parser.value(options.Baud).toInt();
        if (std::find(std::begin(BaudRates), std::end(BaudRates), baud) == std::end(BaudRates))
            UsageFail(QStringLiteral("--baud: \"%1\" is not 2400, 4800, 9600, 19200 or 38400").arg(parser.value(options.Baud)));
        s.BaudRate = baud;
    }
    if (parser.isSet(options.Format)) {
        s.RtuMode = Choice(parser, options.Format, {QStringLiteral("ascii"), QStringLiteral("rtu")}) == 1;
        // RTU frames are 8-bit bytes.
        if (s.RtuMode && !parser.isSet(options.Data))
            s.DataBits = 8;
    }
    if (parser.isSet(options.Data))
        s.DataBits = 7 + Choice(parser, options.Data, {QStringLiteral("7"), QStringLiteral("8")});
    if (parser.isSet(options.Parity))
        s.ParityIndex = Choice(parser, options.Parity, {QStringLiteral("none"), QStringLiteral("even"), QStringLiteral("odd")});
    if (parser.isSet(options.Stop))
        s.StopBits = 1 + Choice(parser, options.Stop, {QStringLiteral("1"), QStringLiteral("2")});
}

bool RunUntil(const std::function<bool()> &done, int limitMs)
{
    const QDeadlineTimer deadline = limitMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(limitMs);
    // Wakes the loop now and then, so that the deadline is seen without events.
    QTimer wake;
    wake.start(50);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

int IntOption(const QCommandLineParser &parser, const QCommandLineOption &option, int lo, int hi, int fallback)
{
    if (!parser.isSet(option))
        return fallback;
    bool ok = false;
    const int value = parser.value(option).trimmed().toInt(&ok);
    if (!ok || value < lo || value > hi)
        UsageFail(QStringLiteral("--%1: \"%2\" is not a number %3-%4").arg(option.names().first(), parser.value(option)).arg(lo).arg(hi));
    return value;
}

std::vector<int> ParseAddresses(const QString &text)
{
    std::vector<int> addresses;
    const auto bad = [&text] {
        UsageFail(QStringLiteral("\"%1\" is not a list of addresses 1-247 such as 1,2,5-7").arg(text));
    };
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.trimmed().split(QLatin1Char('-'));
        if (ends.size() > 2)
            bad();
        bool ok1 = false, ok2 = true;
        const int first = ends.first().toInt(&ok1);
        const int last = ends.size() == 2 ? ends.last().toInt(&ok2) : first;
        if (!ok1 || !ok2 || first < 1 || last > MaxAddress || first > last)
            bad();
        for (int a = first; a <= last; ++a)
            addresses.push_back(a);
    }
    return addresses;
}

int RequiredAddress(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    if (!parser.isSet(option))
        UsageFail(QStringLiteral("--address N is missing"));
    return IntOption(parser, option, 1, MaxAddress, 1);
}

namespace {

int SignalPipe[2] = {-1, -1};

void OnSignal(int signal)
{
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
}

} // namespace

InterruptWatch::InterruptWatch(std::function<void()> stop) : Stop(std::move(stop))
{
    if (SignalPipe[0] < 0 && ::pipe(SignalPipe) != 0)
        Fail(QStringLiteral("cannot watch for Ctrl+C"));
    Notifier = std::make_unique<QSocketNotifier>(SignalPipe[0], QSocketNotifier::Read);
    QObject::connect(Notifier.get(), &QSocketNotifier::activated, [this] {
        char byte = 0;
        if (::read(SignalPipe[0], &byte, 1) == 1 && Stop)
            Stop();
    });
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
}

InterruptWatch::~InterruptWatch()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

void Out(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Note(const QString &line)
{
    std::fprintf(stderr, "qmvctl: %s\n", line.toLocal8Bit().constData());
}

void Progress::Show(const QString &text)
{
    if (text == Last || !::isatty(STDERR_FILENO))
        return;
    Last = text;
    std::fprintf(stderr, "\r%s\033[K", text.toLocal8Bit().constData());
    Shown = true;
}

void Progress::Finish()
{
    Last.clear();
    if (std::exchange(Shown, false))
        std::fputc('\n', stderr);
}

} // namespace Cli
