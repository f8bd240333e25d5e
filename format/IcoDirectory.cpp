#include "format/IcoDirectory.h"

#include <QIODevice>

namespace IcoDirectory {

std::optional<std::vector<Entry>> read(QIODevice& device, qint64 offset, qint64 length)
{
    return IcoLayout::read(length, [&](qint64 at, unsigned char* into, qint64 count) {
        return device.seek(offset + at) &&
               device.read(reinterpret_cast<char*>(into), count) == count;
    });
}

QStringList sizeNames(const std::vector<Entry>& entries, QChar times)
{
    QStringList names;
    for (const Entry& entry : entries)
        names << QString::number(entry.width) + times + QString::number(entry.height);
    return names;
}

} // namespace IcoDirectory
