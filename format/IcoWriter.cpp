#include "format/IcoWriter.h"

#include <QtEndian>

namespace IcoWriter {

namespace {

constexpr int kDirectorySize = 6;
constexpr int kEntrySize = 16;
constexpr int kBitmapHeaderSize = 40;

void append16(QByteArray& bytes, quint16 value)
{
    const quint16 little = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char*>(&little), sizeof little);
}

void append32(QByteArray& bytes, quint32 value)
{
    const quint32 little = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char*>(&little), sizeof little);
}

// A row of the AND mask is a bit a pixel, padded to whole 32-bit words.
int maskRowBytes(int side)
{
    return (side + 31) / 32 * 4;
}

// The bitmap's header, its rows from the bottom up, then the AND mask, 1 exactly where
// the pixel is wholly transparent: readers that ignore alpha (and Windows' own at
// some depths) show the mask.
QByteArray bitmap(const Picture& picture)
{
    const int side = picture.side;
    const int rowBytes = side * 4;
    const int maskBytes = maskRowBytes(side);
    QByteArray bytes;
    bytes.reserve(kBitmapHeaderSize + side * (rowBytes + maskBytes));
    append32(bytes, kBitmapHeaderSize);
    append32(bytes, quint32(side));
    // The height counts the colour rows and the mask's: this header alone says twice the side.
    append32(bytes, quint32(side) * 2);
    append16(bytes, 1);
    append16(bytes, 32);
    // Uncompressed.
    append32(bytes, 0);
    append32(bytes, quint32(side * (rowBytes + maskBytes)));
    for (int unused = 0; unused < 4; ++unused)
        append32(bytes, 0);
    for (int row = side - 1; row >= 0; --row)
        bytes.append(picture.bgra.constData() + qsizetype(row) * rowBytes, rowBytes);
    for (int row = side - 1; row >= 0; --row) {
        QByteArray mask(maskBytes, '\0');
        const char* pixels = picture.bgra.constData() + qsizetype(row) * rowBytes;
        for (int x = 0; x < side; ++x) {
            if (pixels[x * 4 + 3] == 0)
                mask[x / 8] = char(mask[x / 8] | (0x80 >> (x % 8)));
        }
        bytes.append(mask);
    }
    return bytes;
}

} // namespace

QByteArray write(const QList<Picture>& pictures)
{
    QList<QByteArray> images;
    for (const Picture& picture : pictures) {
        Q_ASSERT(picture.side >= 1 && picture.side <= 256);
        Q_ASSERT(!picture.png.isEmpty() ||
                 picture.bgra.size() == qsizetype(picture.side) * picture.side * 4);
        images.append(picture.png.isEmpty() ? bitmap(picture) : picture.png);
    }
    QByteArray bytes;
    append16(bytes, 0);
    // An icon, not a cursor.
    append16(bytes, 1);
    append16(bytes, quint16(pictures.size()));
    quint32 offset = quint32(kDirectorySize + kEntrySize * pictures.size());
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        // 256 does not fit a byte: the format writes it as 0.
        const char side = char(pictures[i].side % 256);
        bytes.append(side);
        bytes.append(side);
        // No palette; reserved.
        bytes.append('\0');
        bytes.append('\0');
        // Planes and bits a pixel: what a 32-bit bitmap and a PNG are both listed with.
        append16(bytes, 1);
        append16(bytes, 32);
        append32(bytes, quint32(images[i].size()));
        append32(bytes, offset);
        offset += quint32(images[i].size());
    }
    for (const QByteArray& image : images)
        bytes.append(image);
    return bytes;
}

} // namespace IcoWriter
