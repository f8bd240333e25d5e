#pragma once

#include "cli/Command.h"

namespace Cli {

Command makePackCommand();
Command makeInfoCommand();
Command makeUnpackCommand();
Command makeThumbnailCommand();
Command makeBatchCommand();
Command makeIconCommand();

// Runs the command the arguments name ("tvk", the command, its arguments), or
// answers `tvk --help`, `--version` and `help COMMAND`; returns the exit status.
int runCommand(const QStringList& arguments);

} // namespace Cli
