#pragma once

#include "cli/Command.h"

#include <vector>

namespace Cli {

Command makePackCommand();
Command makeInfoCommand();
Command makeUnpackCommand();
Command makeThumbnailCommand();
Command makeBatchCommand();

// Every command of `tvk`, in the order its help lists them.
std::vector<Command> allCommands();

// Runs the command the arguments name ("tvk", the command, its arguments), or
// answers `tvk --help`, `--version` and `help COMMAND`; returns the exit status.
// Output goes to standard output and standard error.
int runCommand(const QStringList& arguments);

} // namespace Cli
