#include "pictures/DibDecoder.h"

#include <QtEndian>

namespace DibDecoder {

namespace {

constexpr qsizetype kInfoHeaderSize = 40;
constexpr qsizetype kBmpFileHeaderSize = 14;
constexpr quint32 kUncompressed = 0;

quint32 u32(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.data() + at);
}

qint32 i32(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<qint32>(bytes.data() + at);
}

quint16 u16(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

// Where each part of a bitmap is, once checked to lie inside its bytes.
struct Layout
{
    int width = 0;
    int height = 0;
    int bits = 0;
    bool bottomUp = true;
    qsizetype palette = 0;
    int colours = 0;
    qsizetype pixels = 0;
    qsizetype stride = 0;
    // -1 without a mask.
    qsizetype mask = -1;
    qsizetype maskStride = 0;
};

Result<Layout> fail(const char* reason)
{
    return Result<Layout>::failure(QString::fromLatin1(reason));
}

// `header` is where the BITMAPINFOHEADER starts; `pixelsAt` is where the pixels
// start, or -1 for right after the palette; `masked` for an icon's bitmap.
Result<Layout> readLayout(QByteArrayView bytes, qsizetype header, qsizetype pixelsAt, bool masked)
{
    Layout layout;
    if (bytes.size() - header < kInfoHeaderSize)
        return fail("The bitmap header is cut short");
    const quint32 headerSize = u32(bytes, header);
    const qint32 width = i32(bytes, header + 4);
    const qint32 height = i32(bytes, header + 8);
    layout.bits = u16(bytes, header + 14);
    const quint32 compression = u32(bytes, header + 16);
    const quint32 used = u32(bytes, header + 32);
    if (headerSize < kInfoHeaderSize || headerSize > quint32(bytes.size() - header))
        return fail("The bitmap header has an impossible size");
    if (compression != kUncompressed)
        return fail("Compressed bitmaps are not read");
    if (layout.bits != 1 && layout.bits != 4 && layout.bits != 8 && layout.bits != 24 &&
        layout.bits != 32)
        return fail("The bitmap's number of bits a pixel is not read");
    // An icon's height counts the mask too; a BMP file's is negative when top-down.
    const qint64 rows = masked ? qint64(height) / 2 : qAbs(qint64(height));
    if (width <= 0 || width > 2048 || rows <= 0 || rows > 2048)
        return fail("The bitmap's size is outside 1 to 2048 pixels");
    layout.width = width;
    layout.height = int(rows);
    layout.bottomUp = masked || height > 0;
    layout.palette = header + headerSize;
    layout.colours = layout.bits <= 8
                         ? (used == 0 || used > (1u << layout.bits) ? 1 << layout.bits : int(used))
                         : 0;
    layout.stride = ((qsizetype(width) * layout.bits + 31) / 32) * 4;
    layout.pixels = pixelsAt >= 0 ? pixelsAt : layout.palette + qsizetype(layout.colours) * 4;
    if (layout.palette + qsizetype(layout.colours) * 4 > bytes.size() || layout.pixels < 0 ||
        layout.pixels > bytes.size() || layout.stride * rows > bytes.size() - layout.pixels)
        return fail("The bitmap runs past the end of its data");
    layout.maskStride = ((qsizetype(width) + 31) / 32) * 4;
    const qsizetype maskAt = layout.pixels + layout.stride * rows;
    if (masked && layout.maskStride * rows <= bytes.size() - maskAt)
        layout.mask = maskAt;
    return layout;
}

Picture decode(QByteArrayView bytes, const Layout& layout)
{
    Picture picture{layout.width, layout.height,
                    QByteArray(qsizetype(layout.width) * layout.height * 4, Qt::Uninitialized)};
    auto* out = reinterpret_cast<uchar*>(picture.rgba.data());
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    bool anyAlpha = false;
    for (int y = 0; y < layout.height; ++y) {
        const int stored = layout.bottomUp ? layout.height - 1 - y : y;
        const uchar* row = data + layout.pixels + qsizetype(stored) * layout.stride;
        uchar* target = out + qsizetype(y) * layout.width * 4;
        for (int x = 0; x < layout.width; ++x, target += 4) {
            const uchar* colour = nullptr;
            if (layout.bits <= 8) {
                const int perByte = 8 / layout.bits;
                const int shift = (perByte - 1 - x % perByte) * layout.bits;
                const int index = (row[x / perByte] >> shift) & ((1 << layout.bits) - 1);
                colour = data + layout.palette + 4 * qsizetype(index < layout.colours ? index : 0);
            } else {
                colour = row + qsizetype(x) * (layout.bits / 8);
            }
            target[0] = colour[2];
            target[1] = colour[1];
            target[2] = colour[0];
            target[3] = layout.bits == 32 ? colour[3] : 255;
            anyAlpha = anyAlpha || (layout.bits == 32 && colour[3] != 0);
        }
    }
    // A 32-bit picture with an alpha channel of zeros is an old one: its mask tells.
    if (layout.bits == 32 && anyAlpha)
        return picture;
    for (int y = 0; y < layout.height; ++y) {
        const int stored = layout.bottomUp ? layout.height - 1 - y : y;
        const uchar* mask =
            layout.mask < 0 ? nullptr : data + layout.mask + qsizetype(stored) * layout.maskStride;
        uchar* target = out + qsizetype(y) * layout.width * 4;
        for (int x = 0; x < layout.width; ++x) {
            const bool transparent = mask != nullptr && ((mask[x / 8] >> (7 - x % 8)) & 1) != 0;
            target[x * 4 + 3] = transparent ? 0 : 255;
        }
    }
    return picture;
}

} // namespace

Result<Picture> decodeIconBitmap(QByteArrayView bytes)
{
    const Result<Layout> layout = readLayout(bytes, 0, -1, true);
    if (layout.failed())
        return Result<Picture>::failure(layout.reason());
    return decode(bytes, layout.value());
}

Result<Picture> decodeBmpFile(QByteArrayView bytes)
{
    if (bytes.size() < kBmpFileHeaderSize || bytes.first(2) != "BM")
        return Result<Picture>::failure(QStringLiteral("It is not a BMP file"));
    const Result<Layout> layout =
        readLayout(bytes, kBmpFileHeaderSize, qsizetype(u32(bytes, 10)), false);
    if (layout.failed())
        return Result<Picture>::failure(layout.reason());
    return decode(bytes, layout.value());
}

} // namespace DibDecoder
