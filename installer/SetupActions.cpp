// The Windows installer's custom actions (resources/windows/TVK_Mak.wxs), run
// by Windows Installer right after InstallFinalize, in the user's own context.
//
// The .tvk extension may already belong to another program: its default value,
// "Content Type" and thumbnail handler are therefore not in the Registry table (Windows Installer
// would overwrite them on install and delete them on uninstall), but written
// here where none was set, and removed on uninstall only while still ours.
// Each action also tells Explorer that file types changed, and the uninstall
// one leaves nothing for ever when Windows Installer could not delete a file
// still in use. Nothing here fails the install or the uninstall (the actions
// are marked to be ignored and always return success): every step that does
// not work is written into the installer's log.
// windows.h first: the others need its types.
#include <windows.h>

#include <msiquery.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kExtensionKey = L"Software\\Classes\\.tvk";
constexpr const wchar_t* kProgId = L"TVK_Mak.tvk";
constexpr const wchar_t* kContentTypeName = L"Content Type";
constexpr const wchar_t* kContentType = L"application/x-tvk";
// The thumbnail handler of .tvk files (IThumbnailProvider's interface id): ours is the
// provider's class id, written only where no handler was named.
constexpr const wchar_t* kThumbnailKey =
    L"Software\\Classes\\.tvk\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}";
constexpr const wchar_t* kShellExKey = L"Software\\Classes\\.tvk\\ShellEx";
constexpr const wchar_t* kProvider = L"{0D595497-CF84-4BC7-9BCD-4ED31ADC722E}";
// Remembers, beside the installer's own values, that the content type is ours:
// unlike the default value, it does not name us.
constexpr const wchar_t* kProgramKey = L"Software\\TVK_Mak";
constexpr const wchar_t* kContentTypeMark = L"ContentTypeWritten";
// Run once at the user's next logon; needs no administrator, unlike a removal
// at the next restart (PendingFileRenameOperations is under HKLM).
constexpr const wchar_t* kRunOnceKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr const wchar_t* kLeftoverRemoval = L"TVK_Mak removal";

void log(MSIHANDLE install, const std::wstring& text)
{
    const MSIHANDLE record = MsiCreateRecord(0);
    const std::wstring line = L"TVK_Mak: " + text;
    MsiRecordSetStringW(record, 0, line.c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    MsiCloseHandle(record);
}

std::wstring failure(LSTATUS status)
{
    return L" (error " + std::to_wstring(status) + L")";
}

// A string value of a key under HKEY_CURRENT_USER (name null: the default value);
// false when the key or the value is missing.
bool readString(const wchar_t* key, const wchar_t* name, std::wstring& text)
{
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
        ERROR_SUCCESS)
        return false;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
    size = DWORD(buffer.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, buffer.data(), &size) !=
        ERROR_SUCCESS)
        return false;
    text = buffer.data();
    return true;
}

LSTATUS writeString(const wchar_t* key, const wchar_t* name, const std::wstring& text)
{
    return RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_SZ, text.c_str(),
                           DWORD((text.size() + 1) * sizeof(wchar_t)));
}

// Deletes the key only when nothing is left in it, another program's values included.
void deleteKeyIfEmpty(const wchar_t* key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return;
    DWORD subkeys = 1;
    DWORD values = 1;
    RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(handle);
    if (subkeys == 0 && values == 0)
        RegDeleteKeyW(HKEY_CURRENT_USER, key);
}

void tellExplorer(MSIHANDLE install)
{
    // Explorer reads file types once: without this the icon, the Open verb and
    // the thumbnails would show only after the user logs on again.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    log(install, L"told Explorer that file types changed.");
}

std::wstring property(MSIHANDLE install, const wchar_t* name)
{
    DWORD size = 0;
    wchar_t none[1] = {};
    MsiGetPropertyW(install, name, none, &size);
    std::vector<wchar_t> buffer(size + 1);
    size = DWORD(buffer.size());
    if (MsiGetPropertyW(install, name, buffer.data(), &size) != ERROR_SUCCESS)
        return {};
    return buffer.data();
}

// The long names of the package's files (the File table's "short|long" names).
std::vector<std::wstring> packageFiles(MSIHANDLE install)
{
    std::vector<std::wstring> names;
    const MSIHANDLE database = MsiGetActiveDatabase(install);
    MSIHANDLE view = 0;
    if (MsiDatabaseOpenViewW(database, L"SELECT `FileName` FROM `File`", &view) == ERROR_SUCCESS &&
        MsiViewExecute(view, 0) == ERROR_SUCCESS) {
        MSIHANDLE record = 0;
        while (MsiViewFetch(view, &record) == ERROR_SUCCESS) {
            wchar_t name[MAX_PATH] = {};
            DWORD size = MAX_PATH;
            if (MsiRecordGetStringW(record, 1, name, &size) == ERROR_SUCCESS) {
                const std::wstring both = name;
                names.push_back(both.substr(both.find(L'|') + 1));
            }
            MsiCloseHandle(record);
        }
    }
    MsiCloseHandle(view);
    MsiCloseHandle(database);
    return names;
}

// A file still in use (the program running, the thumbnail provider loaded by
// Explorer) is left by Windows Installer; a per-user install cannot have it
// removed at the next restart. Those of our files still there, and then the
// folder if it is empty, are removed at the user's next logon. Only files of
// the package are named, never the folder's other contents.
void removeLeftoversAtLogon(MSIHANDLE install)
{
    std::wstring folder = property(install, L"INSTALLDIR");
    if (folder.empty() || GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    if (folder.back() == L'\\')
        folder.pop_back();
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system) + L"\\cmd.exe\" /d /c";
    std::wstring left;
    for (const std::wstring& name : packageFiles(install)) {
        const std::wstring path = folder + L"\\" + name;
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        command += L" del /f /q \"" + path + L"\" &";
        left += L" " + name;
    }
    command += L" rmdir \"" + folder + L"\"";
    if (left.empty() && RemoveDirectoryW(folder.c_str()))
        return;
    const LSTATUS status = writeString(kRunOnceKey, kLeftoverRemoval, command);
    log(install, L"still in use, removed at the next logon:" + left + L" in " + folder +
                     (status == ERROR_SUCCESS
                          ? L"."
                          : L", but that could not be arranged" + failure(status) + L"."));
}

} // namespace

extern "C" UINT __stdcall TakeFileType(MSIHANDLE install)
{
    std::wstring owner;
    if (!readString(kExtensionKey, nullptr, owner) || owner.empty()) {
        const LSTATUS status = writeString(kExtensionKey, nullptr, kProgId);
        log(install, status == ERROR_SUCCESS
                         ? L".tvk files open with TVK_Mak."
                         : L".tvk could not be given to TVK_Mak" + failure(status) + L".");
    } else if (owner != kProgId) {
        log(install, L".tvk stays with " + owner + L"; TVK_Mak is under Open with.");
    }
    std::wstring type;
    if (!readString(kExtensionKey, kContentTypeName, type) || type.empty()) {
        const LSTATUS status = writeString(kExtensionKey, kContentTypeName, kContentType);
        if (status == ERROR_SUCCESS)
            writeString(kProgramKey, kContentTypeMark, L"1");
        else
            log(install, L".tvk's content type could not be written" + failure(status) + L".");
    }
    std::wstring handler;
    if (!readString(kThumbnailKey, nullptr, handler) || handler.empty()) {
        const LSTATUS status = writeString(kThumbnailKey, nullptr, kProvider);
        if (status != ERROR_SUCCESS)
            log(install,
                L".tvk's thumbnails could not be given to TVK_Mak" + failure(status) + L".");
    } else if (handler != kProvider) {
        log(install, L".tvk's thumbnails stay with " + handler + L".");
    }
    // Installed again before the next logon: the files are ours again.
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunOnceKey, kLeftoverRemoval);
    tellExplorer(install);
    return ERROR_SUCCESS;
}

extern "C" UINT __stdcall ReleaseFileType(MSIHANDLE install)
{
    std::wstring owner;
    if (readString(kExtensionKey, nullptr, owner) && owner == kProgId) {
        const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, kExtensionKey, nullptr);
        if (status != ERROR_SUCCESS)
            log(install, L".tvk's default could not be removed" + failure(status) + L".");
    }
    std::wstring type;
    if (readString(kProgramKey, kContentTypeMark, type)) {
        if (readString(kExtensionKey, kContentTypeName, type) && type == kContentType)
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kExtensionKey, kContentTypeName);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kProgramKey, kContentTypeMark);
    }
    std::wstring handler;
    if (readString(kThumbnailKey, nullptr, handler) && handler == kProvider)
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kThumbnailKey, nullptr);
    deleteKeyIfEmpty(kThumbnailKey);
    deleteKeyIfEmpty(kShellExKey);
    deleteKeyIfEmpty(kExtensionKey);
    deleteKeyIfEmpty(kProgramKey);
    removeLeftoversAtLogon(install);
    tellExplorer(install);
    return ERROR_SUCCESS;
}
