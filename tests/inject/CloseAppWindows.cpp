// Asks a running program to close as the Restart Manager does when Windows
// Installer needs its files: WM_QUERYENDSESSION, then WM_ENDSESSION, both with
// ENDSESSION_CLOSEAPP, to each of the process's top-level windows; then waits
// up to 30 s, as the Restart Manager does before it forces a program out.
//
// `tvk_close_app NAME`: closes the one process whose executable is named NAME
// (TVK_Mak.exe). Prints "exit CODE" once it has ended; exit 2 when no such
// process runs, 3 when a window answered that it cannot close now, 4 when the
// process is still running after 30 s.
//
// `tvk_close_app --enter NAME`: presses Return in the process's visible
// window instead, as a person would to press its focused button.
//
// `tvk_close_app --visible NAME`: prints how many of the process's top-level
// windows are visible (two while a progress dialog shows over the window).
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

DWORD findProcess(const wchar_t* name)
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    DWORD found = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && found == 0;
         more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, name) == 0)
            found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

struct Search
{
    DWORD process;
    std::vector<HWND> windows;
};

BOOL CALLBACK collect(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process)
        search->windows.push_back(window);
    return TRUE;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring mode = argc == 3 ? argv[1] : L"";
    if (argc != 2 && mode != L"--enter" && mode != L"--visible")
        return 1;
    Search search{findProcess(argv[argc - 1]), {}};
    if (search.process == 0)
        return 2;
    if (!mode.empty()) {
        EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
        int visible = 0;
        for (HWND window : search.windows) {
            if (IsWindowVisible(window) == 0)
                continue;
            ++visible;
            if (mode == L"--enter") {
                PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0x001C0001);
                PostMessageW(window, WM_KEYUP, VK_RETURN, 0xC01C0001);
            }
        }
        if (mode == L"--visible")
            std::printf("%d\n", visible);
        return 0;
    }
    const HANDLE process =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, search.process);
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.windows) {
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_BLOCK,
                                5000, &answer) != 0 &&
            answer == 0)
            return 3;
    }
    for (HWND window : search.windows)
        SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_BLOCK, 5000,
                            nullptr);
    if (WaitForSingleObject(process, 30000) != WAIT_OBJECT_0)
        return 4;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    std::printf("exit %lu\n", code);
    return 0;
}
