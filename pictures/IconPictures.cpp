#include "pictures/IconPictures.h"

#include "format/IconChoice.h"
#include "format/PngLimits.h"
#include "pictures/IconMaker.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>

namespace IconPictures {

namespace {

using IconChoice::Stored;

std::span<const unsigned char> bytesOf(const QByteArray& bytes)
{
    return {reinterpret_cast<const unsigned char*>(bytes.constData()), size_t(bytes.size())};
}

QByteArray bytesOf(std::span<const unsigned char> bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// The pictures to choose from, or why there are none.
Result<std::vector<Stored>> picturesIn(const QByteArray& icon)
{
    std::optional<std::vector<Stored>> pictures = IconChoice::picturesIn(bytesOf(icon));
    if (!pictures)
        return Result<std::vector<Stored>>::failure(
            QStringLiteral("It is not an ICO, PNG or BMP picture of at most %1 by %1 pixels")
                .arg(kLargestSide));
    if (pictures->empty())
        return Result<std::vector<Stored>>::failure(
            QStringLiteral("The ICO file lists no picture of at most %1 by %1 pixels")
                .arg(kLargestSide));
    return std::move(*pictures);
}

// The one door to Qt's readers: every picture goes through it, within the bounds.
Result<QImage> read(QByteArray bytes, const char* format)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    // Bounded by the size the header gives, not by Qt's allocation limit: that is one for the
    // whole program, which icons made from large pictures need.
    const QSize size = reader.size();
    if (!size.isValid())
        return Result<QImage>::failure(QStringLiteral("The picture's size cannot be read"));
    if (size.width() > kLargestSide || size.height() > kLargestSide)
        return Result<QImage>::failure(
            QStringLiteral("The picture is larger than %1 by %1 pixels").arg(kLargestSide));
    QImage image = reader.read();
    if (image.isNull())
        return Result<QImage>::failure(reader.errorString());
    return image;
}

Result<QImage> decode(const Stored& stored)
{
    switch (stored.kind) {
    case IconChoice::Kind::Png:
        if (const std::optional<std::string> refused = PngLimits::refusal(stored.bytes))
            return Result<QImage>::failure(QString::fromStdString(*refused));
        return read(bytesOf(PngLimits::essential(stored.bytes)), "png");
    case IconChoice::Kind::IconBitmap:
        return read(bytesOf(IconChoice::oneEntryIco(stored)), "ico");
    case IconChoice::Kind::BmpFile:
        break;
    }
    return read(bytesOf(stored.bytes), "bmp");
}

} // namespace

Result<QImage> largest(const QByteArray& icon)
{
    Result<std::vector<Stored>> pictures = picturesIn(icon);
    if (pictures.failed())
        return Result<QImage>::failure(pictures.reason());
    QString reason;
    for (const Stored& picture : IconChoice::largestFirst(std::move(pictures).value())) {
        Result<QImage> decoded = decode(picture);
        if (!decoded.failed())
            return decoded;
        reason = decoded.reason();
    }
    return Result<QImage>::failure(reason);
}

Result<QList<QImage>> some(const QByteArray& icon, int most)
{
    Result<std::vector<Stored>> pictures = picturesIn(icon);
    if (pictures.failed())
        return Result<QList<QImage>>::failure(pictures.reason());
    pictures->resize(std::min<size_t>(pictures->size(), size_t(std::max(most, 0))));
    // Each picture that fits in what is left of the budget, which every attempt
    // spends; the last reason when none could be read.
    QList<QImage> decoded;
    QString reason;
    qint64 budget = kPixelBudget;
    for (const Stored& stored : pictures.value()) {
        if (stored.pixels() > budget)
            continue;
        // Counted before decoding: a picture that fails part-way cost as much.
        budget -= stored.pixels();
        Result<QImage> picture = decode(stored);
        if (picture.failed()) {
            reason = picture.reason();
            continue;
        }
        decoded << std::move(picture).value();
    }
    if (decoded.isEmpty())
        return Result<QList<QImage>>::failure(reason);
    return decoded;
}

QImage fitted(QImage picture, int side)
{
    if (!picture.isNull() && (picture.width() > side || picture.height() > side)) {
        const double ratio =
            std::min(double(side) / picture.width(), double(side) / picture.height());
        const QSize size(std::max(1, int(std::lround(picture.width() * ratio))),
                         std::max(1, int(std::lround(picture.height() * ratio))));
        // In place, so that a large picture is never held twice.
        picture.convertTo(picture.depth() > 32 ? QImage::Format_RGBA64_Premultiplied
                                               : QImage::Format_ARGB32_Premultiplied);
        picture = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    // Eight bits a channel, as every picture made of it is written.
    return picture.convertToFormat(QImage::Format_ARGB32);
}

Result<QByteArray> encoded(QImage picture, const QByteArray& format)
{
    const QString upper = IconMaker::formatName(format);
    if (!QImageWriter::supportedImageFormats().contains(format))
        return Result<QByteArray>::failure(
            QStringLiteral("This system has no writer for %1 pictures.").arg(upper));
    // A format without transparency shows the picture on white, as a page
    // would, not on the black its transparent pixels would turn into.
    if (format == "jpeg" || format == "bmp") {
        QImage flat(picture.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, picture);
        picture = flat;
    }
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(picture)) {
        // Qt's PNG writer has no words of its own for a failure.
        const QString why =
            format == "png" ? QString() : QStringLiteral(": ") + writer.errorString();
        return Result<QByteArray>::failure(
            QStringLiteral("The picture could not be encoded as %1%2.").arg(upper, why));
    }
    return encoded;
}

} // namespace IconPictures
