#include "ui/OpenedPackage.h"

#include "format/SingleByteText.h"
#include "format/TvkReader.h"
#include "runtime/ChunkedCopy.h"
#include "runtime/DisplayText.h"
#include "runtime/InputFile.h"

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

// Copies `length` bytes from `offset` of the package into a new file.
Outcome copyIcon(QFile& package, qint64 offset, qint64 length, const QString& iconPath)
{
    QFile icon(iconPath);
    if (!icon.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        return Outcome::failure(
            PackageWriter::cannotWrite(iconPath, icon.errorString() + QLatin1Char('.')));
    }
    if (!package.seek(offset) ||
        ChunkedCopy::copyFileData(package, icon, length).status != CopyResult::Status::Copied ||
        !icon.flush()) {
        const QString reason =
            icon.error() != QFileDevice::NoError ? icon.errorString() : package.errorString();
        icon.remove();
        return Outcome::failure(OpenedPackage::tr("Cannot copy an icon to %1:\n%2")
                                    .arg(DisplayText::displayPath(iconPath), reason));
    }
    return Outcome::done();
}

} // namespace

OpenedPackage::Result OpenedPackage::open(const QString& path, const QString& iconFolder)
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
    const QDir folder(iconFolder);
    PackageRequest fields{
        folder.filePath(baseName + QStringLiteral("-left.ico")),
        folder.filePath(baseName + QStringLiteral("-right.ico")),
        QFileInfo(path).isAbsolute() ? path : QDir::currentPath() + QLatin1Char('/') + path,
        SingleByteText::decode(contents.NameText), SingleByteText::decode(contents.AuthorText)};
    if (const Outcome copied =
            copyIcon(package, contents.leftOffset, contents.LeftLength, fields.leftPath);
        copied.failed())
        return {std::nullopt, copied.reason()};
    if (const Outcome copied =
            copyIcon(package, contents.rightOffset, contents.RightLength, fields.rightPath);
        copied.failed()) {
        QFile::remove(fields.leftPath);
        return {std::nullopt, copied.reason()};
    }
    return {std::move(fields), {}};
}
