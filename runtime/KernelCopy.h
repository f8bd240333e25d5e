#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// In-kernel copying between two open files (Linux copy_file_range), which saves
// moving every byte through the program, and starts writing the copied data to
// disk while copying goes on, so that a final sync has little left to wait for.
// Elsewhere, or where the file systems cannot do it, it reports Unsupported
// before copying anything, and the caller copies by reading and writing.
struct KernelCopyResult
{
    enum class Status
    {
        Copied,
        Unsupported,
        SourceEnded,
        Failed,
        Cancelled
    };
    Status status = Status::Copied;
    qint64 copied = 0;
    QString error; // the system's reason, when Failed
};

KernelCopyResult kernelCopy(int sourceHandle, qint64 sourceOffset, int targetHandle,
                            qint64 targetOffset, qint64 count,
                            const std::function<bool(qint64 copiedSoFar)>& progress);
