// The handle operations on Windows, through the C runtime's file descriptors.
#include "files/SystemFiles.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <array>
#include <string>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

namespace SystemFiles {

namespace {
// A message as one sentence: the system's texts end in ".\r\n" or in nothing.
QString sentence(QString text)
{
    text = text.trimmed();
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text + QLatin1Char('.');
}

// The C runtime's errno texts, which qt_error_string() would take for Windows error codes.
QString reason(int error)
{
    char text[256] = {};
    strerror_s(text, sizeof text, error);
    return sentence(QString::fromLocal8Bit(text));
}

std::wstring native(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

std::optional<FileId> idOfWindowsHandle(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(handle, &information))
        return std::nullopt;
    return FileId{information.dwVolumeSerialNumber,
                  (quint64(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

// Scanners, indexers and sync clients hold new and changed files for a moment, and a held
// file cannot be replaced: a move is tried again with growing pauses (about 1.3 s in all, as
// Windows ports of version control tools do), then a hold that stays is told as such.
Outcome moveDespiteHolds(const QString& from, const QString& to, DWORD flags,
                         DWORD* failed = nullptr)
{
    DWORD failure = 0;
    const auto held = [&] {
        return failure == ERROR_SHARING_VIOLATION || failure == ERROR_LOCK_VIOLATION ||
               failure == ERROR_ACCESS_DENIED;
    };
    for (const DWORD pause : {0, 1, 10, 20, 40, 80, 160, 320, 640}) {
        Sleep(pause);
        if (MoveFileExW(native(from).c_str(), native(to).c_str(), flags))
            return Outcome::done();
        failure = GetLastError();
        if (!held())
            break;
    }
    if (failed)
        *failed = failure;
    if (failure == ERROR_ACCESS_DENIED) {
        return Outcome::failure(QCoreApplication::translate(
            "SystemFiles",
            "The file is in use by another program, or this user may not replace it."));
    }
    if (held()) {
        return Outcome::failure(
            QCoreApplication::translate("SystemFiles", "The file is in use by another program."));
    }
    return Outcome::failure(sentence(qt_error_string(int(failure))));
}
} // namespace

Outcome checkPath(const QString& path)
{
    // Names that open a device in any folder, with any extension ("nul.tvk"), and
    // a colon past the drive ("x.tvk:stream"), which names an alternate data stream.
    // (No QRegularExpression: its per-thread cache hangs the exit of a MinGW program
    // whose worker threads once matched one.)
    const QString name = path.mid(
        std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))) + 1);
    const QString base = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    const bool numbered = base.size() == 4 &&
                          (base.startsWith(u"COM") || base.startsWith(u"LPT")) &&
                          base.at(3) >= u'1' && base.at(3) <= u'9';
    const auto isBase = [&base](const char* device) { return base == QLatin1String(device); };
    constexpr std::array kDevices = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    const bool device = numbered || std::ranges::any_of(kDevices, isBase);
    const qsizetype colon = path.lastIndexOf(QLatin1Char(':'));
    if (device || colon > 1 || colon == 0)
        return Outcome::failure(QStringLiteral("This is not a regular file."));
    // The wide API takes paths of up to 32,767 characters with the \\?\\ prefix.
    constexpr qsizetype kLongestPath = 32767;
    if (path.contains(QChar(0)))
        return Outcome::failure(
            QStringLiteral("The path holds a NUL character, which no file name can hold."));
    if (path.size() >= kLongestPath) {
        return Outcome::failure(
            QStringLiteral("The path is longer than the system allows (%1 characters).")
                .arg(kLongestPath - 1));
    }
    return Outcome::done();
}

std::optional<FileId> idOfPath(const QString& path, bool followLinks)
{
    // No access rights are needed for the identity; backup semantics open folders too.
    const DWORD flags =
        FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    const HANDLE handle =
        CreateFileW(native(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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

Outcome renameOver(const QString& from, const QString& to)
{
    // Written through: on disk when this returns, as the folder sync makes it elsewhere.
    return moveDespiteHolds(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

Outcome renameNoReplace(const QString& from, const QString& to, bool& existed)
{
    // Without MOVEFILE_REPLACE_EXISTING, MoveFileEx fails on an existing target.
    DWORD failure = 0;
    const Outcome moved = moveDespiteHolds(from, to, MOVEFILE_WRITE_THROUGH, &failure);
    existed = failure == ERROR_ALREADY_EXISTS || failure == ERROR_FILE_EXISTS;
    return moved;
}

bool isReadOnly(const QString& path)
{
    const DWORD attributes = GetFileAttributesW(native(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

Result<OpenedFile> openForReading(const QString& path)
{
    // Folders cannot be opened as files here, so they are told apart first.
    const Kind kind = kindOf(path, true);
    if (kind != Kind::Regular)
        return OpenedFile{kNoHandle, kind};
    Handle handle = kNoHandle;
    if (_wsopen_s(&handle, native(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                  0) != 0)
        return Result<OpenedFile>::failure(reason(errno));
    struct _stat64 status = {};
    if (_fstat64(handle, &status) != 0 || (status.st_mode & _S_IFMT) != _S_IFREG) {
        _close(handle);
        return OpenedFile{kNoHandle, Kind::Other};
    }
    return OpenedFile{handle, Kind::Regular};
}

Result<CreatedFile> createTemporaryIn(const QString& folder)
{
    // Windows has no unnamed files: a named one, made only if the name is free.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = temporaryNameIn(folder);
        Handle handle = kNoHandle;
        if (_wsopen_s(&handle, native(path).c_str(),
                      _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                      _S_IREAD | _S_IWRITE) == 0)
            return CreatedFile{handle, path};
        if (errno != EEXIST)
            break;
    }
    return Result<CreatedFile>::failure(reason(errno));
}

Outcome nameUnnamed(Handle, const QString&)
{
    // Never called: files made here always have a name.
    return Outcome::failure(reason(ENOSYS));
}

Outcome copyPermissions(Handle, const QString&)
{
    // Access on Windows comes from the folder's rules, not from bits.
    return Outcome::done();
}

Outcome syncData(Handle handle)
{
    // _commit() is FlushFileBuffers() on the descriptor's handle.
    return _commit(handle) == 0 ? Outcome::done() : Outcome::failure(reason(errno));
}

Outcome closeHandle(Handle handle)
{
    return _close(handle) == 0 ? Outcome::done() : Outcome::failure(reason(errno));
}

Outcome syncFolder(const QString&)
{
    // NTFS journals a rename, and Windows offers no way to flush a folder's entries.
    return Outcome::done();
}

Outcome checkNoOtherWriters(const QString& /*folder*/)
{
    return Outcome::done();
}

} // namespace SystemFiles
