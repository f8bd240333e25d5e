#include "files/ChunkedCopy.h"

#include <QCoreApplication>
#include <QFileDevice>

#include <algorithm>
#include <memory>

namespace ChunkedCopy {

bool writeAll(QIODevice& target, const char* data, qint64 size)
{
    while (size > 0) {
        const qint64 written = target.write(data, size);
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

CopyResult copyBytes(QIODevice& source, QIODevice& target, qint64 count,
                     const CopyProgress& progress)
{
    CopyResult outcome;
    const qint64 bufferSize = std::clamp(count, qint64(0), kChunkSize);
    const auto buffer = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(bufferSize));
    while (outcome.copied < count) {
        const qint64 wanted = std::min(bufferSize, count - outcome.copied);
        const qint64 got = source.read(buffer.get(), wanted);
        if (got < 0)
            return {CopyResult::Status::ReadFailed, outcome.copied};
        if (got == 0)
            return {CopyResult::Status::SourceEnded, outcome.copied};
        if (!writeAll(target, buffer.get(), got))
            return {CopyResult::Status::WriteFailed, outcome.copied};
        outcome.copied += got;
        if (progress && !progress(outcome.copied))
            return {CopyResult::Status::Cancelled, outcome.copied};
    }
    return outcome;
}

CopyResult copyFileData(QFileDevice& source, QFileDevice& target, qint64 count,
                        const CopyProgress& progress, CopyMethod method)
{
    qint64 copiedInKernel = 0;
    if (method == CopyMethod::Fastest && count > 0 && target.flush()) {
        const qint64 sourceStart = source.pos();
        const qint64 targetStart = target.pos();
        const CopyResult kernel = SystemFiles::kernelCopy(
            source.handle(), sourceStart, target.handle(), targetStart, count, progress);
        // The kernel copied at explicit offsets; the devices are told where they are now.
        if (kernel.copied > 0 || kernel.status != CopyResult::Status::NotInKernel) {
            if (!source.seek(sourceStart + kernel.copied))
                return {CopyResult::Status::ReadFailed, kernel.copied};
            if (!target.seek(targetStart + kernel.copied))
                return {CopyResult::Status::WriteFailed, kernel.copied};
        }
        if (kernel.status != CopyResult::Status::NotInKernel)
            return kernel;
        copiedInKernel = kernel.copied;
    }
    CopyResult outcome = copyBytes(source, target, count - copiedInKernel, [&](qint64 copiedSoFar) {
        return !progress || progress(copiedInKernel + copiedSoFar);
    });
    outcome.copied += copiedInKernel;
    return outcome;
}

CopyResult copyFileRange(QFileDevice& source, qint64 offset, QFileDevice& target, qint64 count,
                         const CopyProgress& progress)
{
    if (!source.seek(offset))
        return {CopyResult::Status::ReadFailed, 0};
    return copyFileData(source, target, count, progress);
}

QString failureReason(const CopyResult& copy, const QFileDevice& source, const QFileDevice& target,
                      const QString& shorter)
{
    if (copy.status == CopyResult::Status::SourceEnded)
        return !shorter.isEmpty()
                   ? shorter
                   : QCoreApplication::translate("ChunkedCopy",
                                                 "The file became shorter while it was read.");
    return (copy.sourceFailed() ? source : target).errorString() + QLatin1Char('.');
}

} // namespace ChunkedCopy
