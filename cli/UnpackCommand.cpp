#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/OpenPackage.h"

#include "package/PackageWriter.h"
#include "runtime/ChunkedCopy.h"
#include "runtime/DisplayText.h"
#include "runtime/FileIdentity.h"
#include "runtime/ReplacingFile.h"
#include "runtime/SystemFiles.h"

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

int cannotWrite(const QString& path, const QString& reason)
{
    reportFailure(PackageWriter::cannotWrite(path, reason));
    return Failure;
}

int alreadyExists(const QString& path)
{
    reportFailure(QStringLiteral("%1 already exists; use --force to replace it.")
                      .arg(DisplayText::displayPath(path)));
    return Failure;
}

// Refuses what must not be replaced: a folder or a device, FIFO or socket
// always, the TVK file being unpacked, an existing file (or a link, dangling or
// not) unless forced. Told before anything is written; looked at again as each
// icon takes its place.
bool mayWrite(const QString& path, bool force, const std::optional<FileIdentity>& package)
{
    if (const Outcome replaceable = ReplacingFile::check(path, ReplacingFile::Links::Replace);
        replaceable.failed()) {
        cannotWrite(path, replaceable.reason());
        return false;
    }
    if (package && FileIdentity::ofPath(path, FileIdentity::LastLink::Keep) == package) {
        cannotWrite(path, ReplacingFile::isAnInput());
        return false;
    }
    if (force || SystemFiles::kindOf(path, false) == SystemFiles::Kind::Missing)
        return true;
    alreadyExists(path);
    return false;
}

} // namespace

int runUnpack(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes the two icons of a TVK file as left.ico and right.ico."));
    const QCommandLineOption folder({QStringLiteral("d"), QStringLiteral("directory")},
                                    QStringLiteral("The folder to write them in (default: the "
                                                   "current folder)."),
                                    QStringLiteral("DIR"), QStringLiteral("."));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Replace left.ico and right.ico if they exist "
                                                  "(a link is replaced, never its target)."));
    parser.addOptions({folder, force});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The TVK file."));

    int status = Success;
    const CommandHelp help{
        QStringLiteral("tvk unpack [-d DIR] [--force] FILE"),
        QStringLiteral("An existing left.ico or right.ico is kept, and nothing is written, unless\n"
                       "--force is given.\n\n"
                       "Example:\n"
                       "  tvk unpack cafe.tvk -d icons")};
    if (!parseCommand(parser, arguments, {QStringLiteral("FILE")}, help, status))
        return status;

    const QString packagePath = parser.positionalArguments().constFirst();
    QFile package;
    // Unpacking needs no name, so none is read.
    const std::optional<TvkContents> contents = openPackage(package, packagePath, 0);
    if (!contents)
        return Failure;

    // The names are fixed: nothing stored in the file ever becomes part of a path.
    // Joined as given, never cleaned as text: "link/.." is where the system
    // takes it, the folder the link leads to, not the current one.
    const QString target = parser.value(folder);
    const auto inTarget = [&](const QString& name) {
        if (target == QLatin1String("."))
            return name;
        return target.endsWith(QLatin1Char('/')) ? target + name : target + QLatin1Char('/') + name;
    };
    const std::array<Extracted, 2> icons = {
        Extracted{inTarget(QStringLiteral("left.ico")), contents->leftOffset, contents->LeftLength},
        Extracted{inTarget(QStringLiteral("right.ico")), contents->rightOffset,
                  contents->RightLength}};
    const std::optional<FileIdentity> packageIdentity = FileIdentity::ofOpenFile(package.handle());
    const bool forced = parser.isSet(force);
    for (const Extracted& icon : icons) {
        if (!mayWrite(icon.fileName, forced, packageIdentity))
            return Failure;
    }
    if (!QDir().mkpath(target)) {
        reportFailure(
            QStringLiteral("Cannot create folder %1.").arg(DisplayText::displayPath(target)));
        return Failure;
    }

    // Both are written in full and on disk before either replaces anything.
    std::array<std::unique_ptr<ReplacingFile>, 2> outputs;
    for (size_t i = 0; i < icons.size(); ++i) {
        // Unforced, a file that appears at the name while this runs is kept too.
        outputs[i] = std::make_unique<ReplacingFile>(
            icons[i].fileName, ReplacingFile::Links::Replace,
            forced ? ReplacingFile::Existing::Replace : ReplacingFile::Existing::Keep);
        ReplacingFile& output = *outputs[i];
        if (packageIdentity)
            output.protect({*packageIdentity});
        if (output.open() != ReplacingFile::OpenStatus::Opened)
            return output.foundExisting() ? alreadyExists(icons[i].fileName)
                                          : cannotWrite(icons[i].fileName, output.errorString());
        const CopyResult copy =
            package.seek(icons[i].offset)
                ? ChunkedCopy::copyFileData(package, output.device(), icons[i].size,
                                            [](qint64) { return !interrupted(); })
                : CopyResult{CopyResult::Status::ReadFailed, 0};
        if (copy.status == CopyResult::Status::Cancelled)
            return Failure;
        if (copy.status == CopyResult::Status::WriteFailed)
            return cannotWrite(icons[i].fileName, output.device().errorString() + QLatin1Char('.'));
        if (copy.status != CopyResult::Status::Copied) {
            const QString reason =
                copy.status == CopyResult::Status::SourceEnded
                    ? QStringLiteral("The file became shorter while it was read.")
                    : package.errorString() + QLatin1Char('.');
            return reportCannotRead(packagePath, reason);
        }
        if (!output.finishWriting())
            return cannotWrite(icons[i].fileName, output.errorString());
    }

    if (interrupted())
        return Failure;
    // The pair is all or nothing: if the second cannot take its place, the
    // first is put back as it was.
    ReplacingFile& left = *outputs[0];
    ReplacingFile& right = *outputs[1];
    if (!left.replaceTarget(true)) {
        return left.foundExisting() ? alreadyExists(icons[0].fileName)
                                    : cannotWrite(icons[0].fileName, left.errorString());
    }
    if (!right.replaceTarget(true)) {
        QString reason = right.errorString();
        const bool rightExists = right.foundExisting();
        if (!left.restoreEarlier()) {
            reason += QStringLiteral(" %1 could not be put back as it was: %2")
                          .arg(DisplayText::displayPath(icons[0].fileName), left.errorString());
            return cannotWrite(icons[1].fileName, reason);
        }
        return rightExists ? alreadyExists(icons[1].fileName)
                           : cannotWrite(icons[1].fileName, reason);
    }
    for (size_t i = 0; i < icons.size(); ++i) {
        if (!outputs[i]->syncFolder())
            return cannotWrite(icons[i].fileName, outputs[i]->errorString());
    }
    return Success;
}

} // namespace Cli
