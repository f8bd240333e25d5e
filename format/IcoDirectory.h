#pragma once

#include "format/IcoLayout.h"

#include <QStringList>

class QIODevice;

// The directory of an ICO file, the one answer to "is this an ICO file" that
// every reader gives: a header with reserved 0, type 1 (icon) or 2 (cursor,
// the same layout with a hot spot), 1 to 65,535 entries, each entry's image
// non-empty and wholly inside the icon, after the directory. Reads the header
// and directory alone (at most 1 MiB), from `offset` of the device; nothing
// when the bytes are not such a file. A hint only: TVK files store any bytes.
namespace IcoDirectory {

using Entry = IcoLayout::Entry;

std::optional<std::vector<Entry>> read(QIODevice& device, qint64 offset, qint64 length);

// Each entry's size as "WIDTHxHEIGHT", `times` between: the window shows a
// multiplication sign, the command line an ASCII x that scripts can split on.
QStringList sizeNames(const std::vector<Entry>& entries, QChar times = QLatin1Char('x'));

} // namespace IcoDirectory
