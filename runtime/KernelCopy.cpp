#include "KernelCopy.h"

#ifdef Q_OS_LINUX
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace {
// Large enough to keep system calls rare, small enough for smooth progress.
constexpr qint64 kKernelChunk = qint64(8) << 20;

bool cannotCopyHere(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
           error == EBADF || error == ETXTBSY || error == EPERM;
}
} // namespace

KernelCopyResult kernelCopy(int sourceHandle, qint64 sourceOffset, int targetHandle,
                            qint64 targetOffset, qint64 count,
                            const std::function<bool(qint64 copiedSoFar)>& progress)
{
    KernelCopyResult result;
    if (sourceHandle < 0 || targetHandle < 0) {
        result.status = KernelCopyResult::Status::Unsupported;
        return result;
    }
    off64_t in = sourceOffset;
    off64_t out = targetOffset;
    while (result.copied < count) {
        const auto wanted = static_cast<size_t>(std::min(kKernelChunk, count - result.copied));
        const ssize_t done = ::copy_file_range(sourceHandle, &in, targetHandle, &out, wanted, 0);
        if (done < 0) {
            if (errno == EINTR)
                continue;
            if (result.copied == 0 && cannotCopyHere(errno)) {
                result.status = KernelCopyResult::Status::Unsupported;
                return result;
            }
            result.status = KernelCopyResult::Status::Failed;
            result.error = QString::fromStdString(std::generic_category().message(errno));
            return result;
        }
        if (done == 0) {
            result.status = KernelCopyResult::Status::SourceEnded;
            return result;
        }
        // Only starts the write-back; errors surface at the final flush and sync.
        ::sync_file_range(targetHandle, out - done, done, SYNC_FILE_RANGE_WRITE);
        result.copied += done;
        if (progress && !progress(result.copied)) {
            result.status = KernelCopyResult::Status::Cancelled;
            return result;
        }
    }
    return result;
}

#else

KernelCopyResult kernelCopy(int, qint64, int, qint64, qint64, const std::function<bool(qint64)>&)
{
    KernelCopyResult result;
    result.status = KernelCopyResult::Status::Unsupported;
    return result;
}

#endif
