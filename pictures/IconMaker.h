#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSize>

#include <optional>

class QIODevice;

// Icons made from pictures (PNG, JPEG, BMP, GIF, WebP, SVG): each size Windows shows, drawn
// from the picture nearest it, centred on a transparent square, scaled as an average over
// each pixel's area in linear light with alpha premultiplied, and written as an ICO file
// (256 as PNG, the others as 32-bit bitmaps with their AND masks).
namespace IconMaker {

// A picture larger than this a side, or than kLargestDecoded bytes once decoded (four
// bytes a pixel), is refused by the size its header gives, before it is decoded.
inline constexpr int kLargestSide = 8192;
inline constexpr qint64 kLargestDecoded = qint64(256) * 1024 * 1024;
// An SVG drawing is parsed whole and drawn at each size: one larger than this is no
// icon's, and could take a minute and hundreds of MiB.
inline constexpr qint64 kLargestDrawing = qint64(2) * 1024 * 1024;

// The sizes Windows shows icons at: in Explorer, title bars, the taskbar and Start.
inline constexpr int kDefaultSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
inline constexpr int kLargestIconSide = 256;

// The file name suffixes of the pictures icons are made from, as the window sorts dropped
// files by them and its file dialog lists them: SVG only where this build reads it.
#if TVK_HAS_SVG
inline constexpr const char* kPictureSuffixes[] = {"png", "jpg",  "jpeg", "bmp",
                                                   "gif", "webp", "svg"};
#else
inline constexpr const char* kPictureSuffixes[] = {"png", "jpg", "jpeg", "bmp", "gif", "webp"};
#endif

// How many first bytes pictureFormat() needs to tell an SVG drawing, whose prolog
// (XML declaration, comments, doctype) may come before its first element.
inline constexpr int kHeadBytes = 4096;

// The picture format the file starting with these bytes is in, as Qt names it ("png",
// "jpeg", "bmp", "gif", "webp", "svg"), if it is one that icons are made from.
std::optional<QByteArray> pictureFormat(const QByteArray& head);

// The format's name, as Qt names it ("png", "webp"), as people write it ("PNG", "WebP").
QString formatName(const QByteArray& format);

// A picture read for an icon: pixels, or a drawing to be drawn at each size.
struct Picture
{
    QImage pixels;
    QByteArray drawing;
    // Its size in pixels, or the size a drawing gives itself (empty when it gives none).
    QSize size;

    bool isDrawing() const { return !drawing.isEmpty(); }
    int side() const { return qMax(size.width(), size.height()); }
};

// Reads the picture in `format` from the device, within the bounds above.
// `budget` is what its pixels may take decoded, when pictures read before it take some.
Result<Picture> read(QIODevice& device, const QByteArray& format, qint64 budget = kLargestDecoded);

// The sizes, of those asked for, that an icon made from the pictures holds, smallest first:
// none larger than the largest picture, which a drawing is not bound by.
QList<int> sizesFor(const QList<Picture>& pictures, const QList<int>& asked);

// Each size's picture, square, eight bits a channel with alpha (QImage::Format_ARGB32).
QList<QImage> draw(const QList<Picture>& pictures, const QList<int>& sizes);

// The ICO file holding the drawn pictures.
Result<QByteArray> icon(const QList<QImage>& drawn);

} // namespace IconMaker
