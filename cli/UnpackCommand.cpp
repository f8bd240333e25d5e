#include "CliSupport.h"
#include "Commands.h"
#include "OpenPackage.h"

#include "ChunkedCopy.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <memory>

namespace {

struct Extracted
{
    QString fileName;
    qint64 offset;
    qint64 size;
};

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
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
                                   QStringLiteral("Replace left.ico and right.ico if they exist."));
    parser.addOptions({folder, force});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The TVK file."));

    int status = Success;
    if (!parseCommand(parser, arguments, 1, status))
        return status;

    QFile package(parser.positionalArguments().constFirst());
    const std::optional<TvkContents> contents = openPackage(package);
    if (!contents)
        return Failure;

    // The names are fixed: nothing stored in the file ever becomes part of a path.
    const QDir target(parser.value(folder));
    const std::array<Extracted, 2> icons = {
        Extracted{QDir::cleanPath(target.filePath(QStringLiteral("left.ico"))),
                  contents->leftOffset, contents->LeftLength},
        Extracted{QDir::cleanPath(target.filePath(QStringLiteral("right.ico"))),
                  contents->rightOffset, contents->RightLength}};
    for (const Extracted& icon : icons) {
        if (QFileInfo(icon.fileName).isDir() ||
            (QFileInfo::exists(icon.fileName) && !parser.isSet(force))) {
            reportFailure(QStringLiteral("%1 already exists; use --force to replace it.")
                              .arg(shown(icon.fileName)));
            return Failure;
        }
    }
    if (!QDir().mkpath(target.path())) {
        reportFailure(QStringLiteral("Cannot create folder %1.").arg(shown(target.path())));
        return Failure;
    }

    // Both are written in full before either replaces anything.
    std::array<std::unique_ptr<QSaveFile>, 2> outputs;
    for (size_t i = 0; i < icons.size(); ++i) {
        outputs[i] = std::make_unique<QSaveFile>(icons[i].fileName);
        QSaveFile& output = *outputs[i];
        const bool written =
            output.open(QIODevice::WriteOnly) && package.seek(icons[i].offset) &&
            copyBytes(package, output, icons[i].size).status == CopyOutcome::Status::Copied &&
            output.flush() && output.error() == QFileDevice::NoError;
        if (!written) {
            const QString reason = output.error() != QFileDevice::NoError ? output.errorString()
                                                                          : package.errorString();
            reportFailure(
                QStringLiteral("Cannot write file %1: %2.").arg(shown(icons[i].fileName), reason));
            return Failure;
        }
    }
    for (size_t i = 0; i < icons.size(); ++i) {
        if (!outputs[i]->commit()) {
            reportFailure(QStringLiteral("Cannot write file %1: %2.")
                              .arg(shown(icons[i].fileName), outputs[i]->errorString()));
            return Failure;
        }
    }
    return Success;
}
