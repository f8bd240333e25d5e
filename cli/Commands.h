#pragma once

#include "package/PackageWriter.h"

#include <QStringList>

#include <optional>

namespace Cli {

// Each takes the whole command line ("tvk", the command, its arguments) and
// returns the exit status.
int runPack(const QStringList& arguments);
int runInfo(const QStringList& arguments);
int runUnpack(const QStringList& arguments);
// Starts tvk-thumbnail, which runs makeThumbnail().
int runThumbnail(const QStringList& arguments);
int makeThumbnail(const QStringList& arguments);
int runBatch(const QStringList& arguments);

// The first of `tvk pack`'s arguments that is empty, told by its name ("--name
// is empty"), checked in the order the window checks its boxes.
Outcome checkFilled(const PackageRequest& request);

} // namespace Cli
