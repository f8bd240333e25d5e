#include "format/IcoProbe.h"

#include <QIODevice>
#include <QtEndian>

namespace {
constexpr qint64 kHeaderSize = 6;
constexpr qint64 kEntrySize = 16;
constexpr int kMaxEntries = 256;

quint16 word(const uchar* at)
{
    return qFromLittleEndian<quint16>(at);
}
quint32 dword(const uchar* at)
{
    return qFromLittleEndian<quint32>(at);
}
} // namespace

namespace IcoProbe {

std::optional<QList<QSize>> probe(QIODevice& device, qint64 offset, qint64 length)
{
    if (length < kHeaderSize || !device.seek(offset))
        return std::nullopt;
    const QByteArray header = device.read(kHeaderSize);
    if (header.size() != kHeaderSize)
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const uchar*>(header.constData());
    const int count = word(bytes + 4);
    if (word(bytes) != 0 || word(bytes + 2) != 1 || count < 1 || count > kMaxEntries)
        return std::nullopt;

    const qint64 directoryEnd = kHeaderSize + count * kEntrySize;
    if (directoryEnd > length)
        return std::nullopt;
    const QByteArray directory = device.read(count * kEntrySize);
    if (directory.size() != count * kEntrySize)
        return std::nullopt;

    QList<QSize> sizes;
    for (int i = 0; i < count; ++i) {
        const auto* entry = reinterpret_cast<const uchar*>(directory.constData()) + i * kEntrySize;
        const qint64 imageSize = dword(entry + 8);
        const qint64 imageOffset = dword(entry + 12);
        if (imageSize == 0 || imageOffset < directoryEnd || imageOffset + imageSize > length)
            return std::nullopt;
        // A width or height byte of 0 stands for 256.
        sizes << QSize(entry[0] == 0 ? 256 : entry[0], entry[1] == 0 ? 256 : entry[1]);
    }
    return sizes;
}

} // namespace IcoProbe
