#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/OpenPackage.h"
#include "package/IconPictures.h"
#include "package/PackageWriter.h"
#include "package/PictureScaling.h"
#include "package/PngCodec.h"
#include "runtime/ChunkedCopy.h"
#include "runtime/DisplayText.h"
#include "runtime/FileIdentity.h"
#include "runtime/ReplacingFile.h"

namespace Cli {

namespace {

// Real icons are a few hundred KiB at most; a larger one is not loaded at all.
constexpr qint64 kLargestIcon = qint64(4) << 20;
constexpr int kDefaultSize = 128;
constexpr int kLargestSize = 1024;

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
    if (!parseCommand(parser, arguments, {QStringLiteral("FILE"), QStringLiteral("OUT")}, help,
                      status))
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
    if (icon.size() != contents->LeftLength)
        return reportCannotRead(packagePath, package.errorString() + QLatin1Char('.'));

    const IconPictures::Decoded largest = IconPictures::largest(icon);
    if (largest.pictures.isEmpty()) {
        reportFailure(QStringLiteral("The left icon of %1 is not a picture that can be read: %2.")
                          .arg(shown, largest.error));
        return Failure;
    }
    const Picture thumbnail = PictureScaling::fitted(largest.pictures.constFirst(), pixels);

    ReplacingFile output(outputPath);
    // The thumbnail never takes the place of the file it is made from.
    if (const std::optional<FileIdentity> read = FileIdentity::ofOpenFile(package.handle()))
        output.protect({*read});
    const auto cannotWrite = [&](const QString& reason) {
        reportFailure(PackageWriter::cannotWrite(outputPath, reason));
        return Failure;
    };
    if (output.open() != ReplacingFile::OpenStatus::Opened)
        return cannotWrite(output.errorString());
    // Encoded first and then written, so that a failing write is told with the
    // system's reason.
    const QByteArray png = PngCodec::encode(thumbnail);
    if (png.isEmpty())
        return cannotWrite(QStringLiteral("The picture could not be encoded as PNG."));
    if (!ChunkedCopy::writeAll(output.device(), png.constData(), png.size()))
        return cannotWrite(output.device().errorString() + QLatin1Char('.'));
    if (interrupted())
        return Failure;
    // Replaced in one step, so that no reader sees half a picture, but not
    // waited onto the disk: a thumbnail can always be made again, and a file
    // manager waits for each one, as it does for its own thumbnailers.
    if (!output.finishWriting(ReplacingFile::DataSync::ByCaller) || !output.replaceTarget())
        return cannotWrite(output.errorString());
    return Success;
}

} // namespace Cli
