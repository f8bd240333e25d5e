// The handle operations on POSIX systems, with Linux's unnamed temporary files,
// in-kernel copying and data-only sync where they are available.
#include "files/SystemFiles.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef Q_OS_LINUX
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/statfs.h>
#endif
#include <unistd.h>

namespace SystemFiles {

namespace {

QString reason(int error)
{
    return qt_error_string(error) + QLatin1Char('.');
}

// Done, or failed with errno's reason: to be called right after the call.
Outcome checked(bool ok)
{
    return ok ? Outcome::done() : Outcome::failure(reason(errno));
}

// The identity that stat(), lstat() or fstat() found, if it returned 0.
std::optional<FileId> idOf(int statResult, const struct stat& status)
{
    return statResult != 0 ? std::nullopt
                           : std::optional(FileId{quint64(status.st_dev), quint64(status.st_ino)});
}

// Retries a call that a signal interrupted.
template <typename Call> auto retried(Call call)
{
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

Handle openPath(const QString& path, int flags, mode_t mode = 0)
{
    return retried(
        [&] { return ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC, mode); });
}

#ifdef O_TMPFILE
// An unnamed file is named through /proc, which needs no privilege.
QByteArray procPathOf(Handle handle)
{
    return "/proc/self/fd/" + QByteArray::number(handle);
}
#endif

} // namespace

QString plainPath(const QString& path)
{
    return path;
}

Outcome checkPath(const QString& path)
{
    if (path.contains(QChar(0)))
        return Outcome::failure(
            QStringLiteral("The path holds a NUL character, which no file name can hold."));
    if (QFile::encodeName(path).size() >= PATH_MAX) {
        return Outcome::failure(
            QStringLiteral("The path is longer than the system allows (%1 bytes).")
                .arg(PATH_MAX - 1));
    }
    return Outcome::done();
}

std::optional<FileId> idOfPath(const QString& path, bool followLinks)
{
    struct stat status = {};
    const QByteArray name = QFile::encodeName(path);
    return idOf(followLinks ? ::stat(name.constData(), &status)
                            : ::lstat(name.constData(), &status),
                status);
}

std::optional<FileId> idOfHandle(Handle handle)
{
    struct stat status = {};
    return idOf(::fstat(handle, &status), status);
}

Outcome renameOver(const QString& from, const QString& to)
{
    return checked(
        ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0);
}

Outcome renameNoReplace(const QString& from, const QString& to, bool& existed)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
#if defined(Q_OS_LINUX) && defined(RENAME_NOREPLACE)
    int renamed =
        ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
    const bool unsupported = renamed != 0 && (errno == EINVAL || errno == ENOSYS);
#elif defined(Q_OS_MACOS)
    int renamed = ::renamex_np(source.constData(), target.constData(), RENAME_EXCL);
    const bool unsupported = renamed != 0 && errno == ENOTSUP;
#else
    int renamed = -1;
    const bool unsupported = true;
#endif
    // Where the file system cannot rename without replacing: a second name,
    // which is never given over an existing one, then the first goes.
    if (unsupported) {
        renamed = ::link(source.constData(), target.constData());
        if (renamed == 0)
            return checked(::unlink(source.constData()) == 0);
    }
    existed = renamed != 0 && errno == EEXIST;
    return checked(renamed == 0);
}

Result<OpenedFile> openForReading(const QString& path)
{
    // O_NONBLOCK: opening a FIFO or a device must not wait for a writer or a carrier.
    const Handle handle = openPath(path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (handle < 0) {
        if (errno == ENOENT)
            return OpenedFile{kNoHandle, Kind::Missing};
        if (errno == EISDIR)
            return OpenedFile{kNoHandle, Kind::Folder};
        return Result<OpenedFile>::failure(reason(errno));
    }
    // What was opened is what is checked. A read-only handle's close has nothing to lose.
    const auto closedWith = [&](Result<OpenedFile> result) {
        ::close(handle);
        return result;
    };
    struct stat status = {};
    if (::fstat(handle, &status) != 0)
        return closedWith(Result<OpenedFile>::failure(reason(errno)));
    const Kind kind = S_ISREG(status.st_mode)   ? Kind::Regular
                      : S_ISDIR(status.st_mode) ? Kind::Folder
                                                : Kind::Other;
    if (kind != Kind::Regular)
        return closedWith(OpenedFile{kNoHandle, kind});
    // A regular file never blocks; reads go back to the ordinary mode all the same.
    const int flags = ::fcntl(handle, F_GETFL);
    if (flags < 0 || ::fcntl(handle, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return closedWith(Result<OpenedFile>::failure(reason(errno)));
    return OpenedFile{handle, Kind::Regular};
}

Result<CreatedFile> createTemporaryIn(const QString& folder)
{
#ifdef O_TMPFILE
    const Handle unnamed = openPath(folder, O_TMPFILE | O_WRONLY, 0666);
    if (unnamed >= 0 && ::access(procPathOf(unnamed).constData(), F_OK) == 0)
        return CreatedFile{unnamed, QString()};
    if (unnamed >= 0) {
        // Without /proc it could never be named.
        ::close(unnamed);
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        // The folder itself is the problem.
        return Result<CreatedFile>::failure(reason(errno));
    }
#endif
    // No unnamed files on this file system: a named one, made only if the name is free.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = temporaryNameIn(folder);
        const Handle named = openPath(path, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY, 0666);
        if (named >= 0)
            return CreatedFile{named, path};
        if (errno != EEXIST)
            break;
    }
    return Result<CreatedFile>::failure(reason(errno));
}

Outcome nameUnnamed([[maybe_unused]] Handle handle, [[maybe_unused]] const QString& path)
{
#ifdef O_TMPFILE
    return checked(::linkat(AT_FDCWD, procPathOf(handle).constData(), AT_FDCWD,
                            QFile::encodeName(path).constData(), AT_SYMLINK_FOLLOW) == 0);
#else
    return Outcome::failure(reason(ENOSYS));
#endif
}

Outcome copyPermissions(Handle handle, const QString& path)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return checked(errno == ENOENT);
    if (!S_ISREG(status.st_mode))
        return Outcome::done();
    return checked(::fchmod(handle, status.st_mode & 0777) == 0);
}

Outcome syncData(Handle handle)
{
#if defined(Q_OS_MACOS)
    // fsync() on macOS leaves the data in the drive's cache; F_FULLFSYNC does not.
    if (::fcntl(handle, F_FULLFSYNC) == 0)
        return Outcome::done();
#elif defined(Q_OS_LINUX)
    return checked(retried([&] { return ::fdatasync(handle); }) == 0);
#endif
    return checked(retried([&] { return ::fsync(handle); }) == 0);
}

Outcome closeHandle(Handle handle)
{
    // Not retried on EINTR: on Linux the handle is gone whatever close() returns.
    return checked(::close(handle) == 0);
}

Outcome syncFolder(const QString& folder)
{
    const Handle handle = openPath(folder, O_RDONLY | O_DIRECTORY);
    if (handle < 0)
        return checked(false);
    const int synced = retried([&] { return ::fsync(handle); });
    // Some file systems keep no folder data to sync (EINVAL): as for git and SQLite, no failure.
    const Outcome sync = checked(synced == 0 || errno == EINVAL);
    const Outcome closed = closeHandle(handle);
    return sync.failed() ? sync : closed;
}

bool isReadOnly(const QString& /*path*/)
{
    // Read-only is a permission here, which a rename over the file does not need.
    return false;
}

#ifdef Q_OS_LINUX
bool canSyncFileSystems()
{
    return true;
}

Outcome syncFileSystems(const QStringList& folders)
{
    QList<dev_t> synced;
    for (const QString& folder : folders) {
        const Handle handle = openPath(folder, O_RDONLY | O_DIRECTORY);
        if (handle < 0)
            return checked(false);
        struct stat status = {};
        bool ok = ::fstat(handle, &status) == 0;
        if (ok && !synced.contains(status.st_dev)) {
            // Since Linux 5.8 this also reports write-back errors of the file system.
            ok = ::syncfs(handle) == 0;
            synced << status.st_dev;
        }
        const int failure = errno;
        // Read-only: its close has nothing to lose.
        ::close(handle);
        if (!ok)
            return Outcome::failure(reason(failure));
    }
    return Outcome::done();
}

CopyResult kernelCopy(Handle source, qint64 sourceOffset, Handle target, qint64 targetOffset,
                      qint64 count, const CopyProgress& progress)
{
    // Large enough to keep system calls rare, small enough for smooth progress.
    constexpr qint64 kKernelChunk = qint64(8) << 20;
    if (source < 0 || target < 0)
        return {CopyResult::Status::NotInKernel, 0};
    CopyResult result;
    off64_t in = sourceOffset;
    off64_t out = targetOffset;
    while (result.copied < count) {
        const auto wanted = static_cast<size_t>(std::min(kKernelChunk, count - result.copied));
        const ssize_t done = ::copy_file_range(source, &in, target, &out, wanted, 0);
        if (done < 0 && errno == EINTR)
            continue;
        // Unsupported here, or failed: reading and writing go on, and tell which file it was.
        if (done < 0)
            return {CopyResult::Status::NotInKernel, result.copied};
        if (done == 0)
            return {CopyResult::Status::SourceEnded, result.copied};
        // Only starts the write-back: an error surfaces at the final sync, which is checked.
        ::sync_file_range(target, out - done, done, SYNC_FILE_RANGE_WRITE);
        result.copied += done;
        if (progress && !progress(result.copied))
            return {CopyResult::Status::Cancelled, result.copied};
    }
    return result;
}

bool mayFoldCase(const QString& folder)
{
    const QByteArray path = QFile::encodeName(folder);
    struct statfs system = {};
    if (retried([&] { return ::statfs(path.constData(), &system); }) != 0)
        return true;
    // File systems that always tell letter case apart, but for case-folding folders.
    constexpr unsigned long kExt = 0xEF53, kF2fs = 0xF2F52010, kXfs = 0x58465342,
                            kBtrfs = 0x9123683E, kTmpfs = 0x01021994, kZfs = 0x2FC12FC1,
                            kOverlay = 0x794C7630;
    const auto type = static_cast<unsigned long>(system.f_type);
    if (type == kExt || type == kF2fs) {
        const Handle handle = openPath(folder, O_RDONLY | O_DIRECTORY);
        int flags = 0;
        const bool read = handle >= 0 && ::ioctl(handle, FS_IOC_GETFLAGS, &flags) == 0;
        if (handle >= 0)
            ::close(handle);
        return !read || (flags & FS_CASEFOLD_FL) != 0;
    }
    return type != kXfs && type != kBtrfs && type != kTmpfs && type != kZfs && type != kOverlay;
}
#endif

Outcome checkNoOtherWriters(const QString& folder)
{
    char resolved[PATH_MAX];
    if (::realpath(QFile::encodeName(folder).constData(), resolved) == nullptr)
        return checked(false);
    for (QByteArray path = resolved;; path.truncate(path.lastIndexOf('/'))) {
        const QByteArray shown = path.isEmpty() ? QByteArray("/") : path;
        struct stat status = {};
        if (::stat(shown.constData(), &status) != 0)
            return checked(false);
        if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (status.st_mode & S_ISVTX) == 0) {
            return Outcome::failure(
                QCoreApplication::translate("SystemFiles",
                                            "Other users can write in %1, and it is not sticky, "
                                            "so they could replace what is made there.")
                    .arg(QFile::decodeName(shown)));
        }
        if (path.isEmpty())
            return Outcome::done();
    }
}

bool isOwnFolder(const QString& path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid();
}

} // namespace SystemFiles
