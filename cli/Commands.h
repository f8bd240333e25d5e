#pragma once

#include <QStringList>

namespace Cli {

// Each takes the whole command line ("tvk", the command, its arguments) and
// returns the exit status.
int runPack(const QStringList& arguments);
int runInfo(const QStringList& arguments);
int runUnpack(const QStringList& arguments);
int runThumbnail(const QStringList& arguments);

} // namespace Cli
