// qmvsim: a bus of simulated controllers on a pseudo-terminal, for trying
// the program out without hardware and for testing it against other
// Modbus masters.

#include "ControllerArgs.h"
#include "MicrosecondPace.h"
#include "PtyLink.h"
#include "SimBus.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

const char HelpText[] = R"(Usage: qmvsim --link PATH --controller FIELDS [--controller FIELDS ...] [options]

Simulates temperature controllers of the models A, B and C on one serial
line. The line is a pseudo-terminal; PATH becomes a symbolic link to it
(for example ports/COM1, where the program looks for COM1). qmvsim serves
the line until it gets SIGINT (Ctrl+C) or SIGTERM, then removes the link.

  --link PATH          where to put the link to the line (required); a stale
                       link from an earlier run is replaced
  --controller FIELDS  one controller (at least one; repeat for more):
        address=N        station address 1-247 (required)
        model=A|B|C      controller model (required)
        baud=9600        2400, 4800, 9600, 19200 or 38400
        data=7           data bits, 7 or 8 (RTU: always 8, its default)
        parity=even      none, even or odd
        stop=1           stop bits, 1 or 2
        format=ascii     ascii or rtu (Modbus ASCII or Modbus RTU)
        firmware=1.10    version shown by the controller (or a word 0x0110)
        sv=100.0         initial set value
        level=8          model C: security level 8, 4, 2 or 1
        keys=0           model C: enabled level keys, bit 0-2 = key 1-3
        key1=1111        model C: password of key 1 (4 hex digits);
        key2=2222          likewise key 2 and key 3. A correct password to
        key3=3333          0x106B-0x106D selects level 8, 4 or 2; any other
                           value to 0x106B locks ("All Lock", level 1)
      example: --controller address=2,model=B,baud=19200,data=8,parity=odd,format=rtu
  --fault FIELDS       make a controller misbehave (repeatable):
        address=N        the controller (required)
        kind=K           silence, checksum, exception, foreign, split, slow
                         or garbage (required)
        probability=P    each reply with chance P (0 < P <= 1), or else a
        after=N,count=N,every=N   schedule of its replies counted from 0:
                         replies after .. after+count-1 (count 0: all from
                         after on), repeated every N replies when every > 0
        code=4           exception code for kind=exception
        foreign=N        address for kind=foreign (default: the next one)
        bytes=3,gap=30   chunk size and gap in ms for kind=split
        delay=400        extra delay in ms for kind=slow
      example: --fault address=1,kind=silence,probability=0.1
  --log                print every request and reply, as hex and decoded
  --turnaround MS      time a controller takes before it answers (default 5)
  --chunk BYTES        a reply reaches the program in chunks of this many
                       bytes as they cross the line (default 16; 0: whole)
  --program-minute MS  length of one minute of a ramp/soak program (default
                       60000; 1000 makes programs run 60 times faster)
  -h, --help           this text

The process value of each controller moves towards its set value with a
first-order lag (about 20 s) while the controller runs, with a little noise.
Over a pseudo-terminal only the baud rate, the stop bits and odd parity can
be seen: a controller answers when those match its own settings and the
frame is in its format (ASCII or RTU), addressed to it, with a good checksum.
)";

int SignalPipe[2] = {-1, -1};

void OnSignal(int signal)
{
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
}

void Print(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int Fail(const QString &text)
{
    std::fprintf(stderr, "qmvsim: %s\n", text.toLocal8Bit().constData());
    return 2;
}

bool SameLine(const ControllerConfig &a, const ControllerConfig &b)
{
    return a.Address == b.Address && a.Baud == b.Baud && a.DataBits == b.DataBits && a.Parity == b.Parity &&
           a.StopBits == b.StopBits && a.Rtu == b.Rtu;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qmvsim"));

    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption link(QStringLiteral("link"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption controller(QStringLiteral("controller"), QString(), QStringLiteral("FIELDS"));
    const QCommandLineOption fault(QStringLiteral("fault"), QString(), QStringLiteral("FIELDS"));
    const QCommandLineOption log(QStringLiteral("log"));
    const QCommandLineOption turnaround(QStringLiteral("turnaround"), QString(), QStringLiteral("MS"));
    const QCommandLineOption chunk(QStringLiteral("chunk"), QString(), QStringLiteral("BYTES"));
    const QCommandLineOption minute(QStringLiteral("program-minute"), QString(), QStringLiteral("MS"));
    parser.addOptions({help, link, controller, fault, log, turnaround, chunk, minute});
    if (!parser.parse(QCoreApplication::arguments()))
        return Fail(parser.errorText() + QStringLiteral(" (see qmvsim --help)"));
    if (parser.isSet(help)) {
        std::fputs(HelpText, stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return Fail(QStringLiteral("unexpected argument \"%1\" (see qmvsim --help)").arg(parser.positionalArguments().first()));
    if (!parser.isSet(link))
        return Fail(QStringLiteral("--link PATH is missing (see qmvsim --help)"));
    if (!parser.isSet(controller))
        return Fail(QStringLiteral("no --controller given (see qmvsim --help)"));

    const auto number = [&parser](const QCommandLineOption &option, int lo, int hi, int fallback, int &out) {
        if (!parser.isSet(option)) {
            out = fallback;
            return true;
        }
        bool ok = false;
        out = parser.value(option).toInt(&ok);
        return ok && out >= lo && out <= hi;
    };
    int turnaroundMs = 0, chunkBytes = 0, minuteMs = 0;
    if (!number(turnaround, 0, 10'000, 5, turnaroundMs))
        return Fail(QStringLiteral("--turnaround: \"%1\" is not 0-10000 ms").arg(parser.value(turnaround)));
    if (!number(chunk, 0, 4096, 16, chunkBytes))
        return Fail(QStringLiteral("--chunk: \"%1\" is not 0-4096 bytes").arg(parser.value(chunk)));
    if (!number(minute, 1, 3'600'000, 60'000, minuteMs))
        return Fail(QStringLiteral("--program-minute: \"%1\" is not 1-3600000 ms").arg(parser.value(minute)));

    std::vector<ControllerSetup> setups;
    for (const QString &text : parser.values(controller)) {
        QString error;
        const auto setup = ParseControllerArgument(text, error);
        if (!setup)
            return Fail(QStringLiteral("--controller \"%1\": %2").arg(text, error));
        for (const ControllerSetup &other : setups) {
            if (SameLine(other.Config, setup->Config))
                return Fail(QStringLiteral("--controller \"%1\": address: a controller with address %2 and the same "
                                           "link settings is already there")
                                .arg(text)
                                .arg(setup->Config.Address));
        }
        setups.push_back(*setup);
    }
    std::vector<FaultSetup> faults;
    for (const QString &text : parser.values(fault)) {
        QString error;
        const auto setup = ParseFaultArgument(text, error);
        if (!setup)
            return Fail(QStringLiteral("--fault \"%1\": %2").arg(text, error));
        faults.push_back(*setup);
    }

    // The line is timed to the microsecond: whole milliseconds of the
    // simulator's own would add more than a millisecond to every exchange.
    std::unique_ptr<MicrosecondPace> pace;
    try {
        pace = std::make_unique<MicrosecondPace>();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "qmvsim: %s\n", error.what());
        return 1;
    }
    SimBus bus(DefaultClock(), pace.get());
    bus.SetTurnaroundMs(turnaroundMs);
    bus.SetChunkBytes(chunkBytes);
    bus.SetProgramMinuteMs(minuteMs);
    for (const ControllerSetup &setup : setups)
        ApplySetup(bus.Add(setup.Config), setup);
    for (const FaultSetup &setup : faults) {
        bool found = false;
        for (SimController *c : bus.Controllers()) {
            if (c->Address() == setup.Address) {
                ApplyFault(*c, setup);
                found = true;
            }
        }
        if (!found)
            return Fail(QStringLiteral("--fault: address: no controller has address %1").arg(setup.Address));
    }
    if (parser.isSet(log))
        bus.OnLog = Print;

    if (::pipe(SignalPipe) != 0)
        return Fail(QStringLiteral("cannot set up signal handling"));
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    QSocketNotifier signalNotifier(SignalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });

    std::unique_ptr<PtyLink> line;
    try {
        line = std::make_unique<PtyLink>(bus, parser.value(link));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "qmvsim: %s\n", error.what());
        return 1;
    }
    Print(QStringLiteral("qmvsim: serving %1 controller%2 on %3 (%4)")
              .arg(setups.size())
              .arg(setups.size() == 1 ? QString() : QStringLiteral("s"), line->LinkPath(), line->Device()));
    for (SimController *c : bus.Controllers())
        Print(QStringLiteral("  address %1  model %2  firmware %3.%4  %5")
                  .arg(c->Address(), 3)
                  .arg(QLatin1Char(ModelLetter(c->Kind())))
                  .arg(c->Config().Firmware >> 8)
                  .arg(c->Config().Firmware & 0xFF, 2, 16, QLatin1Char('0'))
                  .arg(DescribeLink(c->Config())));
    const int result = app.exec();
    line.reset();
    const MicrosecondPace::Lateness late = pace->Late();
    Print(QStringLiteral("qmvsim: stopped, link removed; %1 paced events, %2 us late on average, at most %3 us")
              .arg(late.Tasks)
              .arg(late.Tasks ? static_cast<double>(late.TotalUs) / static_cast<double>(late.Tasks) : 0.0, 0, 'f', 1)
              .arg(late.MaxUs));
    return result;
}
