// The handle operations on Windows, through the C runtime's file descriptors.
#include "runtime/SystemFiles.h"

#include <QDir>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

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
