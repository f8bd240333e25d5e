#pragma once

#include "base/Outcome.h"
#include "base/Result.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

// Called after every chunk with the bytes copied so far; returning false stops the copy.
using CopyProgress = std::function<bool(qint64 copiedSoFar)>;

// How a copy of bytes ended (ChunkedCopy's, or the kernel's), with the bytes copied.
struct CopyResult
{
    enum class Status
    {
        Copied,
        ReadFailed,
        // The source had fewer bytes than asked for.
        SourceEnded,
        WriteFailed,
        Cancelled,
        // The kernel could not copy (more): reading and writing copy the rest.
        NotInKernel,
    };
    Status status = Status::Copied;
    qint64 copied = 0;

    bool sourceFailed() const
    {
        return status == Status::ReadFailed || status == Status::SourceEnded;
    }
};

// The file operations the program needs beyond Qt, with POSIX (and Linux) or Windows calls.
// A failure comes back with the system's reason as a sentence ("No space left on device.").
namespace SystemFiles {

// A C runtime file descriptor, which QFile can adopt on every platform.
using Handle = int;
inline constexpr Handle kNoHandle = -1;

enum class Kind
{
    Missing,
    Regular,
    Folder,
    // Only when links are not followed.
    Link,
    // A device, FIFO or socket.
    Other,
};

Kind kindOf(const QString& path, bool followLinks);

// The path in its plain form, the one every other check and Qt understand: on Windows,
// "\\?\C:\x" and "\\.\C:\x" (as long-path tools and scripts write them) are "C:\x",
// "\\?\UNC\server\share\x" is "\\server\share\x". Any other path is returned as it is,
// so a device's ("\\.\COM1") or a name only the extended form keeps ("\\?\C:\x.") is
// still refused by checkPath(). Elsewhere every path is already plain.
QString plainPath(const QString& path);

// Fails when no file could have this path: a NUL character, or longer than the system takes;
// on Windows also a device, an alternate data stream, or an extended form plainPath() leaves.
Outcome checkPath(const QString& path);

// Which file a path or an open file is, the same for every name of the file: the
// device and the file's number on it (inode; volume serial and file index on Windows).
struct FileId
{
    quint64 device = 0;
    quint64 index = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

// Nothing when nothing is there (or it cannot be looked at).
std::optional<FileId> idOfPath(const QString& path, bool followLinks);
std::optional<FileId> idOfHandle(Handle handle);

// Follows symbolic links to something that is not a link, which need not exist.
QString resolveLinks(const QString& path);

struct OpenedFile
{
    // Set only when kind is Regular.
    Handle handle = kNoHandle;
    Kind kind = Kind::Missing;
};

// Opens a file for reading without waiting on a FIFO or device, and tells what was opened
// from the handle itself, so a file swapped after a check is never read. Only a regular
// file stays open.
Result<OpenedFile> openForReading(const QString& path);

struct CreatedFile
{
    Handle handle = kNoHandle;
    // Empty while the file has no name.
    QString path;
};

// A new empty file in the folder, for writing. On Linux it has no name until nameUnnamed(),
// so a process killed while writing leaves nothing; elsewhere it gets a temporaryNameIn().
Result<CreatedFile> createTemporaryIn(const QString& folder);

// ".tvk-" and eight random letters or digits in the folder, however long the names beside it.
QString temporaryNameIn(const QString& folder);

// Names a file that createTemporaryIn() left unnamed; the name must be free.
Outcome nameUnnamed(Handle handle, const QString& path);

// Gives the open file the read, write and execute bits of the regular file (not link) at
// `path`, if any; never setuid, setgid or sticky, which a replacement must not gain.
Outcome copyPermissions(Handle handle, const QString& path);

Outcome syncData(Handle handle);

Outcome closeHandle(Handle handle);

// Waits until the folder's entries (a rename into it) are on disk.
Outcome syncFolder(const QString& folder);

// Whether syncFileSystems() can be used here (Linux); elsewhere files are synced one by one.
bool canSyncFileSystems();

// Waits until everything written to the file systems of these folders is on disk (syncfs).
Outcome syncFileSystems(const QStringList& folders);

// Renames in one step over anything at `to` (a link itself, never its target). On Windows a
// regular file at `to` is replaced as the system's own replace does, so the new file keeps
// what Windows keeps of the earlier one (attributes, streams, permissions, creation time).
Outcome renameOver(const QString& from, const QString& to);

// Renames in one step only if nothing stands at `to`; `existed` tells something was there.
Outcome renameNoReplace(const QString& from, const QString& to, bool& existed);

// A second name for the file (or link itself) at `existing`; `unsupported` tells that the
// file system has no hard links (FAT, exFAT, some network shares).
Outcome hardLink(const QString& existing, const QString& newPath, bool& unsupported);

Outcome removeFile(const QString& path);

// Whether the file carries Windows' read-only attribute; never so elsewhere.
bool isReadOnly(const QString& path);

// Whether two names differing only in case may be one file in the folder: on Windows, macOS,
// FAT, exFAT, case-folding ext4 or f2fs, and any file system not known to tell case apart.
bool mayFoldCase(const QString& folder);

// Fails when other users could replace what is in the folder: it or a folder above it is
// writable by others and not sticky (as /tmp is). Never on Windows, where it is the user's own.
Outcome checkNoOtherWriters(const QString& folder);

// Whether the path is a folder itself (not a link to one) that belongs to this user, so that
// no other user may rename it or write in it where it stands. On Windows, whether it is a
// folder: the temporary folder is the user's own there.
bool isOwnFolder(const QString& path);

// In-kernel copying (Linux copy_file_range), starting the write-back as it goes so that a
// final sync has little left to wait for. Where it cannot, NotInKernel.
CopyResult kernelCopy(Handle source, qint64 sourceOffset, Handle target, qint64 targetOffset,
                      qint64 count, const CopyProgress& progress);

} // namespace SystemFiles
