#include "format/IcoDirectory.h"

#include <QIODevice>
#include <QtEndian>

namespace {
constexpr qint64 kHeaderSize = 6;
constexpr qint64 kEntrySize = 16;

quint16 word(const char* at)
{
    return qFromLittleEndian<quint16>(at);
}
quint32 dword(const char* at)
{
    return qFromLittleEndian<quint32>(at);
}

bool isIconOrCursor(quint16 type)
{
    return type == 1 || type == 2;
}
} // namespace

namespace IcoDirectory {

std::optional<QList<Entry>> read(QIODevice& device, qint64 offset, qint64 length)
{
    if (length < kHeaderSize || !device.seek(offset))
        return std::nullopt;
    char header[kHeaderSize] = {};
    if (device.read(header, kHeaderSize) != kHeaderSize)
        return std::nullopt;
    const qint64 count = word(header + 4);
    if (word(header) != 0 || !isIconOrCursor(word(header + 2)) || count == 0)
        return std::nullopt;

    const qint64 directoryEnd = kHeaderSize + count * kEntrySize;
    if (directoryEnd > length)
        return std::nullopt;
    const QByteArray directory = device.read(count * kEntrySize);
    if (directory.size() != count * kEntrySize)
        return std::nullopt;

    QList<Entry> entries;
    entries.reserve(count);
    for (qint64 i = 0; i < count; ++i) {
        const char* at = directory.constData() + i * kEntrySize;
        const Entry entry{
            QSize(uchar(at[0]) == 0 ? 256 : uchar(at[0]), uchar(at[1]) == 0 ? 256 : uchar(at[1])),
            dword(at + 12), dword(at + 8)};
        if (entry.length == 0 || entry.offset < directoryEnd ||
            entry.offset + entry.length > length)
            return std::nullopt;
        entries << entry;
    }
    return entries;
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
