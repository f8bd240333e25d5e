// `tvk_hold_file FILE MILLISECONDS`: holds FILE open as an antivirus scanner, a
// viewer or a sync client may, sharing reading but not deletion, so that it
// cannot be replaced meanwhile; writes "held" once it holds it, then lets go.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t* argv[])
{
    if (argc != 3)
        return 2;
    HANDLE held = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        return 1;
    std::fputs("held\n", stdout);
    std::fflush(stdout);
    Sleep(DWORD(std::wcstoul(argv[2], nullptr, 10)));
    CloseHandle(held);
    return 0;
}
