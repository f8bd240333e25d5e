#include "package/PackageWriter.h"

#include "files/ChunkedCopy.h"
#include "files/DisplayText.h"
#include "files/FileIdentity.h"
#include "files/InputFile.h"
#include "files/ReplacingFile.h"
#include "format/SingleByteText.h"
#include "format/SystemCodePage.h"
#include "format/TvkLayout.h"
#include "package/PictureIcon.h"

#include <QFile>

namespace {

// An icon opened for reading, with its size taken at that moment: the size that
// its length field records and the number of bytes copied.
struct OpenIcon
{
    QString path;
    QFile file;
    qint64 size = 0;
    // The icon made from the file, a picture, stored in place of the file's own bytes.
    QByteArray made;
    // The file opened, and the names by which its folder knows it.
    QSet<FileIdentity> identities;
};

// Both arguments at once, so that a '%' in the path is never taken for a marker.
QString cannotReadIcon(const QString& path, const QString& reason)
{
    return PackageWriter::tr("Cannot read ICO file %1:\n%2")
        .arg(DisplayText::displayPath(path), reason);
}

Outcome encodeText(const QString& textName, const QString& text, QByteArray& bytes)
{
    SingleByteText::Encoding encoding = SingleByteText::encode(text);
    if (encoding.unencodable) {
        return Outcome::failure(
            PackageWriter::tr("The %1 contains the character %2, which a TVK file cannot "
                              "store.\n%3")
                .arg(textName, SingleByteText::describeCharacter(*encoding.unencodable),
                     SystemCodePage::letterAdvice()));
    }
    bytes = std::move(encoding.bytes);
    return Outcome::done();
}

Outcome openIcon(const QString& path, PictureStorage pictures, OpenIcon& icon)
{
    icon.path = path;
    if (const Outcome opened = InputFile::open(icon.file, path); opened.failed())
        return Outcome::failure(cannotReadIcon(path, opened.reason()));
    icon.size = icon.file.size();
    icon.identities = FileIdentity::ofInput(icon.file.handle(), path);
    const std::optional<QByteArray> format =
        pictures == PictureStorage::MadeIntoIcons ? PictureIcon::formatOf(icon.file) : std::nullopt;
    if (format) {
        Result<QByteArray> made = PictureIcon::makeDefault(icon.file, path, *format);
        if (made.failed())
            return Outcome::failure(made.reason());
        icon.made = made.value();
        icon.size = icon.made.size();
    }
    if (icon.size > TvkLayout::kMaxFieldLength) {
        return Outcome::failure(
            PackageWriter::tr("ICO file %1 is too large for a TVK file:\nit holds %2 bytes, "
                              "and an icon may hold at most %3 bytes.")
                .arg(DisplayText::displayPath(path), QString::number(icon.size),
                     QString::number(TvkLayout::kMaxFieldLength)));
    }
    return Outcome::done();
}

// The names as bytes and the icons open: the refusals before anything is written.
struct Prepared
{
    QByteArray nameBytes;
    QByteArray authorBytes;
    OpenIcon left;
    OpenIcon right;
    // Both icons, which the output must not be.
    InputFiles icons;
};

Outcome prepare(const PackageRequest& request, Prepared& prepared)
{
    Outcome step = encodeText(PackageWriter::tr("Tovrik name"), request.name, prepared.nameBytes);
    if (step.isDone())
        step = encodeText(PackageWriter::tr("Author name"), request.author, prepared.authorBytes);
    if (step.isDone())
        step = openIcon(request.leftPath, request.leftPictures, prepared.left);
    if (step.isDone())
        step = openIcon(request.rightPath, request.rightPictures, prepared.right);
    if (step.failed())
        return step;
    // Decided by what the output path reaches, however it is spelled.
    const QList<FileIdentity> output =
        FileIdentity::allOf(request.outputPath, FileIdentity::LastLink::Follow);
    prepared.icons = InputFiles(prepared.left.identities + prepared.right.identities);
    if (prepared.icons.reachedBy(output))
        return Outcome::failure(
            PackageWriter::tr("The output TVK file must differ from both ICO files!"));
    return Outcome::done();
}

Outcome writeContents(Prepared& prepared, QFile& device, const QString& outputPath,
                      const WriteProgress& progress)
{
    OpenIcon& left = prepared.left;
    OpenIcon& right = prepared.right;
    const QByteArray header =
        TvkLayout::header(prepared.nameBytes, prepared.authorBytes, static_cast<qint32>(left.size),
                          static_cast<qint32>(right.size));
    const qint64 total = TvkLayout::fileSize(prepared.nameBytes.size(), prepared.authorBytes.size(),
                                             left.size, right.size);

    if (!ChunkedCopy::writeAll(device, header.constData(), header.size()))
        return Outcome::failure(
            DisplayText::cannotWriteFile(outputPath, device.errorString() + QLatin1Char('.')));
    qint64 written = header.size();
    if (progress && !progress(written, total))
        return Outcome::cancelled();

    for (OpenIcon* icon : {&left, &right}) {
        if (!icon->made.isEmpty()) {
            if (!ChunkedCopy::writeAll(device, icon->made.constData(), icon->made.size()))
                return Outcome::failure(DisplayText::cannotWriteFile(
                    outputPath, device.errorString() + QLatin1Char('.')));
            written += icon->made.size();
            if (progress && !progress(written, total))
                return Outcome::cancelled();
            continue;
        }
        const qint64 before = written;
        const CopyResult copy =
            ChunkedCopy::copyFileData(icon->file, device, icon->size, [&](qint64 copiedSoFar) {
                written = before + copiedSoFar;
                return !progress || progress(written, total);
            });
        if (copy.status == CopyResult::Status::Cancelled)
            return Outcome::cancelled();
        if (copy.status != CopyResult::Status::Copied) {
            const QString reason = ChunkedCopy::failureReason(copy, icon->file, device);
            return Outcome::failure(copy.sourceFailed()
                                        ? cannotReadIcon(icon->path, reason)
                                        : DisplayText::cannotWriteFile(outputPath, reason));
        }
    }
    return Outcome::done();
}
} // namespace

Outcome PackageWriter::check(const PackageRequest& request)
{
    Prepared prepared;
    if (Outcome prepares = prepare(request, prepared); prepares.failed())
        return prepares;
    if (const Outcome replaceable = ReplacingFile::check(request.outputPath); replaceable.failed())
        return Outcome::failure(
            DisplayText::cannotWriteFile(request.outputPath, replaceable.reason()));
    return Outcome::done();
}

Outcome PackageWriter::write(const PackageRequest& request, const WriteProgress& progress)
{
    ReplacingFile output(request.outputPath);
    qint64 size = 0;
    Outcome written = writeBeside(request, output, [&](qint64 done, qint64 total) {
        size = total;
        return !progress || progress(done, total);
    });
    if (!written.isDone())
        return written;
    const auto cannotWrite = [&](const Outcome& step) {
        return Outcome::failure(DisplayText::cannotWriteFile(request.outputPath, step.reason()));
    };
    if (const Outcome finished = output.finishWriting(); finished.failed())
        return cannotWrite(finished);
    // The flush may take long on a slow disk; a Cancel or a signal meanwhile is
    // still in time, and the new file is discarded with `output`.
    if (progress && !progress(size, size))
        return Outcome::cancelled();
    if (const Outcome replaced = output.replaceTarget(); replaced.failed())
        return cannotWrite(replaced);
    if (const Outcome synced = output.syncFolder(); synced.failed())
        return cannotWrite(synced);
    return written;
}

Outcome PackageWriter::writeBeside(const PackageRequest& request, ReplacingFile& output,
                                   const WriteProgress& progress)
{
    Prepared prepared;
    if (const Outcome prepares = prepare(request, prepared); prepares.failed())
        return Outcome::refusal(prepares.reason());
    output.protect(prepared.icons);

    // Until the caller puts it in place, the earlier file stays as it was;
    // whatever is not put in place is discarded with `output`.
    if (const Outcome opened = output.open(); opened.failed()) {
        const QString message = DisplayText::cannotWriteFile(request.outputPath, opened.reason());
        return opened.refused() ? Outcome::refusal(message) : Outcome::failure(message);
    }
    return writeContents(prepared, output.device(), request.outputPath, progress);
}
