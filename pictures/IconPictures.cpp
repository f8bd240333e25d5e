#include "pictures/IconPictures.h"

#include "format/IcoDirectory.h"
#include "pictures/DibDecoder.h"
#include "pictures/PngCodec.h"

#include <QBuffer>
#include <QSet>
#include <QSize>
#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <optional>

namespace IconPictures {

namespace {

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
constexpr qsizetype kPngSignatureSize = sizeof kPngSignature - 1;

// What a thumbnail needs of a PNG: the image data and what colours it. Every
// other chunk is left out unread, above all the compressed text and colour
// profiles, whose unpacking a crafted file can make take seconds.
bool keptChunk(QByteArrayView type)
{
    for (const char* kept : {"IHDR", "PLTE", "tRNS", "IDAT", "IEND", "gAMA", "sRGB", "cHRM"}) {
        if (type == kept)
            return true;
    }
    return false;
}

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

quint32 bigEndian32(const char* at)
{
    return qFromBigEndian<quint32>(at);
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
    if (length >= 24 && QByteArrayView(data, kPngSignatureSize) == kPngSignature &&
        QByteArrayView(data + 12, 4) == "IHDR") {
        picture.size = QSize(int(std::min<quint32>(bigEndian32(data + 16), INT_MAX)),
                             int(std::min<quint32>(bigEndian32(data + 20), INT_MAX)));
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

// The PNG with only the chunks a picture needs.
QByteArray essentialPng(const QByteArray& png)
{
    QByteArray kept(kPngSignature, kPngSignatureSize);
    qsizetype at = kPngSignatureSize;
    while (png.size() - at >= 12) {
        const quint32 length = bigEndian32(png.constData() + at);
        if (length > quint32(png.size() - at - 12))
            break;
        const QByteArrayView type(png.constData() + at + 4, 4);
        const qsizetype chunk = 12 + qsizetype(length);
        if (keptChunk(type))
            kept += png.mid(at, chunk);
        at += chunk;
        if (type == "IEND")
            break;
    }
    return kept;
}

Result<Picture> decode(const QByteArray& bytes, const Stored& stored)
{
    const QByteArrayView data(bytes.constData() + stored.offset, stored.length);
    if (stored.kind == Kind::Png)
        return PngCodec::decode(essentialPng(data.toByteArray()), kLargestSide);
    return stored.inIco ? DibDecoder::decodeIconBitmap(data) : DibDecoder::decodeBmpFile(data);
}

// Each picture that fits in what is left of the budget, or the last reason
// when none could be read.
Result<QList<Picture>> decodeEach(const QByteArray& icon, const QList<Stored>& pictures,
                                  qint64 budget)
{
    QList<Picture> decoded;
    QString reason;
    for (const Stored& stored : pictures) {
        if (stored.pixels() > budget)
            continue;
        Result<Picture> picture = decode(icon, stored);
        if (picture.failed()) {
            reason = picture.reason();
            continue;
        }
        budget -= stored.pixels();
        decoded << std::move(picture).value();
    }
    if (decoded.isEmpty())
        return Result<QList<Picture>>::failure(reason);
    return decoded;
}

} // namespace

Result<Picture> largest(const QByteArray& icon)
{
    Result<QList<Stored>> pictures = picturesIn(icon);
    if (pictures.failed())
        return Result<Picture>::failure(pictures.reason());
    // Largest first; if it cannot be read, the next one, a few times at most.
    std::stable_sort(pictures->begin(), pictures->end(),
                     [](const Stored& a, const Stored& b) { return a.pixels() > b.pixels(); });
    constexpr qsizetype kAttempts = 3;
    QString reason;
    for (const Stored& picture : pictures->mid(0, kAttempts)) {
        Result<Picture> decoded = decode(icon, picture);
        if (!decoded.failed())
            return decoded;
        reason = decoded.reason();
    }
    return Result<Picture>::failure(reason);
}

Result<QList<Picture>> some(const QByteArray& icon, int most)
{
    const Result<QList<Stored>> pictures = picturesIn(icon);
    if (pictures.failed())
        return Result<QList<Picture>>::failure(pictures.reason());
    return decodeEach(icon, pictures->mid(0, most), kPixelBudget);
}

} // namespace IconPictures
