#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/EncoderStatus.h"
#include "cli/ReadPackage.h"
#include "cli/ThumbnailDescription.h"
#include "files/ChunkedCopy.h"
#include "files/DisplayText.h"
#include "files/FileIdentity.h"
#include "files/ReplacingFile.h"
#include "host/ConsoleText.h"
#include "package/PackageWriter.h"
#include "pictures/PictureScaling.h"
#include "pictures/PngCodec.h"
#include "thumbnail/LeftIconPicture.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

namespace Cli {

namespace {

constexpr int kLargestSize = 1024;
constexpr QLatin1String kStandardOutput("-");
constexpr int kEncoderTimeoutMs = 30000;
// How often the wait for the encoder looks for a signal to stop.
constexpr int kEncoderPollMs = 50;

// The format of the picture, by the output's extension, as Qt names it. A name
// without one is PNG: file managers name their temporary files as they like.
std::optional<QByteArray> formatOf(const QString& outputPath)
{
    if (outputPath == kStandardOutput)
        return QByteArray("png");
    const QString suffix = QFileInfo(outputPath).suffix().toLower();
    if (suffix.isEmpty())
        return QByteArray("png");
    if (suffix == QLatin1String("png") || suffix == QLatin1String("bmp") ||
        suffix == QLatin1String("webp"))
        return suffix.toLatin1();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return QByteArray("jpeg");
    return std::nullopt;
}

// PNG here; any other format by tvk-thumbnail-encoder, from the PNG.
Result<QByteArray> encode(const Picture& picture, const QByteArray& format)
{
    const QByteArray png = PngCodec::encode(picture);
    if (png.isEmpty())
        return Result<QByteArray>::failure(
            QStringLiteral("The picture could not be encoded as PNG."));
    if (format == "png")
        return png;
    const QString upper =
        format == "webp" ? QStringLiteral("WebP") : QString::fromLatin1(format.toUpper());
    QProcess encoder;
    encoder.start(QDir(QCoreApplication::applicationDirPath())
                      .filePath(helperFileName(QStringLiteral("tvk-thumbnail-encoder"))),
                  {QString::fromLatin1(format)});
    if (!encoder.waitForStarted())
        return Result<QByteArray>::failure(
            QStringLiteral("Cannot encode %1 pictures: %2.").arg(upper, encoder.errorString()));
    encoder.write(png);
    encoder.closeWriteChannel();
    // Waited for in short steps, so that a signal to stop ends the encoder at
    // once: no process of ours outlives this one.
    const QDeadlineTimer deadline(kEncoderTimeoutMs);
    bool finished = false;
    while (!(finished = encoder.waitForFinished(kEncoderPollMs)) && !interrupted() &&
           !deadline.hasExpired()) {
    }
    if (!finished) {
        encoder.kill();
        encoder.waitForFinished();
    }
    if (interrupted())
        return Result<QByteArray>::failure(QStringLiteral("Interrupted."));
    const QByteArray encoded = encoder.readAllStandardOutput();
    if (finished && encoder.exitStatus() == QProcess::NormalExit && encoder.exitCode() == 0 &&
        !encoded.isEmpty())
        return encoded;
    // The encoder's own words, when it has any, say why.
    const QString said = QString::fromLocal8Bit(encoder.readAllStandardError()).trimmed();
    return Result<QByteArray>::failure(
        finished && encoder.exitCode() == EncoderStatus::kNoWriter
            ? QStringLiteral("This system has no writer for %1 pictures.").arg(upper)
            : QStringLiteral("The picture could not be encoded as %1%2.")
                  .arg(upper, said.isEmpty() ? QString() : QStringLiteral(": ") + said));
}

// The picture to make the thumbnail of: the largest of the left icon.
std::optional<Picture> largestLeftPicture(QFile& package, const QString& packagePath)
{
    const std::optional<TvkContents> contents = readPackage(package, packagePath, 0);
    if (!contents)
        return std::nullopt;
    const QString shown = DisplayText::displayPath(packagePath);
    LeftIconPicture::Loaded left = LeftIconPicture::read(package, *contents);
    switch (left.status) {
    case LeftIconPicture::Loaded::Status::Read:
        return std::move(left.picture);
    case LeftIconPicture::Loaded::Status::TooLarge:
        reportFailure(QStringLiteral("The left icon of %1 holds %2 bytes; a thumbnail is made of "
                                     "icons of at most %3 bytes.")
                          .arg(shown, QString::number(contents->LeftLength),
                               QString::number(LeftIconPicture::kLargestIcon)));
        break;
    case LeftIconPicture::Loaded::Status::ReadFailed:
        reportCannotRead(packagePath, package.errorString() + QLatin1Char('.'));
        break;
    case LeftIconPicture::Loaded::Status::NotAPicture:
        reportFailure(QStringLiteral("The left icon of %1 is not a picture that can be read: %2.")
                          .arg(shown, left.reason));
        break;
    }
    return std::nullopt;
}

int writeToStandardOutput(const QByteArray& bytes)
{
    ConsoleText::makeStandardStreamsBinary();
    QFile output;
    if (output.open(stdout, QIODevice::WriteOnly) &&
        ChunkedCopy::writeAll(output, bytes.constData(), bytes.size()) && output.flush())
        return Success;
    reportFailure(QStringLiteral("Cannot write to standard output: %1.").arg(output.errorString()));
    return Failure;
}

// Replaced in one step, so that no reader sees half a picture, but not waited
// onto the disk: a thumbnail can always be made again, and a file manager waits
// for each one, as it does for its own thumbnailers.
int writeFile(const QString& outputPath, const QByteArray& bytes, const QFile& package,
              const QString& packagePath)
{
    ReplacingFile output(outputPath);
    // The thumbnail never takes the place of the file it is made from.
    output.protect(FileIdentity::ofInput(package.handle(), packagePath));
    const auto cannotWrite = [&](const QString& reason) {
        reportFailure(DisplayText::cannotWriteFile(outputPath, reason));
        return Failure;
    };
    if (const Outcome opened = output.open(); opened.failed())
        return cannotWrite(opened.reason());
    if (!ChunkedCopy::writeAll(output.device(), bytes.constData(), bytes.size()))
        return cannotWrite(output.device().errorString() + QLatin1Char('.'));
    if (interrupted())
        return Failure;
    if (const Outcome finished = output.finishWriting(ReplacingFile::DataSync::ByCaller);
        finished.failed())
        return cannotWrite(finished.reason());
    if (const Outcome replaced = output.replaceTarget(); replaced.failed())
        return cannotWrite(replaced.reason());
    return Success;
}

class ThumbnailCommand final : public ParsedCommand
{
public:
    ThumbnailCommand() : ParsedCommand(thumbnailDescription()) {}

protected:
    int execute(const QCommandLineParser& parser) override;
};

int ThumbnailCommand::execute(const QCommandLineParser& parser)
{
    bool isNumber = false;
    const int pixels = parser.value(QStringLiteral("size")).toInt(&isNumber);
    if (!isNumber || pixels < 1 || pixels > kLargestSize) {
        return reportUsageError(
            QStringLiteral("--size takes a number of pixels from 1 to %1").arg(kLargestSize),
            description().name);
    }
    const QString packagePath = parser.positionalArguments().at(0);
    const QString outputPath = parser.positionalArguments().at(1);
    const std::optional<QByteArray> format = formatOf(outputPath);
    if (!format) {
        return reportUsageError(QStringLiteral("OUT must end in .png, .jpg, .jpeg, .bmp or .webp, "
                                               "or be - for standard output"),
                                description().name);
    }

    QFile package;
    const std::optional<Picture> picture = largestLeftPicture(package, packagePath);
    if (!picture)
        return Failure;
    // Encoded first and then written, so that a failing write is told with the
    // system's reason.
    const Result<QByteArray> encoded = encode(PictureScaling::fitted(*picture, pixels), *format);
    if (encoded.failed()) {
        reportFailure(DisplayText::cannotWriteFile(outputPath, encoded.reason()));
        return Failure;
    }
    return outputPath == kStandardOutput
               ? writeToStandardOutput(encoded.value())
               : writeFile(outputPath, encoded.value(), package, packagePath);
}

} // namespace

std::unique_ptr<Command> makeThumbnailCommand()
{
    return std::make_unique<ThumbnailCommand>();
}

} // namespace Cli
