#pragma once

#include "TvkReader.h"

#include <QFile>

#include <optional>

// Opens a TVK file for reading and checks its fields; reports why not, naming
// the file, when it cannot be opened or is not a valid TVK file.
std::optional<TvkContents> openPackage(QFile& file);
