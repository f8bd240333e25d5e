#include "pictures/IconMaker.h"

#include "format/IcoWriter.h"

#include <QBuffer>
#include <QColorSpace>
#include <QColorTransform>
#include <QIODevice>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QXmlStreamReader>
#include <QtEndian>
#if TVK_HAS_SVG
#include <QSvgRenderer>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace IconMaker {

namespace {

// Whether the bytes, past a byte-order mark, white space, an XML declaration, comments and
// a doctype, begin with an <svg element.
bool startsSvg(QByteArrayView text)
{
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    while (true) {
        while (!text.isEmpty() && std::isspace(static_cast<unsigned char>(text.front())))
            text = text.sliced(1);
        const auto skipPast = [&](QByteArrayView end) {
            const qsizetype at = text.indexOf(end);
            if (at < 0)
                return false;
            text = text.sliced(at + end.size());
            return true;
        };
        if (text.startsWith("<!DOCTYPE")) {
            // An internal subset (as drawing programs write their entities in) holds '>'.
            const qsizetype subset = text.indexOf('[');
            const qsizetype end = text.indexOf('>');
            if ((subset >= 0 && subset < end && !skipPast("]")) || !skipPast(">"))
                return false;
        } else if (text.startsWith("<?xml")) {
            if (!skipPast(">"))
                return false;
        } else if (text.startsWith("<!--")) {
            if (!skipPast("-->"))
                return false;
        } else {
            break;
        }
    }
    return text.startsWith("<svg") && text.size() > 4 &&
           (std::isspace(static_cast<unsigned char>(text[4])) || text[4] == '>');
}

// A BMP file: "BM", then one of the bitmap headers Windows has defined, by its size.
bool startsBmp(QByteArrayView head)
{
    if (head.size() < 18 || !head.startsWith("BM"))
        return false;
    const quint32 headerSize = qFromLittleEndian<quint32>(head.data() + 14);
    return headerSize == 12 || headerSize == 40 || headerSize == 52 || headerSize == 56 ||
           headerSize == 64 || headerSize == 108 || headerSize == 124;
}

// The first file outside the drawing that it would draw (an <image> whose reference is not a
// data: URL), if any: Qt SVG reads such files, which would take another file's pixels, read
// with no bound, into the icon (or wait for ever on a FIFO).
std::optional<QString> outsideFile(const QByteArray& drawing)
{
    QXmlStreamReader reader(drawing);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != u"image")
            continue;
        for (const QXmlStreamAttribute& attribute : reader.attributes()) {
            const QString reference = attribute.value().trimmed().toString();
            if (attribute.name() == u"href" &&
                !reference.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
                return reference;
        }
    }
    return std::nullopt;
}

Result<Picture> readDrawing(QIODevice& device)
{
    Picture picture;
    picture.drawing = device.read(kLargestDrawing + 1);
    if (picture.drawing.size() > kLargestDrawing)
        return Result<Picture>::failure(
            QStringLiteral("The drawing is larger than %1 MiB.").arg(kLargestDrawing >> 20));
    if (const std::optional<QString> outside = outsideFile(picture.drawing)) {
        return Result<Picture>::failure(
            QStringLiteral("It draws the file '%1' into itself; a drawing made into an icon "
                           "may hold pictures only within it.")
                .arg(outside->left(200)));
    }
#if TVK_HAS_SVG
    const QSvgRenderer renderer(picture.drawing);
    if (!renderer.isValid())
        return Result<Picture>::failure(QStringLiteral("It is not an SVG drawing Qt can read."));
    picture.size = renderer.defaultSize();
    return picture;
#else
    return Result<Picture>::failure(QStringLiteral("This build of the program reads no SVG."));
#endif
}

// Whether the colour space is sRGB, or says it in the words of a PNG file without an sRGB
// chunk: gAMA 1/2.2, and sRGB's primaries in cHRM or none (what libpng, ImageMagick and
// others write for sRGB). Browsers show those as sRGB; converting them from a pure 2.2
// curve would darken every shadow of the picture its author saw. Qt names primaries it
// reads from cHRM "custom": they are sRGB's when they map sRGB's own primaries onto
// themselves.
bool isSrgb(const QColorSpace& space)
{
    if (space == QColorSpace(QColorSpace::SRgb))
        return true;
    if (space.transferFunction() != QColorSpace::TransferFunction::Gamma ||
        qAbs(space.gamma() - 2.2F) > 0.01F)
        return false;
    const QColorTransform toSrgbPrimaries = space.transformationToColorSpace(QColorSpace(
        QColorSpace::Primaries::SRgb, QColorSpace::TransferFunction::Gamma, space.gamma()));
    for (const QRgb colour : {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                              qRgb(255, 255, 255), qRgb(40, 80, 160)}) {
        const QRgb mapped = toSrgbPrimaries.map(colour);
        if (qAbs(qRed(mapped) - qRed(colour)) > 1 || qAbs(qGreen(mapped) - qGreen(colour)) > 1 ||
            qAbs(qBlue(mapped) - qBlue(colour)) > 1)
            return false;
    }
    return true;
}

Result<Picture> readPixels(QIODevice& device, const QByteArray& format, qint64 budget)
{
    // Qt's own bound, one for the whole program (so that no other reader sets it), would
    // refuse a large picture that is within this program's bounds.
    QImageReader::setAllocationLimit(int(kLargestDecoded >> 20));
    QImageReader reader(&device, format);
    // A photo is shown upright, as its camera recorded it.
    reader.setAutoTransform(true);
    QSize size = reader.size();
    // A BMP stored from the top row down says so with a negative height.
    if (format == "bmp" && size.height() < 0)
        size.setHeight(-size.height());
    if (!size.isValid() || size.isEmpty())
        return Result<Picture>::failure(
            QStringLiteral("Its header gives no size: it is no %1 picture that can be read.")
                .arg(formatName(format)));
    // Decoded as the file's own format first (a 16-bit PNG takes eight bytes a pixel), then
    // as four bytes a pixel.
    const int bytesPerPixel =
        qMax(4, reader.imageFormat() == QImage::Format_Invalid
                    ? 4
                    : QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel() / 8);
    if (size.width() > kLargestSide || size.height() > kLargestSide ||
        qint64(size.width()) * size.height() * bytesPerPixel > budget) {
        return Result<Picture>::failure(
            QStringLiteral("It is %1 by %2 pixels; a picture may be at most %3 pixels a side "
                           "and %4 MiB decoded%5.")
                .arg(size.width())
                .arg(size.height())
                .arg(kLargestSide)
                .arg(kLargestDecoded >> 20)
                .arg(budget < kLargestDecoded ? QStringLiteral(", all the pictures together as one")
                                              : QString()));
    }
    Picture picture;
    if (!reader.read(&picture.pixels))
        return Result<Picture>::failure(reader.errorString() + QLatin1Char('.'));
    // Averaged as sRGB below: a picture in another colour space is converted first.
    if (const QColorSpace space = picture.pixels.colorSpace(); space.isValid() && !isSrgb(space))
        picture.pixels.convertToColorSpace(QColorSpace::SRgb);
    picture.pixels.convertTo(QImage::Format_ARGB32);
    picture.size = picture.pixels.size();
    return picture;
}

// The picture each size is drawn from (one of `pictures`, which is not empty): the smallest
// that is at least that size (its own size first); else, for a size larger than every
// picture, the largest drawing.
const Picture& nearest(const QList<Picture>& pictures, int side)
{
    const Picture* chosen = &pictures.front();
    for (const Picture& picture : pictures) {
        if (picture.side() >= side && (chosen->side() < side || picture.side() < chosen->side()))
            chosen = &picture;
    }
    for (const Picture& picture : pictures) {
        if (chosen->side() < side && picture.isDrawing() &&
            (!chosen->isDrawing() || picture.side() > chosen->side()))
            chosen = &picture;
    }
    return *chosen;
}

// The drawing at each of the sides, parsed once.
QList<QImage> drawn(const QByteArray& drawing, const QList<int>& sides)
{
    QList<QImage> images;
#if TVK_HAS_SVG
    QSvgRenderer renderer(drawing);
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
#else
    // No drawing is read without Qt SVG (readDrawing), so none comes here.
    Q_UNUSED(drawing)
#endif
    for (const int side : sides) {
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
#if TVK_HAS_SVG
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, side, side));
        painter.end();
#endif
        images.append(image.convertToFormat(QImage::Format_ARGB32));
    }
    return images;
}

// sRGB's transfer function and its inverse, for eight-bit channels.
const std::array<float, 256>& linearOf()
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> values{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            values[size_t(i)] =
                float(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return values;
    }();
    return table;
}

// The linear light at which each eight-bit value gives way to the next: encoding a value
// is a search among them rather than a power for each channel of each pixel.
const std::array<float, 255>& roundingPoints()
{
    static const std::array<float, 255> points = [] {
        std::array<float, 255> values{};
        for (size_t i = 0; i < values.size(); ++i) {
            const double v = (double(i) + 0.5) / 255;
            values[i] = float(v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
        }
        return values;
    }();
    return points;
}

int encodedOf(float linear)
{
    const std::array<float, 255>& points = roundingPoints();
    return int(std::upper_bound(points.begin(), points.end(), linear) - points.begin());
}

// What each source pixel of a line gives each target pixel: the length of their overlap.
struct Share
{
    int target;
    int source;
    float length;
};

// The shares along one axis: `count` source pixels placed from `offset` in a square of
// `side` source pixels, averaged into `targets` pixels.
std::vector<Share> sharesOf(int count, int offset, int side, int targets)
{
    const double scale = double(side) / targets;
    std::vector<Share> shares;
    for (int source = 0; source < count; ++source) {
        const double from = source + offset;
        const double to = from + 1;
        for (int target = int(from / scale); target < targets && target * scale < to; ++target) {
            const double length =
                std::min(to, (target + 1) * scale) - std::max(from, target * scale);
            if (length > 0)
                shares.push_back({target, source, float(length)});
        }
    }
    return shares;
}

// The picture centred on a transparent square of its larger side, unscaled.
QImage squared(const QImage& source)
{
    const int side = qMax(source.width(), source.height());
    QImage square(side, side, QImage::Format_ARGB32);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage((side - source.width()) / 2, (side - source.height()) / 2, source);
    return square;
}

// One size being averaged: what each source pixel gives it, and its sums so far.
struct Average
{
    int side;
    std::vector<Share> across;
    std::vector<Share> down;
    std::vector<Share>::const_iterator nextDown;
    std::vector<float> sums;
    std::vector<float> line;
};

// The `side`-pixel picture from the sums of `from`, a multiple of it, for a picture of
// `sourceSide` pixels: each of its pixels sums a block of `from`'s.
QImage finished(const Average& from, int side, int sourceSide)
{
    const int block = from.side / side;
    const float area = float(sourceSide) * float(sourceSide) / (float(side) * float(side));
    QImage target(side, side, QImage::Format_ARGB32);
    for (int y = 0; y < side; ++y) {
        auto* pixels = reinterpret_cast<QRgb*>(target.scanLine(y));
        for (int x = 0; x < side; ++x) {
            std::array<float, 4> sum{};
            for (int fromY = y * block; fromY < (y + 1) * block; ++fromY) {
                for (int fromX = x * block; fromX < (x + 1) * block; ++fromX) {
                    const float* part =
                        &from.sums[(size_t(fromY) * size_t(from.side) + size_t(fromX)) * 4];
                    for (size_t channel = 0; channel < 4; ++channel)
                        sum[channel] += part[channel];
                }
            }
            const int alpha = int(std::lround(std::clamp(sum[3] / area, 0.0F, 1.0F) * 255));
            pixels[x] = alpha == 0 ? qRgba(0, 0, 0, 0)
                                   : qRgba(encodedOf(sum[0] / sum[3]), encodedOf(sum[1] / sum[3]),
                                           encodedOf(sum[2] / sum[3]), alpha);
        }
    }
    return target;
}

// The sides averaged straight from a picture of `side` pixels, largest first: a side that
// divides one of them is summed from its sums instead, as each of its pixels' edges is one
// of that side's (256 gives 64, 32 and 16; 48 gives 24): exact, and less work in the pass
// over the picture. The picture's own side is copied.
QList<int> averagedSides(const QList<int>& sides, int side)
{
    QList<int> largestFirst = sides;
    std::sort(largestFirst.begin(), largestFirst.end(), std::greater<>());
    QList<int> direct;
    for (const int target : largestFirst) {
        if (target != side && std::none_of(direct.begin(), direct.end(),
                                           [&](int larger) { return larger % target == 0; }))
            direct.append(target);
    }
    return direct;
}

// The picture, centred on a transparent square, at each of the sides (none larger than it),
// each pixel the average over its area, in linear light with alpha premultiplied: no dark
// fringes, no ringing, and thin light lines keep their brightness. One pass over the
// picture serves every side.
QList<QImage> averaged(const QImage& source, const QList<int>& sides)
{
    const int side = qMax(source.width(), source.height());
    const int left = (side - source.width()) / 2;
    const int top = (side - source.height()) / 2;
    std::vector<Average> averages;
    for (const int target : averagedSides(sides, side)) {
        Average average{target,
                        sharesOf(source.width(), left, side, target),
                        sharesOf(source.height(), top, side, target),
                        {},
                        std::vector<float>(size_t(target) * size_t(target) * 4),
                        std::vector<float>(size_t(target) * 4)};
        averages.push_back(std::move(average));
    }
    for (Average& average : averages)
        average.nextDown = average.down.cbegin();
    const std::array<float, 256>& linear = linearOf();
    std::vector<float> row(size_t(source.width()) * 4);
    for (int y = 0; y < source.height() && !averages.empty(); ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const QRgb pixel = pixels[x];
            const float alpha = float(qAlpha(pixel)) / 255.0F;
            float* at = &row[size_t(x) * 4];
            at[0] = alpha * linear[size_t(qRed(pixel))];
            at[1] = alpha * linear[size_t(qGreen(pixel))];
            at[2] = alpha * linear[size_t(qBlue(pixel))];
            at[3] = alpha;
        }
        for (Average& average : averages) {
            std::fill(average.line.begin(), average.line.end(), 0.0F);
            // The shares come by target, so that each target's sum stays in registers.
            std::array<float, 4> sum{};
            int target = average.across.front().target;
            for (const Share& x : average.across) {
                if (x.target != target) {
                    std::copy(sum.begin(), sum.end(), &average.line[size_t(target) * 4]);
                    sum = {};
                    target = x.target;
                }
                const float* from = &row[size_t(x.source) * 4];
                for (size_t channel = 0; channel < 4; ++channel)
                    sum[channel] += x.length * from[channel];
            }
            std::copy(sum.begin(), sum.end(), &average.line[size_t(target) * 4]);
            for (; average.nextDown != average.down.cend() && average.nextDown->source == y;
                 ++average.nextDown) {
                float* sums =
                    &average.sums[size_t(average.nextDown->target) * size_t(average.side) * 4];
                for (size_t i = 0; i < average.line.size(); ++i)
                    sums[i] += average.nextDown->length * average.line[i];
            }
        }
    }
    QList<QImage> images;
    for (const int target : sides) {
        if (target == side) {
            images.append(squared(source));
            continue;
        }
        images.append(finished(
            *std::find_if(averages.begin(), averages.end(),
                          [&](const Average& average) { return average.side % target == 0; }),
            target, side));
    }
    return images;
}

QByteArray bgraOf(const QImage& picture)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(picture.width()) * picture.height() * 4);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = pixels[x];
            bytes.append(char(qBlue(pixel)));
            bytes.append(char(qGreen(pixel)));
            bytes.append(char(qRed(pixel)));
            bytes.append(char(qAlpha(pixel)));
        }
    }
    return bytes;
}

} // namespace

QString formatName(const QByteArray& format)
{
    return format == "webp" ? QStringLiteral("WebP") : QString::fromLatin1(format.toUpper());
}

std::optional<QByteArray> pictureFormat(const QByteArray& head)
{
    const QByteArrayView bytes(head);
    if (bytes.startsWith("\x89PNG\r\n\x1A\n"))
        return QByteArray("png");
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return QByteArray("jpeg");
    if (bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a"))
        return QByteArray("gif");
    if (bytes.size() >= 12 && bytes.startsWith("RIFF") && bytes.sliced(8, 4) == "WEBP")
        return QByteArray("webp");
    if (startsBmp(bytes))
        return QByteArray("bmp");
    if (startsSvg(bytes))
        return QByteArray("svg");
    return std::nullopt;
}

Result<Picture> read(QIODevice& device, const QByteArray& format, qint64 budget)
{
    return format == "svg" ? readDrawing(device) : readPixels(device, format, budget);
}

QList<int> sizesFor(const QList<Picture>& pictures, const QList<int>& asked)
{
    int largest = 0;
    bool drawing = false;
    for (const Picture& picture : pictures) {
        largest = qMax(largest, picture.side());
        drawing = drawing || picture.isDrawing();
    }
    QList<int> sizes;
    for (const int side : asked) {
        if (side >= 1 && side <= kLargestIconSide && (drawing || side <= largest) &&
            !sizes.contains(side))
            sizes.append(side);
    }
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

QList<QImage> draw(const QList<Picture>& pictures, const QList<int>& sizes)
{
    QList<QImage> drawnPictures(sizes.size());
    for (const Picture& picture : pictures) {
        QList<int> sides;
        QList<qsizetype> at;
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            if (&nearest(pictures, sizes[i]) == &picture) {
                sides.append(sizes[i]);
                at.append(i);
            }
        }
        if (sides.isEmpty())
            continue;
        const QList<QImage> made =
            picture.isDrawing() ? drawn(picture.drawing, sides) : averaged(picture.pixels, sides);
        for (qsizetype i = 0; i < at.size(); ++i)
            drawnPictures[at[i]] = made[i];
    }
    return drawnPictures;
}

Result<QByteArray> icon(const QList<QImage>& drawn)
{
    QList<IcoWriter::Picture> pictures;
    for (const QImage& picture : drawn) {
        IcoWriter::Picture stored{.side = picture.width(), .png = {}, .bgra = {}};
        // The largest is stored as PNG, as Windows stores it: a bitmap would take 256 KiB.
        if (picture.width() == kLargestIconSide) {
            QBuffer buffer(&stored.png);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "png");
            // zlib's level 4: as small as its default for such pictures, at a third of the time.
            writer.setQuality(50);
            if (!writer.write(picture))
                return Result<QByteArray>::failure(
                    QStringLiteral("The picture of %1 pixels could not be encoded as PNG.")
                        .arg(picture.width()));
        } else {
            stored.bgra = bgraOf(picture);
        }
        pictures.append(stored);
    }
    return IcoWriter::write(pictures);
}

} // namespace IconMaker
