// The commands of qmvctl. Each takes the whole command line (program name,
// command, options) and returns the exit status; a failure is thrown as
// Cli::Failure.
#pragma once

#include <QStringList>

namespace Cli {

int ScanCommand(const QStringList &arguments);
int ReadCommand(const QStringList &arguments);
int WriteCommand(const QStringList &arguments);
int BackupCommand(const QStringList &arguments);
int RestoreCommand(const QStringList &arguments);
int RampCommand(const QStringList &arguments);
int RecordCommand(const QStringList &arguments);

} // namespace Cli
