#include "cli/CliSupport.h"

#include "files/ChunkedCopy.h"
#include "files/DisplayText.h"
#include "files/InputFile.h"
#include "files/ReplacingFile.h"
#include "host/ConsoleText.h"
#include "package/PictureIcon.h"

namespace Cli {

void reportLine(QString text)
{
    // Messages shared with the window may span lines; a terminal line holds one.
    text.replace(QStringLiteral(":\n"), QStringLiteral(": "))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    // File names in it are escaped already; this catches what came from elsewhere.
    ConsoleText::write(stderr, DisplayText::escapeControls(text) + QLatin1Char('\n'));
}

int reportFailure(const QString& message)
{
    reportLine(QStringLiteral("tvk: ") + message);
    return Failure;
}

int reportCannotRead(const QString& path, const QString& reason)
{
    return reportFailure(
        QStringLiteral("Cannot read file %1: %2").arg(DisplayText::displayPath(path), reason));
}

int reportCannotWrite(const QString& path, const QString& reason)
{
    return reportFailure(DisplayText::cannotWriteFile(path, reason));
}

bool helpAsked(const QCommandLineParser& parser)
{
    return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"));
}

int showHelp(const QCommandLineParser& parser, const QString& usage, const QString& epilog)
{
    // QCommandLineParser names the program by the path it was started with, and
    // cannot tell which options are required: the usage line is the command's own.
    QString text = parser.helpText();
    text.replace(0, text.indexOf(QLatin1Char('\n')), QStringLiteral("Usage: ") + usage);
    if (!epilog.isEmpty())
        text += QLatin1Char('\n') + epilog + QLatin1Char('\n');
    ConsoleText::write(stdout, text);
    return Success;
}

int reportUsageError(QString message, const QString& command)
{
    // Qt's parser ends its messages with a full stop; the hint follows here.
    if (message.endsWith(QLatin1Char('.')))
        message.chop(1);
    const QString help = command.isEmpty() ? QStringLiteral("tvk --help")
                                           : QStringLiteral("tvk %1 --help").arg(command);
    ConsoleText::write(
        stderr,
        QStringLiteral("tvk: %1 (see '%2')\n").arg(DisplayText::escapeControls(message), help));
    return UsageError;
}

std::optional<TvkContents> readPackage(QFile& file, const QString& path, qint64 textLimit)
{
    if (const Outcome opened = InputFile::open(file, path); opened.failed()) {
        reportCannotRead(path, opened.reason());
        return std::nullopt;
    }
    Result<TvkContents> read = TvkReader::read(file, textLimit);
    if (read.failed()) {
        reportFailure(QStringLiteral("%1 is not a TVK file: %2.")
                          .arg(DisplayText::displayPath(path), read.reason()));
        return std::nullopt;
    }
    return std::move(read).value();
}

int writeWhole(const QString& outputPath, const QByteArray& bytes, const InputFiles& inputs,
               Durability durability)
{
    ReplacingFile output(outputPath);
    output.protect(inputs);
    if (const Outcome opened = output.open(); opened.failed())
        return reportCannotWrite(outputPath, opened.reason());
    if (!ChunkedCopy::writeAll(output.device(), bytes.constData(), bytes.size()))
        return reportCannotWrite(outputPath, output.device().errorString() + QLatin1Char('.'));
    if (interrupted())
        return Failure;
    const bool synced = durability == Durability::Synced;
    if (const Outcome finished = output.finishWriting(synced ? ReplacingFile::DataSync::Now
                                                             : ReplacingFile::DataSync::ByCaller);
        finished.failed())
        return reportCannotWrite(outputPath, finished.reason());
    // The flush may take long; a signal meanwhile is still in time.
    if (interrupted())
        return Failure;
    if (const Outcome replaced = output.replaceTarget(); replaced.failed())
        return reportCannotWrite(outputPath, replaced.reason());
    if (synced) {
        if (const Outcome folderSynced = output.syncFolder(); folderSynced.failed())
            return reportCannotWrite(outputPath, folderSynced.reason());
    }
    return Success;
}

QStringList madeIconNotes(const PackageRequest& request)
{
    QStringList notes;
    const std::pair<QString, PictureStorage> icons[] = {{request.leftPath, request.leftPictures},
                                                        {request.rightPath, request.rightPictures}};
    for (const auto& [path, pictures] : icons) {
        if (pictures != PictureStorage::MadeIntoIcons)
            continue;
        QFile file;
        if (InputFile::open(file, path).failed())
            continue;
        if (const std::optional<QByteArray> format = PictureIcon::formatOf(file)) {
            notes << QStringLiteral("%1 is %2 %3 picture: it is packed as an icon made from it.")
                         .arg(DisplayText::displayPath(path),
                              *format == "svg" ? QStringLiteral("an") : QStringLiteral("a"),
                              IconMaker::formatName(*format));
        }
    }
    return notes;
}

QCommandLineOption asIsOption()
{
    return QCommandLineOption(
        QStringLiteral("as-is"),
        QStringLiteral("Pack icon files byte for byte, pictures too, rather than make icons of "
                       "pictures."));
}

PictureStorage pictureStorage(const QCommandLineParser& parser)
{
    return parser.isSet(QStringLiteral("as-is")) ? PictureStorage::AsTheyAre
                                                 : PictureStorage::MadeIntoIcons;
}

} // namespace Cli
