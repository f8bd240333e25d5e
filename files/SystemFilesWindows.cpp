// The handle operations on Windows, through the C runtime's file descriptors.
#include "files/SystemFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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
// file cannot be replaced: a step is tried again with growing pauses (about 1.3 s in all, as
// Windows ports of version control tools do). ReplaceFileW tells a held target by
// ERROR_UNABLE_TO_REMOVE_REPLACED, having changed nothing.
bool isHeld(DWORD failure)
{
    return failure == ERROR_SHARING_VIOLATION || failure == ERROR_LOCK_VIOLATION ||
           failure == ERROR_ACCESS_DENIED || failure == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// Runs `step` (which gives ERROR_SUCCESS or its failure) until it is not held; its last result.
template <typename Step> DWORD despiteHolds(const Step& step)
{
    DWORD failure = ERROR_SUCCESS;
    for (const DWORD pause : {0, 1, 10, 20, 40, 80, 160, 320, 640}) {
        Sleep(pause);
        failure = step();
        if (!isHeld(failure))
            break;
    }
    return failure;
}

DWORD lastFailure(BOOL succeeded)
{
    return succeeded ? ERROR_SUCCESS : GetLastError();
}

// A hold that stays is told as such.
Outcome outcomeOf(DWORD failure)
{
    if (failure == ERROR_SUCCESS)
        return Outcome::done();
    if (failure == ERROR_ACCESS_DENIED) {
        return Outcome::failure(QCoreApplication::translate(
            "SystemFiles",
            "The file is in use by another program, or this user may not replace it."));
    }
    if (isHeld(failure)) {
        return Outcome::failure(
            QCoreApplication::translate("SystemFiles", "The file is in use by another program."));
    }
    return Outcome::failure(sentence(qt_error_string(int(failure))));
}

DWORD moveFile(const QString& from, const QString& to, DWORD flags)
{
    return despiteHolds(
        [&] { return lastFailure(MoveFileExW(native(from).c_str(), native(to).c_str(), flags)); });
}

// The attributes a replaced file keeps, given again where the replace left them out (Wine
// 8's keeps none; Microsoft's documentation names streams, permissions and times, not these).
// ReplaceFileW is not written through, so what it copied into the new file (streams,
// attributes) is flushed as the data was, through a handle that writes, as FlushFileBuffers needs.
DWORD keepAndFlush(const QString& path, DWORD earlierAttributes)
{
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD attributes = GetFileAttributesW(native(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError();
    const DWORD missing = earlierAttributes & kKept & ~attributes;
    if (missing != 0 && !SetFileAttributesW(native(path).c_str(), attributes | missing))
        return GetLastError();
    return despiteHolds([&] {
        const HANDLE handle = CreateFileW(native(path).c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return GetLastError();
        const DWORD failure = lastFailure(FlushFileBuffers(handle));
        CloseHandle(handle);
        return failure;
    });
}

// Wine's ReplaceFileW keeps nothing that a rename with the attributes given back does not,
// and it follows a Unix link at the output to its target, which it moves aside for the program
// to delete: under Wine, a rename replaces.
bool underWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Puts `from` in the place of the regular file `to` as Windows' own replace does, so the new
// file keeps the earlier one's attributes (hidden, system, ...), alternate data streams,
// permissions, creation time, short name, object ID, encryption and compression, where a
// rename would give it the folder's defaults. What each failure leaves is as Microsoft
// documents ReplaceFileW (Wine 8 renames and keeps nothing, and refuses a held target).
Outcome replaceKeeping(const QString& from, const QString& to, DWORD earlierAttributes)
{
    // The earlier file is moved to a name of ours rather than removed: when the new one then
    // cannot take its place (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2), it is known where to find it.
    const QString earlier = temporaryNameIn(QFileInfo(to).path());
    // Without WRITE_DAC on the new file its permissions stay the folder's, as a rename's are;
    // the attributes and streams are kept or nothing is replaced.
    const DWORD failure = despiteHolds([&] {
        return lastFailure(ReplaceFileW(native(to).c_str(), native(from).c_str(),
                                        native(earlier).c_str(), REPLACEFILE_IGNORE_ACL_ERRORS,
                                        nullptr, nullptr));
    });
    if (failure == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        // Neither file has the name: the earlier one goes back, or is told where it is kept.
        const DWORD restored = moveFile(earlier, to, MOVEFILE_WRITE_THROUGH);
        QString reason = outcomeOf(failure).reason();
        if (restored != ERROR_SUCCESS) {
            reason +=
                QLatin1Char(' ') +
                QCoreApplication::translate("SystemFiles", "The earlier file is kept as %1: %2")
                    .arg(QDir::toNativeSeparators(earlier), outcomeOf(restored).reason());
        }
        return Outcome::failure(reason);
    }
    // Gone meanwhile: nothing to keep, so a rename puts the new file there.
    if (failure == ERROR_FILE_NOT_FOUND && kindOf(to, false) == Kind::Missing)
        return outcomeOf(moveFile(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    // Every other failure leaves both files where they were (ERROR_UNABLE_TO_MOVE_REPLACEMENT
    // too, since the earlier file had a name to go to).
    if (failure != ERROR_SUCCESS)
        return outcomeOf(failure);
    const DWORD flushed = keepAndFlush(to, earlierAttributes);
    // Only the earlier file's bytes are at that name now; a reader that holds it keeps it.
    (void)despiteHolds([&] { return lastFailure(DeleteFileW(native(earlier).c_str())); });
    if (flushed != ERROR_SUCCESS) {
        return Outcome::failure(
            QCoreApplication::translate("SystemFiles",
                                        "The new file is in place, but what it keeps of the "
                                        "earlier file could not be written to disk: %1")
                .arg(outcomeOf(flushed).reason()));
    }
    return Outcome::done();
}
} // namespace

QString plainPath(const QString& path)
{
    const QString given = QDir::toNativeSeparators(path);
    const auto starts = [&given](const char* prefix) {
        return given.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
    };
    const auto isDrive = [&given](qsizetype at) {
        return given.size() > at + 2 && given.at(at).unicode() < 0x80 && given.at(at).isLetter() &&
               given.at(at + 1) == u':' && given.at(at + 2) == u'\\';
    };
    QString plain;
    if (starts("\\\\?\\UNC\\"))
        plain = QStringLiteral("\\\\") + given.mid(8);
    else if ((starts("\\\\?\\") || starts("\\\\.\\")) && isDrive(4))
        plain = given.mid(4);
    else
        return path;
    // "\\?\" gives names to the file system as they are, where the plain form drops a final
    // dot or space and resolves "." and "..": the plain form would name another file. (An
    // empty name, as "out\" + "\left.ico" gives, names no file there and goes.)
    if (given.at(2) == u'?') {
        const QStringList names = plain.split(QLatin1Char('\\'));
        for (qsizetype i = plain.startsWith(u"\\\\") ? 2 : 1; i < names.size(); ++i) {
            const QString& name = names.at(i);
            if (name.endsWith(u'.') || name.endsWith(u' '))
                return path;
        }
    }
    return plain;
}

Outcome checkPath(const QString& path)
{
    const QString plain = plainPath(path);
    // What plainPath() leaves in another form: a device ("\\.\PhysicalDrive0", "\\.\pipe\x"),
    // the system's own namespaces ("\\?\GLOBALROOT\...", "\??\..."), a volume named by its
    // GUID, or a name only "\\?\" reaches.
    const QString native = QDir::toNativeSeparators(plain);
    const bool notPlain = native.startsWith(u"\\\\.\\") || native.startsWith(u"\\\\?\\") ||
                          native.startsWith(u"\\??\\");
    // Names that open a device in any folder, with any extension ("nul.tvk"), and
    // a colon past the drive ("x.tvk:stream"), which names an alternate data stream.
    // (No QRegularExpression: its per-thread cache hangs the exit of a MinGW program
    // whose worker threads once matched one.)
    const QString name = plain.mid(
        std::max(plain.lastIndexOf(QLatin1Char('/')), plain.lastIndexOf(QLatin1Char('\\'))) + 1);
    const QString base = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    const bool numbered =
        base.size() == 4 && (base.startsWith(u"COM") || base.startsWith(u"LPT")) &&
        ((base.at(3) >= u'1' && base.at(3) <= u'9') ||
         // Windows takes Latin-1's superscript digits for digits there.
         base.at(3) == u'\u00B9' || base.at(3) == u'\u00B2' || base.at(3) == u'\u00B3');
    const auto isBase = [&base](const char* device) { return base == QLatin1String(device); };
    constexpr std::array kDevices = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    const bool device = numbered || std::ranges::any_of(kDevices, isBase);
    const qsizetype colon = plain.lastIndexOf(QLatin1Char(':'));
    if (notPlain || device || colon > 1 || colon == 0)
        return Outcome::failure(QStringLiteral("This is not a regular file."));
    // The wide API takes paths of up to 32,767 characters with the \\?\\ prefix.
    constexpr qsizetype kLongestPath = 32767;
    if (plain.contains(QChar(0)))
        return Outcome::failure(
            QStringLiteral("The path holds a NUL character, which no file name can hold."));
    if (plain.size() >= kLongestPath) {
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
    // ReplaceFileW needs a file to replace; a link is replaced itself, as elsewhere.
    const DWORD attributes = GetFileAttributesW(native(to).c_str());
    const bool regular = attributes != INVALID_FILE_ATTRIBUTES &&
                         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                        FILE_ATTRIBUTE_DEVICE)) == 0;
    if (regular && !underWine())
        return replaceKeeping(from, to, attributes);
    // MOVEFILE_WRITE_THROUGH: on disk when this returns, as the folder sync makes it elsewhere.
    const DWORD moved = moveFile(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (moved != ERROR_SUCCESS || !regular)
        return outcomeOf(moved);
    return outcomeOf(keepAndFlush(to, attributes));
}

Outcome renameNoReplace(const QString& from, const QString& to, bool& existed)
{
    // Without MOVEFILE_REPLACE_EXISTING, MoveFileEx fails on an existing target.
    const DWORD failure = moveFile(from, to, MOVEFILE_WRITE_THROUGH);
    existed = failure == ERROR_ALREADY_EXISTS || failure == ERROR_FILE_EXISTS;
    return outcomeOf(failure);
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

bool isOwnFolder(const QString& path)
{
    return kindOf(path, false) == Kind::Folder;
}

} // namespace SystemFiles
