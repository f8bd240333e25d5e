#include "pictures/IconPictures.h"

#include "format/IcoDirectory.h"
#include "format/PngLimits.h"

#include <QBuffer>
#include <QImageReader>
#include <QSet>
#include <QSize>
#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <span>

namespace IconPictures {

namespace {

// What Qt's readers may allocate for one picture: a 2048-pixel square at 8
// bytes a pixel (16-bit PNG channels), and a little more.
constexpr int kAllocationLimitMiB = 33;

enum class Kind
{
    Png,
    Bitmap,
};

// One picture in the bytes, as its headers describe it; nothing is decoded yet.
struct Stored
{
    Kind kind = Kind::Png;
    qsizetype offset = 0;
    qsizetype length = 0;
    QSize size;
    // Listed by an ICO file, whose bitmaps have no file header.
    bool inIco = false;

    qint64 pixels() const { return qint64(size.width()) * size.height(); }
};

std::span<const unsigned char> bytesOf(QByteArrayView bytes)
{
    return {reinterpret_cast<const unsigned char*>(bytes.data()), size_t(bytes.size())};
}

qint32 littleEndian32(const char* at)
{
    return qFromLittleEndian<qint32>(at);
}

bool plausible(QSize size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= kLargestSide &&
           size.height() <= kLargestSide;
}

// The picture at [offset, offset + length), from its own header: a PNG's IHDR,
// or a BITMAPINFOHEADER (whose height counts the mask too, in an ICO file).
std::optional<Stored> pictureAt(const QByteArray& bytes, qsizetype offset, qsizetype length,
                                bool inIco)
{
    if (offset < 0 || length <= 0 || offset > bytes.size() || length > bytes.size() - offset)
        return std::nullopt;
    const char* data = bytes.constData() + offset;
    Stored picture{Kind::Png, offset, length, {}, inIco};
    if (const auto png = PngLimits::header(bytesOf(QByteArrayView(data, length)))) {
        picture.size = QSize(int(std::min<quint32>(png->width, INT_MAX)),
                             int(std::min<quint32>(png->height, INT_MAX)));
    } else if (inIco && length >= 12) {
        picture.kind = Kind::Bitmap;
        picture.size = QSize(littleEndian32(data + 4), littleEndian32(data + 8) / 2);
    } else if (!inIco && length >= 26 && data[0] == 'B' && data[1] == 'M') {
        picture.kind = Kind::Bitmap;
        // Negative for a picture stored top-down; INT_MIN has no positive twin.
        const qint64 height = qAbs(qint64(littleEndian32(data + 22)));
        picture.size = QSize(littleEndian32(data + 18), int(std::min<qint64>(height, INT_MAX)));
    } else {
        return std::nullopt;
    }
    if (!plausible(picture.size))
        return std::nullopt;
    return picture;
}

// Every picture an ICO file's directory lists that can be decoded within the
// bounds, each stored picture once (a directory may list one 65,535 times);
// nothing when the bytes are no ICO file.
std::optional<QList<Stored>> icoPictures(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const std::optional<QList<IcoDirectory::Entry>> entries =
        IcoDirectory::read(buffer, 0, bytes.size());
    if (!entries)
        return std::nullopt;
    QList<Stored> pictures;
    QSet<qint64> offsets;
    for (const IcoDirectory::Entry& entry : *entries) {
        if (offsets.contains(entry.offset))
            continue;
        offsets.insert(entry.offset);
        if (std::optional<Stored> picture = pictureAt(bytes, entry.offset, entry.length, true))
            pictures << *picture;
    }
    return pictures;
}

// The pictures to choose from, or why there are none.
Result<QList<Stored>> picturesIn(const QByteArray& bytes)
{
    if (const std::optional<QList<Stored>> listed = icoPictures(bytes)) {
        if (listed->isEmpty())
            return Result<QList<Stored>>::failure(
                QStringLiteral("The ICO file lists no picture of at most %1 by %1 pixels")
                    .arg(kLargestSide));
        return *listed;
    }
    if (const std::optional<Stored> single = pictureAt(bytes, 0, bytes.size(), false))
        return QList<Stored>{*single};
    return Result<QList<Stored>>::failure(
        QStringLiteral("It is not an ICO, PNG or BMP picture of at most %1 by %1 pixels")
            .arg(kLargestSide));
}

// A 32-bit bitmap whose alpha is zero throughout, as icons made before alpha
// channels are, with the transparency its mask gives: Windows draws such an
// icon by its mask, and Qt's reader would make it wholly transparent.
QByteArray alphaFromMask(QByteArray bitmap, QSize size)
{
    const qint64 header = littleEndian32(bitmap.constData());
    const qint64 rowBytes = qint64(size.width()) * 4;
    const qint64 maskRowBytes = (qint64(size.width()) + 31) / 32 * 4;
    const qint64 maskAt = header + rowBytes * size.height();
    if (header < 40 || qFromLittleEndian<quint16>(bitmap.constData() + 14) != 32 ||
        littleEndian32(bitmap.constData() + 16) != 0 ||
        maskAt + maskRowBytes * size.height() > bitmap.size())
        return bitmap;
    char* pixels = bitmap.data() + header;
    for (qint64 i = 3; i < rowBytes * size.height(); i += 4) {
        if (pixels[i] != 0)
            return bitmap;
    }
    for (int y = 0; y < size.height(); ++y) {
        const char* mask = bitmap.constData() + maskAt + maskRowBytes * y;
        for (int x = 0; x < size.width(); ++x) {
            const bool transparent = (uchar(mask[x / 8]) >> (7 - x % 8)) & 1;
            pixels[rowBytes * y + qint64(x) * 4 + 3] = transparent ? '\0' : '\xFF';
        }
    }
    return bitmap;
}

// A bitmap of an ICO file as an ICO file of its own, the form Qt's ICO reader
// takes it in: it alone knows the bitmap's mask and doubled height.
QByteArray iconOfOne(const QByteArray& bitmap, QSize size)
{
    QByteArray icon(22, '\0');
    char* at = icon.data();
    qToLittleEndian<quint16>(1, at + 2);
    qToLittleEndian<quint16>(1, at + 4);
    // A side of 256 is written as 0.
    at[6] = char(size.width() & 0xFF);
    at[7] = char(size.height() & 0xFF);
    qToLittleEndian<quint16>(1, at + 10);
    qToLittleEndian<quint16>(
        bitmap.size() >= 16 ? qFromLittleEndian<quint16>(bitmap.constData() + 14) : quint16(0),
        at + 12);
    qToLittleEndian<quint32>(quint32(bitmap.size()), at + 14);
    qToLittleEndian<quint32>(22, at + 18);
    return icon + (bitmap.size() >= 40 ? alphaFromMask(bitmap, size) : bitmap);
}

// The one door to Qt's readers: every picture goes through it, within the bounds.
Result<QImage> read(QByteArray bytes, const char* format)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAllocationLimit(kAllocationLimitMiB);
    const QSize size = reader.size();
    if (size.isValid() && !plausible(size))
        return Result<QImage>::failure(
            QStringLiteral("The picture is larger than %1 by %1 pixels").arg(kLargestSide));
    QImage image = reader.read();
    if (image.isNull())
        return Result<QImage>::failure(reader.errorString());
    return image;
}

Result<QImage> decode(const QByteArray& bytes, const Stored& stored)
{
    const QByteArrayView data(bytes.constData() + stored.offset, stored.length);
    if (stored.kind == Kind::Png) {
        if (const std::optional<std::string> refused = PngLimits::refusal(bytesOf(data)))
            return Result<QImage>::failure(QString::fromStdString(*refused));
        const std::vector<unsigned char> essential = PngLimits::essential(bytesOf(data));
        return read(QByteArray(reinterpret_cast<const char*>(essential.data()),
                               qsizetype(essential.size())),
                    "png");
    }
    return stored.inIco ? read(iconOfOne(data.toByteArray(), stored.size), "ico")
                        : read(data.toByteArray(), "bmp");
}

// Each picture that fits in what is left of the budget, or the last reason
// when none could be read.
Result<QList<QImage>> decodeEach(const QByteArray& icon, const QList<Stored>& pictures,
                                 qint64 budget)
{
    QList<QImage> decoded;
    QString reason;
    for (const Stored& stored : pictures) {
        if (stored.pixels() > budget)
            continue;
        Result<QImage> picture = decode(icon, stored);
        if (picture.failed()) {
            reason = picture.reason();
            continue;
        }
        budget -= stored.pixels();
        decoded << std::move(picture).value();
    }
    if (decoded.isEmpty())
        return Result<QList<QImage>>::failure(reason);
    return decoded;
}

} // namespace

Result<QImage> largest(const QByteArray& icon)
{
    Result<QList<Stored>> pictures = picturesIn(icon);
    if (pictures.failed())
        return Result<QImage>::failure(pictures.reason());
    // Largest first; if it cannot be read, the next one, a few times at most.
    std::stable_sort(pictures->begin(), pictures->end(),
                     [](const Stored& a, const Stored& b) { return a.pixels() > b.pixels(); });
    constexpr qsizetype kAttempts = 3;
    QString reason;
    for (const Stored& picture : pictures->mid(0, kAttempts)) {
        Result<QImage> decoded = decode(icon, picture);
        if (!decoded.failed())
            return decoded;
        reason = decoded.reason();
    }
    return Result<QImage>::failure(reason);
}

Result<QList<QImage>> some(const QByteArray& icon, int most)
{
    const Result<QList<Stored>> pictures = picturesIn(icon);
    if (pictures.failed())
        return Result<QList<QImage>>::failure(pictures.reason());
    return decodeEach(icon, pictures->mid(0, most), kPixelBudget);
}

QImage fitted(const QImage& picture, int side)
{
    if (picture.isNull() || (picture.width() <= side && picture.height() <= side))
        return picture;
    const double ratio = std::min(double(side) / picture.width(), double(side) / picture.height());
    const QSize size(std::max(1, int(std::lround(picture.width() * ratio))),
                     std::max(1, int(std::lround(picture.height() * ratio))));
    return picture.convertToFormat(QImage::Format_ARGB32_Premultiplied)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace IconPictures
