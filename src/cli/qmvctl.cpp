// qmvctl: the program's engines from the command line, on a QCoreApplication
// (no display): the bus search, the monitor's reads, writes and transfers,
// the ramp/soak transfers and the recorder.
#include "CliSupport.h"
#include "Commands.h"
#include "ErrorReport.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

const char Usage[] = R"(Usage: qmvctl COMMAND [options]

The QMV controllers from the command line, with the program's own engines,
parameter maps and files.

  scan      search the line for controllers
  read      identify a controller and print its status and parameters
  write     write parameters: NAME=VALUE ...
  backup    upload a controller's parameters into a *.par file
  restore   write a *.par file into a controller (or all, broadcast)
  ramp      read or write a ramp/soak program (*.r$s file)
  record    record process values (CSV, *.rec file, MQTT)

qmvctl COMMAND --help tells more. Exit status: 0 done, 1 failed (the line,
a controller or a file; one line on standard error says why), 2 a wrong
command line.
)";

struct Command {
    const char *Name;
    int (*Run)(const QStringList &arguments);
};

const Command Commands[] = {
    {"scan", Cli::ScanCommand},       {"read", Cli::ReadCommand},   {"write", Cli::WriteCommand},
    {"backup", Cli::BackupCommand},   {"restore", Cli::RestoreCommand}, {"ramp", Cli::RampCommand},
    {"record", Cli::RecordCommand},
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The same name as the program's: the same configuration folder.
    QCoreApplication::setApplicationName(QStringLiteral("qmvcomm"));
    const QStringList arguments = QCoreApplication::arguments();
    const QString name = arguments.value(1);
    if (name.isEmpty() || name == QLatin1String("-h") || name == QLatin1String("--help") || name == QLatin1String("help")) {
        std::fputs(Usage, name.isEmpty() ? stderr : stdout);
        return name.isEmpty() ? Cli::ExitUsage : 0;
    }
    for (const Command &command : Commands) {
        if (name != QLatin1String(command.Name))
            continue;
        try {
            return command.Run(arguments);
        } catch (const Cli::Failure &failure) {
            Cli::Note(failure.Text);
            return failure.Status;
        } catch (const ComError &error) {
            Cli::Note(error.Text());
            return Cli::ExitFailed;
        }
    }
    Cli::Note(QStringLiteral("no command \"%1\" (see qmvctl --help)").arg(name));
    return Cli::ExitUsage;
}
