#pragma once

#include "base/Outcome.h"
#include "base/Result.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

// How a copy of bytes from one file to another ended (ChunkedCopy's, and the
// kernel's below), with the bytes copied.
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

    // Whether the source is to blame: it could not be read, or ended early.
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

// What stands at a path, following symbolic links or looking at the link itself.
Kind kindOf(const QString& path, bool followLinks);

// Fails, saying why, when no file could ever have this path: a NUL character (which would
// cut the name short where the system reads it), or more bytes than the system
// takes in one path.
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

// The identity of what stands at the path, following a link at its end or not;
// nothing when nothing is there (or it cannot be looked at).
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

// Waits until the file's data is on disk.
Outcome syncData(Handle handle);

Outcome closeHandle(Handle handle);

// Waits until the entries of the folder (a rename into it) are on disk.
Outcome syncFolder(const QString& folder);

// Whether syncFileSystems() can be used here (Linux); elsewhere files are
// synced one by one.
bool canSyncFileSystems();

// Waits until everything written to the file systems holding these folders is
// on disk: one flush for a whole batch of files (Linux syncfs, once per file
// system), instead of one per file.
Outcome syncFileSystems(const QStringList& folders);

// Renames `from` to `to` in one step, over anything at `to` (a link itself,
// never its target).
Outcome renameOver(const QString& from, const QString& to);

// Renames `from` to `to` only if nothing stands at `to`, in one step: an
// existing file there is never replaced, even one that appeared a moment ago.
// `existed` tells that this was why it failed.
Outcome renameNoReplace(const QString& from, const QString& to, bool& existed);

// A second name for the file at `existing` (for a link, for the link itself).
// `unsupported` tells that the file system has no hard links (FAT, exFAT, some
// network shares).
Outcome hardLink(const QString& existing, const QString& newPath, bool& unsupported);

Outcome removeFile(const QString& path);

// Whether the file carries Windows' read-only attribute, which the user sets so
// that the file is not replaced; never so elsewhere.
bool isReadOnly(const QString& path);

// Whether the folder may take two names that differ only in letter case for
// one file: so on Windows and macOS, on FAT and exFAT, in a case-folding ext4 or
// f2fs folder, and on any file system not known to tell case apart (FUSE,
// network shares), where two such names are taken for one file to be safe.
bool mayFoldCase(const QString& folder);

// Whether no other user can rename or replace what is in this folder: neither it
// nor any folder above it is writable by others without the sticky bit (as /tmp
// has). Always so on Windows, where the temporary folder is the user's own.
Outcome checkNoOtherWriters(const QString& folder);

// In-kernel copying between two open files (Linux copy_file_range), which saves
// moving every byte through the program, and starts writing the copied data to
// disk while copying goes on, so that a final sync has little left to wait for.
// Elsewhere, or where the file systems cannot do it, it reports NotInKernel
// before copying anything, and the caller copies by reading and writing.
CopyResult kernelCopy(Handle source, qint64 sourceOffset, Handle target, qint64 targetOffset,
                      qint64 count, const std::function<bool(qint64 copiedSoFar)>& progress);

} // namespace SystemFiles
