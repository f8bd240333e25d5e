#include "format/IcoDirectory.h"

#include "format/IcoLayout.h"

#include <QIODevice>

namespace IcoDirectory {

std::optional<QList<Entry>> read(QIODevice& device, qint64 offset, qint64 length)
{
    const std::optional<std::vector<IcoLayout::Entry>> entries =
        IcoLayout::read(length, [&](qint64 at, unsigned char* into, qint64 count) {
            return device.seek(offset + at) &&
                   device.read(reinterpret_cast<char*>(into), count) == count;
        });
    if (!entries)
        return std::nullopt;
    QList<Entry> result;
    result.reserve(qsizetype(entries->size()));
    for (const IcoLayout::Entry& entry : *entries)
        result << Entry{QSize(entry.width, entry.height), entry.offset, entry.length};
    return result;
}

QStringList sizeNames(const QList<Entry>& entries, QChar times)
{
    QStringList names;
    names.reserve(entries.size());
    for (const Entry& entry : entries)
        names << QString::number(entry.size.width()) + times + QString::number(entry.size.height());
    return names;
}

} // namespace IcoDirectory
