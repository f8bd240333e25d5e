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

// The first message of the Convert command's checks for missing texts, for a
// request from the command line, where a text is missing when it is empty.
std::optional<QString> missingInput(const PackageRequest& request);

} // namespace Cli
