#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "files/ChunkedCopy.h"
#include "files/DisplayText.h"
#include "files/FileIdentity.h"
#include "host/ConsoleText.h"
#include "pictures/IconPictures.h"

#include <QFileInfo>

#include <cstdio>

namespace Cli {

namespace {

constexpr int kDefaultSize = 128;
constexpr int kLargestSize = 1024;
constexpr QLatin1String kStandardOutput("-");

// The format of the picture, by the output's extension, as Qt names it. A name
// without one (and "-") is PNG: file managers name their temporary files as they like.
std::optional<QByteArray> formatOf(const QString& outputPath)
{
    const QString suffix = QFileInfo(outputPath).suffix().toLower();
    if (suffix.isEmpty())
        return QByteArray("png");
    if (suffix == QLatin1String("jpg"))
        return QByteArray("jpeg");
    for (const char* format : {"png", "bmp", "webp", "jpeg"}) {
        if (suffix == QLatin1String(format))
            return QByteArray(format);
    }
    return std::nullopt;
}

// The picture to make the thumbnail of: the largest of the left icon.
std::optional<QImage> largestLeftPicture(QFile& package, const QString& packagePath)
{
    const std::optional<TvkContents> contents = readPackage(package, packagePath, 0);
    if (!contents)
        return std::nullopt;
    const QString shown = DisplayText::displayPath(packagePath);
    if (contents->LeftLength > IconChoice::kLargestIcon) {
        reportFailure(QStringLiteral("The left icon of %1 holds %2 bytes; a thumbnail is made of "
                                     "icons of at most %3 bytes.")
                          .arg(shown, QString::number(contents->LeftLength),
                               QString::number(IconChoice::kLargestIcon)));
        return std::nullopt;
    }
    QByteArray icon;
    if (package.seek(contents->leftOffset))
        icon = package.read(contents->LeftLength);
    if (icon.size() != contents->LeftLength) {
        // Short without an error: the file was cut while it was read.
        reportCannotRead(packagePath,
                         package.error() == QFileDevice::NoError
                             ? QStringLiteral("The file became shorter while it was read.")
                             : package.errorString() + QLatin1Char('.'));
        return std::nullopt;
    }
    Result<QImage> largest = IconPictures::largest(icon);
    if (largest.failed()) {
        reportFailure(QStringLiteral("The left icon of %1 is not a picture that can be read: %2.")
                          .arg(shown, largest.reason()));
        return std::nullopt;
    }
    return std::move(largest).value();
}

int writeToStandardOutput(const QByteArray& bytes)
{
    ConsoleText::makeStandardStreamsBinary();
    QFile output;
    if (output.open(stdout, QIODevice::WriteOnly) &&
        ChunkedCopy::writeAll(output, bytes.constData(), bytes.size()) && output.flush())
        return Success;
    return reportFailure(
        QStringLiteral("Cannot write to standard output: %1.").arg(output.errorString()));
}

int execute(const QCommandLineParser& parser)
{
    bool isNumber = false;
    const int pixels = parser.value(QStringLiteral("size")).toInt(&isNumber);
    if (!isNumber || pixels < 1 || pixels > kLargestSize) {
        return reportUsageError(
            QStringLiteral("--size takes a number of pixels from 1 to %1").arg(kLargestSize),
            QStringLiteral("thumbnail"));
    }
    const QString packagePath = parser.positionalArguments().at(0);
    const QString outputPath = parser.positionalArguments().at(1);
    const std::optional<QByteArray> format = formatOf(outputPath);
    if (!format) {
        return reportUsageError(QStringLiteral("OUT must end in .png, .jpg, .jpeg, .bmp or .webp, "
                                               "or be - for standard output"),
                                QStringLiteral("thumbnail"));
    }

    QFile package;
    std::optional<QImage> picture = largestLeftPicture(package, packagePath);
    if (!picture || interrupted())
        return Failure;
    // Encoded before writing, so that a failing write is told with the system's reason.
    const Result<QByteArray> encoded =
        IconPictures::encoded(IconPictures::fitted(std::move(*picture), pixels), *format);
    if (interrupted())
        return Failure;
    if (encoded.failed())
        return reportCannotWrite(outputPath, encoded.reason());
    if (outputPath == kStandardOutput)
        return writeToStandardOutput(encoded.value());
    // Never in the place of the file it is made from; not waited onto the disk, as a
    // thumbnail can always be made again, and a file manager waits for each one.
    return writeWhole(outputPath, encoded.value(),
                      InputFiles(FileIdentity::ofInput(package.handle(), packagePath)),
                      Durability::Unsynced);
}

} // namespace

Command makeThumbnailCommand()
{
    return {
        {.name = QStringLiteral("thumbnail"),
         .summary = QStringLiteral("Writes a picture of a TVK file's left icon: its largest image, "
                                   "made smaller to fit\nSIZE by SIZE pixels and never larger than "
                                   "it is. File managers use it to show TVK\nfiles."),
         .usage = QStringLiteral("tvk thumbnail [--size SIZE] FILE OUT.png"),
         .notes = QStringLiteral("OUT's extension names the format: .png, .jpg or .jpeg, .bmp, or "
                                 ".webp\nwhere Qt has a writer for it; a name without one is PNG. "
                                 "Icons larger than\n4 MiB are refused.\n\n"
                                 "Example:\n"
                                 "  tvk thumbnail --size 64 cafe.tvk cafe.png"),
         .options = {QCommandLineOption(
             {QStringLiteral("s"), QStringLiteral("size")},
             QStringLiteral("The largest width and height, in pixels (default %1).")
                 .arg(kDefaultSize),
             QStringLiteral("SIZE"), QString::number(kDefaultSize))},
         .arguments = {{QStringLiteral("FILE"), QStringLiteral("The TVK file.")},
                       {QStringLiteral("OUT"),
                        QStringLiteral(
                            "The picture to write, or - for a PNG on standard output.")}}},
        execute};
}

} // namespace Cli
