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

// Copies a known number of bytes from one device to another in large chunks, so
// that memory use stays flat whatever the size and no byte is handled alone.
namespace ChunkedCopy {

// Writes every byte, going on after a short write: a device may accept part of
// the data without an error, and only the next write then says why it failed, so
// the device's errorString() holds the reason when this returns false.
bool writeAll(QIODevice& target, const char* data, qint64 size);

inline constexpr qint64 kChunkSize = qint64(1) << 20;

CopyResult copyBytes(QIODevice& source, QIODevice& target, qint64 count,
                     const CopyProgress& progress = {});

// Copies from the source's position to the target's position, leaving both
// positions just after the copied bytes.
CopyResult copyFileData(QFileDevice& source, QFileDevice& target, qint64 count,
                        const CopyProgress& progress = {}, CopyMethod method = CopyMethod::Fastest);

// The same from `offset` of the source; a source that cannot go there is ReadFailed.
CopyResult copyFileRange(QFileDevice& source, qint64 offset, QFileDevice& target, qint64 count,
                         const CopyProgress& progress = {});

// Why a copy failed, as a sentence for the user: the error of the file that
// failed (sourceFailed() tells which), or `shorter` when the source ended early
// (by default "The file became shorter while it was read.").
QString failureReason(const CopyResult& copy, const QFileDevice& source, const QFileDevice& target,
                      const QString& shorter = {});

} // namespace ChunkedCopy
