#pragma once

#include <QList>
#include <QSize>

#include <optional>

class QIODevice;

// Whether bytes stored as an icon look like an ICO file: a header with reserved 0,
// type 1 and 1 to 256 directory entries, each entry's image inside the icon.
// Returns the sizes of its images if so. A hint only: TVK files store any bytes.
// Reads at most the header and directory, from `offset` of the device.
namespace IcoProbe {
std::optional<QList<QSize>> probe(QIODevice& device, qint64 offset, qint64 length);
} // namespace IcoProbe
