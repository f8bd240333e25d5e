#pragma once

#include "format/TvkReader.h"

#include <QFile>

#include <optional>

namespace Cli {

// Opens a TVK file for reading and checks its fields, reading at most
// `textLimit` bytes of each name; reports why not, naming the file, when it
// cannot be opened or is not a valid TVK file. A FIFO or device is refused at
// once, never waited on.
std::optional<TvkContents> readPackage(QFile& file, const QString& path, qint64 textLimit);

} // namespace Cli
