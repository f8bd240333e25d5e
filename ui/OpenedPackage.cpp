#include "ui/OpenedPackage.h"

#include "format/SingleByteText.h"
#include "format/TvkReader.h"
#include "runtime/ChunkedCopy.h"
#include "runtime/DisplayText.h"
#include "runtime/InputFile.h"
#include "runtime/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Enough of the file's own name to tell the icons apart, well within any file
// system's longest name.
constexpr qsizetype kLongestBaseName = 100;

OpenedPackage::Result cannotOpen(const QString& path, const QString& reason)
{
    return {std::nullopt, OpenedPackage::tr("Cannot open TVK file %1:\n%2")
                              .arg(DisplayText::displayPath(path), reason)};
}

// Why copying from the package failed, as the copy found it.
QString copyFailure(const CopyResult& copy, const QFile& package, const QFile& icon)
{
    switch (copy.status) {
    case CopyResult::Status::SourceEnded:
        return OpenedPackage::tr("The TVK file became shorter while it was read.");
    case CopyResult::Status::WriteFailed:
        return icon.errorString() + QLatin1Char('.');
    default:
        return package.errorString() + QLatin1Char('.');
    }
}

enum class Copied
{
    Done,
    Failed,
    Stopped,
};

// Copies `length` bytes from `offset` of the package into a new file;
// `progress` gets the bytes copied from `before` on.
Copied copyIcon(QFile& package, qint64 offset, qint64 length, const QString& iconPath,
                const std::function<bool(qint64)>& progress, QString& error)
{
    QFile icon(iconPath);
    if (!icon.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        error = DisplayText::cannotWriteFile(iconPath, icon.errorString() + QLatin1Char('.'));
        return Copied::Failed;
    }
    const CopyResult copy = package.seek(offset)
                                ? ChunkedCopy::copyFileData(package, icon, length, progress)
                                : CopyResult{CopyResult::Status::ReadFailed, 0};
    if (copy.status == CopyResult::Status::Copied && icon.flush())
        return Copied::Done;
    if (copy.status == CopyResult::Status::Cancelled)
        return Copied::Stopped;
    error = OpenedPackage::tr("Cannot copy an icon to %1:\n%2")
                .arg(DisplayText::displayPath(iconPath), copy.status == CopyResult::Status::Copied
                                                             ? icon.errorString() + QLatin1Char('.')
                                                             : copyFailure(copy, package, icon));
    return Copied::Failed;
}

} // namespace

OpenedPackage::Result OpenedPackage::open(const QString& path, PrivateFolder& iconFolder,
                                          const WriteProgress& progress)
{
    QFile package;
    if (const Outcome opened = InputFile::open(package, path); opened.failed())
        return cannotOpen(path, opened.reason());
    const TvkReadResult read = TvkReader::read(package, kLongestName);
    if (!read.contents)
        return cannotOpen(path, tr("It is not a TVK file: %1.").arg(read.error));
    const TvkContents& contents = *read.contents;
    if (contents.NameLength > kLongestName || contents.AuthorLength > kLongestName)
        return cannotOpen(path, tr("Its names are too long to change here."));

    const QString baseName = QFileInfo(path).completeBaseName().left(kLongestBaseName);
    PackageRequest fields{
        iconFolder.filePath(baseName + QStringLiteral("-left.ico")),
        iconFolder.filePath(baseName + QStringLiteral("-right.ico")),
        QFileInfo(path).isAbsolute() ? path : QDir::currentPath() + QLatin1Char('/') + path,
        SingleByteText::decode(contents.NameText), SingleByteText::decode(contents.AuthorText)};
    const qint64 total = qint64(contents.LeftLength) + contents.RightLength;
    const struct
    {
        qint64 offset;
        qint64 length;
        const QString& iconPath;
        qint64 before;
    } icons[] = {
        {contents.leftOffset, contents.LeftLength, fields.leftPath, 0},
        {contents.rightOffset, contents.RightLength, fields.rightPath, contents.LeftLength}};
    if (progress && !progress(0, total))
        return {};
    for (const auto& icon : icons) {
        QString error;
        const Copied copied = copyIcon(
            package, icon.offset, icon.length, icon.iconPath,
            [&](qint64 copiedSoFar) {
                return !progress || progress(icon.before + copiedSoFar, total);
            },
            error);
        if (copied != Copied::Done) {
            iconFolder.remove();
            return {std::nullopt, error};
        }
    }
    return {std::move(fields), {}};
}
