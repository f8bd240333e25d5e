#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "files/ChunkedCopy.h"
#include "files/DisplayText.h"
#include "files/FileIdentity.h"
#include "files/ReplacingFile.h"
#include "files/SystemFiles.h"

#include <QDir>

#include <array>
#include <memory>

namespace Cli {

namespace {

struct Extracted
{
    QString fileName;
    qint64 offset;
    qint64 size;
};

int alreadyExists(const QString& path)
{
    return reportFailure(QStringLiteral("%1 already exists; use --force to replace it.")
                             .arg(DisplayText::displayPath(path)));
}

// Why the output could not be opened or put in its place: unforced, a file that
// appeared at its name meanwhile is kept.
int cannotReplace(const ReplacingFile& output, const QString& path, const QString& reason)
{
    return output.foundExisting() ? alreadyExists(path) : reportCannotWrite(path, reason);
}

// Refuses a folder, device, FIFO or socket, the TVK file being unpacked, and unless forced any
// existing file or link; told before anything is written, looked at again as each icon is placed.
int mayWrite(const QString& path, bool force, const InputFiles& package)
{
    if (const Outcome replaceable = ReplacingFile::check(path, ReplacingFile::Links::NoFollow);
        replaceable.failed())
        return reportCannotWrite(path, replaceable.reason());
    if (package.reachedBy(FileIdentity::allOf(path, FileIdentity::LastLink::Keep)))
        return reportCannotWrite(path, ReplacingFile::isAnInput());
    if (force || SystemFiles::kindOf(path, false) == SystemFiles::Kind::Missing)
        return Success;
    return alreadyExists(path);
}

// The two files to write, under fixed names: nothing stored in the file becomes part of a path.
// Joined as given, never cleaned as text: "link/.." is the parent of where the link leads.
std::array<Extracted, 2> iconsIn(const QString& target, const TvkContents& contents)
{
    const QString folder = target == QLatin1String(".")        ? QString()
                           : target.endsWith(QLatin1Char('/')) ? target
                                                               : target + QLatin1Char('/');
    return {
        Extracted{folder + QStringLiteral("left.ico"), contents.leftOffset, contents.LeftLength},
        Extracted{folder + QStringLiteral("right.ico"), contents.rightOffset,
                  contents.RightLength}};
}

// Writes one icon in full beside its name, on disk but not yet in its place.
int writeIcon(QFile& package, const QString& packagePath, const Extracted& icon,
              ReplacingFile& output)
{
    if (const Outcome opened = output.open(); opened.failed())
        return cannotReplace(output, icon.fileName, opened.reason());
    const CopyResult copy = ChunkedCopy::copyFileRange(
        package, icon.offset, output.device(), icon.size, [](qint64) { return !interrupted(); });
    if (copy.status == CopyResult::Status::Cancelled)
        return Failure;
    if (copy.status != CopyResult::Status::Copied) {
        const QString reason = ChunkedCopy::failureReason(copy, package, output.device());
        return copy.sourceFailed() ? reportCannotRead(packagePath, reason)
                                   : reportCannotWrite(icon.fileName, reason);
    }
    if (const Outcome finished = output.finishWriting(); finished.failed())
        return reportCannotWrite(icon.fileName, finished.reason());
    return Success;
}

// The pair is all or nothing: if the second cannot take its place, the first is
// put back as it was.
int putInPlace(const std::array<Extracted, 2>& icons, ReplacingFile& left, ReplacingFile& right)
{
    if (const Outcome placed = left.replaceTarget(true); placed.failed())
        return cannotReplace(left, icons[0].fileName, placed.reason());
    if (const Outcome placed = right.replaceTarget(true); placed.failed()) {
        if (const Outcome restored = left.restoreEarlier(); restored.failed()) {
            return reportCannotWrite(
                icons[1].fileName,
                placed.reason() +
                    QStringLiteral(" %1 could not be put back as it was: %2")
                        .arg(DisplayText::displayPath(icons[0].fileName), restored.reason()));
        }
        return cannotReplace(right, icons[1].fileName, placed.reason());
    }
    for (const auto& [icon, output] : {std::pair{&icons[0], &left}, std::pair{&icons[1], &right}}) {
        if (const Outcome synced = output->syncFolder(); synced.failed())
            return reportCannotWrite(icon->fileName, synced.reason());
    }
    return Success;
}

int execute(const QCommandLineParser& parser)
{
    const QString packagePath = parser.positionalArguments().constFirst();
    QFile package;
    // Unpacking needs no name, so none is read.
    const std::optional<TvkContents> contents = readPackage(package, packagePath, 0);
    if (!contents)
        return Failure;
    const QString target = parser.value(QStringLiteral("directory"));
    const std::array<Extracted, 2> icons = iconsIn(target, *contents);
    const InputFiles packageIdentity(FileIdentity::ofInput(package.handle(), packagePath));
    const bool forced = parser.isSet(QStringLiteral("force"));
    for (const Extracted& icon : icons) {
        if (const int status = mayWrite(icon.fileName, forced, packageIdentity); status != Success)
            return status;
    }
    if (!QDir().mkpath(SystemFiles::plainPath(target)))
        return reportFailure(
            QStringLiteral("Cannot create folder %1.").arg(DisplayText::displayPath(target)));

    // Both are written in full and on disk before either replaces anything.
    std::array<std::unique_ptr<ReplacingFile>, 2> outputs;
    for (size_t i = 0; i < icons.size(); ++i) {
        // Unforced, a file that appears at the name while this runs is kept too.
        outputs[i] = std::make_unique<ReplacingFile>(
            icons[i].fileName, ReplacingFile::Links::NoFollow,
            forced ? ReplacingFile::Existing::Replace : ReplacingFile::Existing::Keep);
        outputs[i]->protect(packageIdentity);
        if (const int status = writeIcon(package, packagePath, icons[i], *outputs[i]);
            status != Success)
            return status;
    }
    if (interrupted())
        return Failure;
    return putInPlace(icons, *outputs[0], *outputs[1]);
}

} // namespace

Command makeUnpackCommand()
{
    return {
        {.name = QStringLiteral("unpack"),
         .summary = QStringLiteral("Writes the two icons of a TVK file as left.ico and right.ico."),
         .usage = QStringLiteral("tvk unpack [-d DIR] [--force] FILE"),
         .notes = QStringLiteral(
             "An existing left.ico or right.ico is kept, and nothing is written, unless\n"
             "--force is given.\n\n"
             "Example:\n"
             "  tvk unpack cafe.tvk -d icons"),
         .options = {QCommandLineOption({QStringLiteral("d"), QStringLiteral("directory")},
                                        QStringLiteral("The folder to write them in (default: the "
                                                       "current folder)."),
                                        QStringLiteral("DIR"), QStringLiteral(".")),
                     QCommandLineOption(
                         QStringLiteral("force"),
                         QStringLiteral("Replace left.ico and right.ico if they exist "
                                        "(a link is replaced, never its target)."))},
         .arguments = {{QStringLiteral("FILE"), QStringLiteral("The TVK file.")}}},
        execute};
}

} // namespace Cli
