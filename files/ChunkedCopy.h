#pragma once

#include "files/SystemFiles.h"

#include <QString>
#include <QtGlobal>

class QFileDevice;
class QIODevice;

enum class CopyMethod
{
    // In the kernel where the platform and file systems allow, else as ReadWrite.
    Fastest,
    ReadWrite,
};

// Copies a known number of bytes between devices in large chunks: memory use stays flat.
namespace ChunkedCopy {

// Writes every byte, going on after a short write (only the next write says why it failed);
// on false, the device's errorString() holds the reason.
bool writeAll(QIODevice& target, const char* data, qint64 size);

inline constexpr qint64 kChunkSize = qint64(1) << 20;

CopyResult copyBytes(QIODevice& source, QIODevice& target, qint64 count,
                     const CopyProgress& progress = {});

// Copies from the source's position to the target's, leaving both just after the bytes.
CopyResult copyFileData(QFileDevice& source, QFileDevice& target, qint64 count,
                        const CopyProgress& progress = {}, CopyMethod method = CopyMethod::Fastest);

// The same from `offset` of the source; a source that cannot go there is ReadFailed.
CopyResult copyFileRange(QFileDevice& source, qint64 offset, QFileDevice& target, qint64 count,
                         const CopyProgress& progress = {});

// Why a copy failed, as a sentence for the user: the error of the file that failed, or
// `shorter` when the source ended early (by default "The file became shorter ...").
QString failureReason(const CopyResult& copy, const QFileDevice& source, const QFileDevice& target,
                      const QString& shorter = {});

} // namespace ChunkedCopy
