#include "ui/FilePreview.h"

#include "files/DisplayText.h"
#include "files/InputFile.h"
#include "files/ReplacingFile.h"
#include "files/SystemFiles.h"
#include "format/IcoDirectory.h"
#include "package/PictureIcon.h"
#include "pictures/IconPictures.h"

#include <QBuffer>
#include <QFile>
#include <QLocale>

namespace {

constexpr qint64 kLargestPreview = qint64(1) << 20;
// Images are drawn at their own size, up to this many pixels.
constexpr int kLargestPicture = 64;
// Pictures past this count are left out: an ICO file may list hundreds.
constexpr int kMostPictures = 12;

QString paragraph(const QString& text)
{
    return QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(text.toHtmlEscaped());
}

QString bytes(qint64 size)
{
    return FilePreview::tr("%1 bytes").arg(QLocale().toString(size));
}

// Each picture of the icon as an inline PNG, drawn at most kLargestPicture wide.
QString imagesOf(const QByteArray& icon)
{
    QString html;
    Result<QList<QImage>> shown = IconPictures::some(icon, kMostPictures);
    if (shown.failed())
        return html;
    // Moved into fitted(), so that a large picture is scaled without a copy.
    for (QImage& picture : shown.value()) {
        const Result<QByteArray> png =
            IconPictures::encoded(IconPictures::fitted(std::move(picture), kLargestPicture), "png");
        if (!png.failed())
            html += QStringLiteral("<img src='data:image/png;base64,%1'>&nbsp;")
                        .arg(QString::fromLatin1(png->toBase64()));
    }
    return html;
}

QList<int> sizesOf(const QByteArray& icon)
{
    QBuffer buffer;
    buffer.setData(icon);
    buffer.open(QIODevice::ReadOnly);
    QList<int> sizes;
    for (const IcoDirectory::Entry& entry :
         IcoDirectory::read(buffer, 0, icon.size()).value_or(std::vector<IcoDirectory::Entry>()))
        sizes.append(entry.width);
    return sizes;
}

// The icon Convert will make of the picture, each of its sizes drawn, or why none can be made.
QString pictureTip(QFile& file, const QString& path, const QByteArray& format)
{
    const qint64 size = file.size();
    const Result<QByteArray> made = PictureIcon::makeDefault(file, path, format);
    if (made.failed())
        return paragraph(made.reason());
    return QStringLiteral("<p>%1</p>").arg(imagesOf(made.value())) +
           paragraph(FilePreview::tr("%1; %2 picture. It will be packed as an icon made from it, "
                                     "of %3.")
                         .arg(bytes(size), IconMaker::formatName(format),
                              PictureIcon::sizesText(sizesOf(made.value()))));
}

} // namespace

QString FilePreview::pathOnlyTip(const QString& path)
{
    return paragraph(DisplayText::breakableAnywhere(DisplayText::displayPath(path)));
}

QString FilePreview::iconTip(const QString& path, PictureStorage pictures)
{
    QString html = pathOnlyTip(path);
    QFile file;
    if (const Outcome opened = InputFile::open(file, path); opened.failed())
        return html + paragraph(opened.reason());
    if (pictures == PictureStorage::MadeIntoIcons) {
        if (const std::optional<QByteArray> format = PictureIcon::formatOf(file))
            return html + pictureTip(file, path, *format);
    }
    const qint64 size = file.size();
    if (size > kLargestPreview)
        return html + paragraph(tr("%1; too large to show.").arg(bytes(size)));
    QByteArray icon = file.read(size);
    if (icon.size() != size)
        return html + paragraph(file.errorString() + QLatin1Char('.'));
    QBuffer buffer(&icon);
    buffer.open(QIODevice::ReadOnly);
    const std::optional<std::vector<IcoDirectory::Entry>> images =
        IcoDirectory::read(buffer, 0, icon.size());
    if (!images) {
        return html + paragraph(tr("%1; not an ICO file. It will be stored unchanged all the same.")
                                    .arg(bytes(size)));
    }
    const QString sizes =
        IcoDirectory::sizeNames(*images, QChar(0x00D7)).join(QStringLiteral(", "));
    return html + QStringLiteral("<p>%1</p>").arg(imagesOf(icon)) +
           paragraph(tr("%1; ICO file with images %2.").arg(bytes(size), sizes));
}

QString FilePreview::outputTip(const QString& path)
{
    QString html = pathOnlyTip(path);
    // Told as Convert would refuse it.
    if (const Outcome replaceable = ReplacingFile::check(path); replaceable.failed())
        return html + paragraph(replaceable.reason());
    if (SystemFiles::kindOf(path, true) == SystemFiles::Kind::Regular)
        html += paragraph(tr("This file exists and will be replaced."));
    return html;
}

Result<FilePreview::MarkedIcon> FilePreview::markOf(const QString& path, PictureStorage pictures)
{
    QFile file;
    if (InputFile::open(file, path).failed())
        return MarkedIcon{};
    const std::optional<QByteArray> format =
        pictures == PictureStorage::MadeIntoIcons ? PictureIcon::formatOf(file) : std::nullopt;
    if (format) {
        Result<QList<int>> sizes = PictureIcon::defaultSizes(file, path, *format);
        if (sizes.failed())
            return Result<MarkedIcon>::failure(sizes.reason());
        return MarkedIcon{IconMark::Picture, sizes.value()};
    }
    const bool ico = IcoDirectory::read(file, 0, file.size()).has_value();
    return MarkedIcon{ico ? IconMark::None : IconMark::NotIco, {}};
}
