// The handle operations on Windows, through the C runtime's file descriptors.
#include "runtime/SystemFiles.h"

#include <QDir>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

namespace SystemFiles {

namespace {
QString reason(int error)
{
    return qt_error_string(error) + QLatin1Char('.');
}

const wchar_t* native(const QString& path)
{
    return reinterpret_cast<const wchar_t*>(path.utf16());
}
} // namespace

std::optional<QString> pathProblem(const QString& path)
{
    // The wide API takes paths of up to 32,767 characters with the \\?\\ prefix.
    constexpr qsizetype kLongestPath = 32767;
    if (path.contains(QChar(0)))
        return QStringLiteral("The path holds a NUL character, which no file name can hold.");
    if (path.size() >= kLongestPath) {
        return QStringLiteral("The path is longer than the system allows (%1 characters).")
            .arg(kLongestPath - 1);
    }
    return std::nullopt;
}

namespace {
std::optional<FileId> idOfWindowsHandle(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(handle, &information))
        return std::nullopt;
    return FileId{information.dwVolumeSerialNumber,
                  (quint64(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}
} // namespace

std::optional<FileId> idOfPath(const QString& path, bool followLinks)
{
    // No access rights are needed to read a file's identity; backup semantics
    // open folders too, and a reparse point is opened itself when not followed.
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE handle = CreateFileW(native(QDir::toNativeSeparators(path)), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, flags, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    const std::optional<FileId> id = idOfWindowsHandle(handle);
    CloseHandle(handle);
    return id;
}

std::optional<FileId> idOfHandle(Handle handle)
{
    return idOfWindowsHandle(reinterpret_cast<HANDLE>(_get_osfhandle(handle)));
}

bool renameNoReplace(const QString& from, const QString& to, bool& existed, QString& error)
{
    // Without MOVEFILE_REPLACE_EXISTING, MoveFileEx fails on an existing target.
    existed = false;
    if (MoveFileExW(native(QDir::toNativeSeparators(from)), native(QDir::toNativeSeparators(to)),
                    MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD failure = GetLastError();
    existed = failure == ERROR_ALREADY_EXISTS || failure == ERROR_FILE_EXISTS;
    error = qt_error_string(int(failure)) + QLatin1Char('.');
    return false;
}

OpenResult openForReading(const QString& path)
{
    OpenResult opened;
    const QString nativePath = QDir::toNativeSeparators(path);
    // Folders cannot be opened as files here, so they are told apart first.
    const Kind kind = kindOf(path, true);
    if (kind != Kind::Regular) {
        opened.kind = kind;
        return opened;
    }
    Handle handle = kNoHandle;
    if (_wsopen_s(&handle, native(nativePath), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                  0) != 0) {
        opened = {kNoHandle, Kind::Regular, reason(errno)};
        return opened;
    }
    struct _stat64 status = {};
    if (_fstat64(handle, &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
        opened = {kNoHandle, Kind::Other, {}};
        _close(handle);
        return opened;
    }
    opened = {handle, Kind::Regular, {}};
    return opened;
}

CreateResult createTemporaryIn(const QString& folder)
{
    // Windows has no unnamed files: a named one, made only if the name is free.
    CreateResult created;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = temporaryNameIn(folder);
        if (_wsopen_s(&created.handle, native(QDir::toNativeSeparators(path)),
                      _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                      _S_IREAD | _S_IWRITE) == 0) {
            created.path = path;
            return created;
        }
        if (errno != EEXIST)
            break;
    }
    created.handle = kNoHandle;
    created.error = reason(errno);
    return created;
}

bool nameUnnamed(Handle, const QString&, QString& error)
{
    // Never called: files made here always have a name.
    error = reason(ENOSYS);
    return false;
}

bool copyPermissions(Handle, const QString&, QString&)
{
    // Access on Windows comes from the folder's rules, not from bits.
    return true;
}

bool syncData(Handle handle, QString& error)
{
    // _commit() is FlushFileBuffers() on the descriptor's handle.
    if (_commit(handle) == 0)
        return true;
    error = reason(errno);
    return false;
}

bool closeHandle(Handle handle, QString& error)
{
    if (_close(handle) == 0)
        return true;
    error = reason(errno);
    return false;
}

bool syncFolder(const QString&, QString&)
{
    // Nothing to do: NTFS writes a rename to its journal, and Windows offers no
    // way to flush a folder's entries from here.
    return true;
}

bool canSyncFileSystems()
{
    return false;
}

bool syncFileSystems(const QStringList&, QString& error)
{
    error = reason(ENOSYS);
    return false;
}

bool standardErrorIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

KernelCopyResult kernelCopy(Handle, qint64, Handle, qint64, qint64,
                            const std::function<bool(qint64)>&)
{
    return {KernelCopyResult::Status::Unsupported, 0};
}

} // namespace SystemFiles
