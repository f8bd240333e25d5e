#include "package/PackageWriter.h"

#include "package/SingleByteText.h"
#include "package/TvkLayout.h"
#include "runtime/ChunkedCopy.h"
#include "runtime/DisplayText.h"
#include "runtime/InputFile.h"
#include "runtime/ReplacingFile.h"
#include "runtime/SameFile.h"

#include <QFile>

#include <optional>

namespace {

WriteResult refused(const QString& message)
{
    return {WriteResult::Status::Refused, message};
}

WriteResult failed(const QString& message)
{
    return {WriteResult::Status::Failed, message};
}

// An icon opened for reading, with its size taken at that moment: the size that
// its length field records and the number of bytes copied.
struct OpenIcon
{
    QString path;
    QFile file;
    qint64 size = 0;
};

// Both arguments at once, so that a '%' in the path is never taken for a marker.
QString cannotReadIcon(const QString& path, const QString& reason)
{
    return PackageWriter::tr("Cannot read ICO file %1:\n%2")
        .arg(DisplayText::displayPath(path), reason);
}

std::optional<QString> cannotStore(const QString& fieldName, const QString& text, QByteArray& bytes)
{
    SingleByteText::Encoding encoding = SingleByteText::encode(text);
    if (encoding.unencodable) {
        return PackageWriter::tr("The %1 contains the character %2, which a TVK file cannot "
                                 "store.\nUse letters of Western European languages only.")
            .arg(fieldName, SingleByteText::describeCharacter(*encoding.unencodable));
    }
    bytes = std::move(encoding.bytes);
    return std::nullopt;
}

std::optional<QString> openIcon(const QString& path, OpenIcon& icon)
{
    icon.path = path;
    if (const std::optional<QString> reason = InputFile::open(icon.file, path))
        return cannotReadIcon(path, *reason);
    icon.size = icon.file.size();
    if (icon.size > TvkLayout::kMaxFieldLength) {
        return PackageWriter::tr("ICO file %1 is too large for a TVK file:\nit holds %2 bytes, "
                                 "and an icon may hold at most %3 bytes.")
            .arg(DisplayText::displayPath(path), QString::number(icon.size),
                 QString::number(TvkLayout::kMaxFieldLength));
    }
    return std::nullopt;
}

QString readFailure(const OpenIcon& icon, const CopyResult& copy)
{
    const QString reason = copy.status == CopyResult::Status::SourceEnded
                               ? PackageWriter::tr("The file became shorter while it was read.")
                               : icon.file.errorString() + QLatin1Char('.');
    return cannotReadIcon(icon.path, reason);
}

} // namespace

WriteResult PackageWriter::write(const PackageRequest& request, const WriteProgress& progress)
{
    QByteArray nameBytes;
    QByteArray authorBytes;
    if (auto refusal = cannotStore(tr("Tovrik name"), request.name, nameBytes))
        return refused(*refusal);
    if (auto refusal = cannotStore(tr("Author name"), request.author, authorBytes))
        return refused(*refusal);

    OpenIcon left;
    OpenIcon right;
    if (auto refusal = openIcon(request.leftPath, left))
        return refused(*refusal);
    if (auto refusal = openIcon(request.rightPath, right))
        return refused(*refusal);

    if (SameFile::isSameExistingFile(request.outputPath, request.leftPath) ||
        SameFile::isSameExistingFile(request.outputPath, request.rightPath))
        return refused(tr("The output TVK file must differ from both ICO files!"));

    const auto cannotWrite = [&](const QString& reason) {
        return tr("Cannot write file %1:\n%2")
            .arg(DisplayText::displayPath(request.outputPath), reason);
    };
    // Until commit() the earlier file stays as it was; on any return before, the
    // new file is discarded.
    ReplacingFile output(request.outputPath);
    switch (output.open()) {
    case ReplacingFile::OpenStatus::Opened:
        break;
    case ReplacingFile::OpenStatus::Refused:
        return refused(cannotWrite(output.errorString()));
    case ReplacingFile::OpenStatus::Failed:
        return failed(cannotWrite(output.errorString()));
    }
    QFile& device = output.device();

    const QByteArray header = TvkLayout::header(
        nameBytes, authorBytes, static_cast<qint32>(left.size), static_cast<qint32>(right.size));
    const qint64 total =
        TvkLayout::fileSize(nameBytes.size(), authorBytes.size(), left.size, right.size);
    const auto writeFailed = [&] {
        return failed(cannotWrite(device.errorString() + QLatin1Char('.')));
    };
    const auto cancelled = [] {
        return WriteResult{WriteResult::Status::Cancelled, tr("The conversion was cancelled.")};
    };

    if (!ChunkedCopy::writeAll(device, header.constData(), header.size()))
        return writeFailed();
    qint64 written = header.size();
    if (progress && !progress(written, total))
        return cancelled();

    for (OpenIcon* icon : {&left, &right}) {
        const qint64 before = written;
        const CopyResult copy =
            ChunkedCopy::copyFileData(icon->file, device, icon->size, [&](qint64 copiedSoFar) {
                written = before + copiedSoFar;
                return !progress || progress(written, total);
            });
        switch (copy.status) {
        case CopyResult::Status::Copied:
            break;
        case CopyResult::Status::WriteFailed:
            return writeFailed();
        case CopyResult::Status::Cancelled:
            return cancelled();
        case CopyResult::Status::ReadFailed:
        case CopyResult::Status::SourceEnded:
            return failed(readFailure(*icon, copy));
        }
    }

    if (!output.commit())
        return failed(cannotWrite(output.errorString()));
    return {WriteResult::Status::Written, QString()};
}
