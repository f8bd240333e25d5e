#include "ui/OpenedPackage.h"

#include "files/ChunkedCopy.h"
#include "files/DisplayText.h"
#include "files/InputFile.h"
#include "files/PrivateFolder.h"
#include "format/SingleByteText.h"
#include "format/TvkReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <tuple>

namespace {

// Enough of the file's own name to tell the icons apart, well within any file
// system's longest name.
constexpr qsizetype kLongestBaseName = 100;

Result<PackageRequest> cannotOpen(const QString& path, const QString& reason)
{
    return Result<PackageRequest>::failure(OpenedPackage::tr("Cannot open TVK file %1:\n%2")
                                               .arg(DisplayText::displayPath(path), reason));
}

Outcome copyIcon(QFile& package, qint64 offset, qint64 length, const QString& iconPath,
                 const std::function<bool(qint64)>& progress)
{
    QFile icon(iconPath);
    if (!icon.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return Outcome::failure(
            DisplayText::cannotWriteFile(iconPath, icon.errorString() + QLatin1Char('.')));
    CopyResult copy = ChunkedCopy::copyFileRange(package, offset, icon, length, progress);
    if (copy.status == CopyResult::Status::Cancelled)
        return Outcome::cancelled();
    if (copy.status == CopyResult::Status::Copied && !icon.flush())
        copy.status = CopyResult::Status::WriteFailed;
    if (copy.status == CopyResult::Status::Copied)
        return Outcome::done();
    return Outcome::failure(
        OpenedPackage::tr("Cannot copy an icon to %1:\n%2")
            .arg(DisplayText::displayPath(iconPath),
                 ChunkedCopy::failureReason(
                     copy, package, icon,
                     OpenedPackage::tr("The TVK file became shorter while it was read."))));
}

} // namespace

Result<PackageRequest> OpenedPackage::open(const QString& path, PrivateFolder& iconFolder,
                                           const WriteProgress& progress)
{
    QFile package;
    if (const Outcome opened = InputFile::open(package, path); opened.failed())
        return cannotOpen(path, opened.reason());
    const Result<TvkContents> read = TvkReader::read(package, kLongestName);
    if (read.failed())
        return cannotOpen(path, tr("It is not a TVK file: %1.").arg(read.reason()));
    const TvkContents& contents = read.value();
    if (contents.NameLength > kLongestName || contents.AuthorLength > kLongestName)
        return cannotOpen(path, tr("Its names are too long to change here."));

    const QString baseName = QFileInfo(path).completeBaseName().left(kLongestBaseName);
    PackageRequest inputs{
        iconFolder.filePath(baseName + QStringLiteral("-left.ico")),
        iconFolder.filePath(baseName + QStringLiteral("-right.ico")),
        QFileInfo(path).isAbsolute() ? path : QDir::currentPath() + QLatin1Char('/') + path,
        SingleByteText::decode(contents.NameText), SingleByteText::decode(contents.AuthorText)};
    const qint64 total = contents.LeftLength + contents.RightLength;
    if (!progress(0, total))
        return Result<PackageRequest>::cancelled();
    // Each icon's offset and length in the package, its file, and the bytes copied before it.
    for (const auto& [offset, length, iconPath, before] :
         {std::tuple(contents.leftOffset, contents.LeftLength, inputs.leftPath, std::int64_t{0}),
          std::tuple(contents.rightOffset, contents.RightLength, inputs.rightPath,
                     contents.LeftLength)}) {
        const Outcome copied =
            copyIcon(package, offset, length, iconPath, [&, before = before](qint64 copiedSoFar) {
                return progress(before + copiedSoFar, total);
            });
        if (!copied.isDone()) {
            iconFolder.remove();
            return copied.isCancelled() ? Result<PackageRequest>::cancelled()
                                        : Result<PackageRequest>::failure(copied.reason());
        }
    }
    return inputs;
}
