#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/OpenPackage.h"
#include "runtime/DisplayText.h"
#include "runtime/ReplacingFile.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

namespace Cli {

namespace {

// Real icons are a few hundred KiB at most; a larger one is not loaded at all.
constexpr qint64 kLargestIcon = qint64(4) << 20;
// What one decoded image may take, in MiB: 2048 by 2048 pixels of 32 bits.
constexpr int kDecodedLimitMiB = 16;
constexpr int kDefaultSize = 128;
constexpr int kLargestSize = 1024;

// The largest image of an icon: ICO files hold several sizes of one picture.
QImage largestImage(QImageReader& reader)
{
    QImage largest;
    const int count = std::max(reader.imageCount(), 1);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToNextImage())
            break;
        const QImage image = reader.read();
        if (!image.isNull() &&
            qint64(image.width()) * image.height() > qint64(largest.width()) * largest.height())
            largest = image;
    }
    return largest;
}

} // namespace

int makeThumbnail(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a PNG picture of a TVK file's left icon: its largest image, made smaller to\n"
        "fit SIZE by SIZE pixels and never larger than it is. File managers use it to show\n"
        "TVK files."));
    const QCommandLineOption size(
        {QStringLiteral("s"), QStringLiteral("size")},
        QStringLiteral("The largest width and height, in pixels (default %1).").arg(kDefaultSize),
        QStringLiteral("SIZE"), QString::number(kDefaultSize));
    parser.addOption(size);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The TVK file."));
    parser.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("The PNG file to write."));

    int status = Success;
    const CommandHelp help{QStringLiteral("tvk thumbnail [--size SIZE] FILE OUT.png"),
                           QStringLiteral("Icons larger than 4 MiB are refused.\n\n"
                                          "Example:\n"
                                          "  tvk thumbnail --size 64 cafe.tvk cafe.png")};
    if (!parseCommand(parser, arguments, 2, help, status))
        return status;
    bool isNumber = false;
    const int pixels = parser.value(size).toInt(&isNumber);
    if (!isNumber || pixels < 1 || pixels > kLargestSize) {
        return reportUsageError(
            QStringLiteral("--size takes a number of pixels from 1 to %1").arg(kLargestSize),
            QStringLiteral("thumbnail"));
    }

    const QString packagePath = parser.positionalArguments().at(0);
    const QString outputPath = parser.positionalArguments().at(1);
    const QString shown = DisplayText::displayPath(packagePath);
    QFile package;
    const std::optional<TvkContents> contents = openPackage(package, packagePath, 0);
    if (!contents)
        return Failure;
    if (contents->LeftLength > kLargestIcon) {
        reportFailure(
            QStringLiteral("The left icon of %1 holds %2 bytes; a thumbnail is made of "
                           "icons of at most %3 bytes.")
                .arg(shown, QString::number(contents->LeftLength), QString::number(kLargestIcon)));
        return Failure;
    }
    QByteArray icon;
    if (package.seek(contents->leftOffset))
        icon = package.read(contents->LeftLength);
    if (icon.size() != contents->LeftLength) {
        reportFailure(QStringLiteral("Cannot read file %1: %2.").arg(shown, package.errorString()));
        return Failure;
    }

    QBuffer buffer(&icon);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImageReader::setAllocationLimit(kDecodedLimitMiB);
    QImage image = largestImage(reader);
    if (image.isNull()) {
        reportFailure(QStringLiteral("The left icon of %1 is not a picture that can be read: %2.")
                          .arg(shown, reader.errorString()));
        return Failure;
    }
    if (image.width() > pixels || image.height() > pixels)
        image = image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);

    ReplacingFile output(outputPath);
    const auto cannotWrite = [&](const QString& reason) {
        reportFailure(QStringLiteral("Cannot write file %1: %2")
                          .arg(DisplayText::displayPath(outputPath), reason));
        return Failure;
    };
    if (output.open() != ReplacingFile::OpenStatus::Opened)
        return cannotWrite(output.errorString());
    if (!image.save(&output.device(), "PNG")) {
        const QString reason = output.device().error() != QFileDevice::NoError
                                   ? output.device().errorString() + QLatin1Char('.')
                                   : QStringLiteral("The picture could not be encoded as PNG.");
        return cannotWrite(reason);
    }
    if (!output.commit())
        return cannotWrite(output.errorString());
    return Success;
}

} // namespace Cli
