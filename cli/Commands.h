#pragma once

#include "cli/Command.h"

#include <memory>
#include <vector>

namespace Cli {

std::unique_ptr<Command> makePackCommand();
std::unique_ptr<Command> makeInfoCommand();
std::unique_ptr<Command> makeUnpackCommand();
std::unique_ptr<Command> makeThumbnailCommand();
std::unique_ptr<Command> makeBatchCommand();

// Every command of `tvk`, in the order its help lists them.
std::vector<std::unique_ptr<Command>> allCommands();

} // namespace Cli
