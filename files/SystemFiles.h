#pragma once

#include "base/Outcome.h"
#include "base/Result.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

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
        // The kernel could not copy (more): reading and writing copy the rest,
        // and tell which file failed, if one did.
        NotInKernel,
    };
    Status status = Status::Copied;
    qint64 copied = 0;

    bool sourceFailed() const
    {
        return status == Status::ReadFailed || status == Status::SourceEnded;
    }
};

// The few file operations the program needs beyond what Qt offers, made with the
// host's own calls: POSIX (with Linux extras where they help) or Windows. Every
// call is checked; a failure comes back with the system's reason as a sentence,
// such as "No space left on device.".
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

// Fails when no file could have this path: a NUL character (which would cut the
// name short where the system reads it), or more than the system takes in one path.
Outcome checkPath(const QString& path);

// Which file a path or an open file is: the device and the file's number on it
// (inode on POSIX, volume serial number and file index on Windows). Two names
// of one file, through links, hard links or "..", have the same identity.
struct FileId
{
    quint64 device = 0;
    quint64 index = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

// Nothing when nothing is there (or it cannot be looked at).
std::optional<FileId> idOfPath(const QString& path, bool followLinks);
std::optional<FileId> idOfHandle(Handle handle);

// Follows symbolic links until the path names something that is not a link,
// which need not exist: a link to a missing file resolves to where it points.
QString resolveLinks(const QString& path);

struct OpenedFile
{
    // Set only when kind is Regular.
    Handle handle = kNoHandle;
    Kind kind = Kind::Missing;
};

// Opens a file for reading without ever waiting (a FIFO or device opens at once)
// and tells what was opened from the open handle itself, so that a file swapped
// after a check is never what gets read. Only a regular file stays open. Fails,
// with the system's reason, when the file exists but cannot be opened.
Result<OpenedFile> openForReading(const QString& path);

struct CreatedFile
{
    Handle handle = kNoHandle;
    // Empty while the file has no name.
    QString path;
};

// A new empty file in the folder, for writing. Where the system allows (Linux),
// it has no name until nameUnnamed() gives it one, so that a process killed while
// writing leaves nothing behind; elsewhere it gets a short unused name.
Result<CreatedFile> createTemporaryIn(const QString& folder);

// A short unused name in the folder: ".tvk-" and eight random letters or digits,
// short whatever the length of the names beside it.
QString temporaryNameIn(const QString& folder);

// Gives a file made unnamed by createTemporaryIn() the given name, which must not exist.
Outcome nameUnnamed(Handle handle, const QString& path);

// Gives the open file the read, write and execute bits of the regular file at
// `path`, if one is there. A link at the path gives nothing (its target is not
// what is replaced), and setuid, setgid and sticky bits are never taken: a new
// file must not gain a privilege because of what it replaces.
Outcome copyPermissions(Handle handle, const QString& path);

Outcome syncData(Handle handle);

Outcome closeHandle(Handle handle);

// Waits until the folder's entries (a rename into it) are on disk.
Outcome syncFolder(const QString& folder);

// Whether syncFileSystems() can be used here; elsewhere files are synced one by one.
bool canSyncFileSystems();

// Waits until everything written to the file systems holding these folders is on
// disk: one flush for a whole batch of files (Linux syncfs), instead of one per file.
Outcome syncFileSystems(const QStringList& folders);

// Renames `from` to `to` in one step, over anything at `to` (a link itself,
// never its target).
Outcome renameOver(const QString& from, const QString& to);

// Renames `from` to `to` only if nothing stands at `to`, in one step, so that a
// file that appeared a moment ago is never replaced; `existed` tells it was there.
Outcome renameNoReplace(const QString& from, const QString& to, bool& existed);

// A second name for the file at `existing` (for a link, for the link itself).
// `unsupported` tells that the file system has no hard links (FAT, exFAT, some
// network shares).
Outcome hardLink(const QString& existing, const QString& newPath, bool& unsupported);

Outcome removeFile(const QString& path);

// Whether the file carries Windows' read-only attribute, which the user sets so
// that the file is not replaced; never so elsewhere.
bool isReadOnly(const QString& path);

// Whether the folder may take two names that differ only in letter case for one
// file: on Windows and macOS, FAT and exFAT, case-folding ext4 or f2fs folders, and
// to be safe any file system not known to tell case apart (FUSE, network shares).
bool mayFoldCase(const QString& folder);

// Whether no other user can rename or replace what is in this folder: neither it
// nor any folder above it is writable by others without the sticky bit (as /tmp
// has). Always so on Windows, where the temporary folder is the user's own.
Outcome checkNoOtherWriters(const QString& folder);

// In-kernel copying between two open files (Linux copy_file_range), which also
// starts writing the copied data to disk as it goes, so that a final sync has
// little left to wait for. Where it cannot, NotInKernel: the caller reads and writes.
CopyResult kernelCopy(Handle source, qint64 sourceOffset, Handle target, qint64 targetOffset,
                      qint64 count, const std::function<bool(qint64 copiedSoFar)>& progress);

} // namespace SystemFiles
