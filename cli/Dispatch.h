#pragma once

#include <QStringList>

namespace Cli {

// Runs the command the arguments name ("tvk", the command, its arguments), or
// answers `tvk --help`, `--version` and `help COMMAND`; returns the exit status.
// Output goes to standard output and standard error.
int runCommand(const QStringList& arguments);

} // namespace Cli
