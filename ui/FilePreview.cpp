#include "ui/FilePreview.h"

#include "package/IcoProbe.h"
#include "runtime/DisplayText.h"
#include "runtime/InputFile.h"
#include "runtime/SystemFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLocale>

namespace {

// What one decoded image may take, in MiB.
constexpr int kDecodedLimitMiB = 16;
// Pictures past this count are left out: an ICO file may list hundreds.
constexpr int kMostPictures = 12;

QString paragraph(const QString& text)
{
    return QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(text.toHtmlEscaped());
}

QString pathParagraph(const QString& path)
{
    return paragraph(DisplayText::breakableAnywhere(DisplayText::displayPath(path)));
}

QString bytes(qint64 size)
{
    return FilePreview::tr("%1 bytes").arg(QLocale().toString(size));
}

// Each image of the icon as an inline PNG, drawn at most kLargestPicture wide.
QString pictures(QByteArray& icon)
{
    QBuffer buffer(&icon);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImageReader::setAllocationLimit(kDecodedLimitMiB);
    QString html;
    const int count = std::min(std::max(reader.imageCount(), 1), kMostPictures);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToNextImage())
            break;
        QImage image = reader.read();
        if (image.isNull())
            continue;
        if (image.width() > FilePreview::kLargestPicture ||
            image.height() > FilePreview::kLargestPicture)
            image = image.scaled(FilePreview::kLargestPicture, FilePreview::kLargestPicture,
                                 Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QByteArray png;
        QBuffer pngBuffer(&png);
        pngBuffer.open(QIODevice::WriteOnly);
        image.save(&pngBuffer, "PNG");
        html += QStringLiteral("<img src='data:image/png;base64,%1'>&nbsp;")
                    .arg(QString::fromLatin1(png.toBase64()));
    }
    return html;
}

} // namespace

QString FilePreview::iconTip(const QString& path)
{
    QString html = pathParagraph(path);
    QFile file;
    if (const std::optional<QString> reason = InputFile::open(file, path))
        return html + paragraph(*reason);
    const qint64 size = file.size();
    if (size > kLargestPreview) {
        return html + paragraph(tr("%1; too large to show.").arg(bytes(size)));
    }
    QByteArray icon = file.read(size);
    QBuffer buffer(&icon);
    buffer.open(QIODevice::ReadOnly);
    const std::optional<QList<QSize>> images = IcoProbe::probe(buffer, 0, icon.size());
    if (!images) {
        return html + paragraph(tr("%1; not an ICO file. It will be stored unchanged all the same.")
                                    .arg(bytes(size)));
    }
    QStringList sizes;
    for (const QSize& image : *images)
        sizes << QStringLiteral("%1×%2").arg(image.width()).arg(image.height());
    return html + QStringLiteral("<p>%1</p>").arg(pictures(icon)) +
           paragraph(tr("%1; ICO file with images %2.")
                         .arg(bytes(size), sizes.join(QStringLiteral(", "))));
}

QString FilePreview::outputTip(const QString& path)
{
    QString html = pathParagraph(path);
    switch (SystemFiles::kindOf(path, true)) {
    case SystemFiles::Kind::Missing:
        return html;
    case SystemFiles::Kind::Regular:
        return html + paragraph(tr("This file exists and will be replaced."));
    case SystemFiles::Kind::Folder:
        return html + paragraph(tr("This is a folder, not a file."));
    case SystemFiles::Kind::Link:
    case SystemFiles::Kind::Other:
        break;
    }
    return html + paragraph(tr("This is not a regular file."));
}
