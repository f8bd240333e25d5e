// Loads the thumbnail provider as Explorer's thumbnail host does
// (DllGetClassObject, IClassFactory, then IInitializeWithStream on a stream and
// IThumbnailProvider), and checks that it lets itself be unloaded, leaving no
// thread of its own (exit 3 otherwise).
//
// `tvk_thumbnail_host DLL FILE SIZE OUT`: asks for a SIZE thumbnail of FILE and
// writes its pixels to OUT as straight RGBA, top row first. Prints "WIDTH
// HEIGHT ALPHA" on success.
//
// `tvk_thumbnail_host --thread DLL`: asks for a thumbnail of an icon of its own
// from a second thread, then unloads the DLL at once, as COM does.
//
// `tvk_thumbnail_host --cycles N DLL`: loads the DLL, thumbnails an icon of its
// own and frees it, N times; exit 4 if the process's
// handles, private bytes or C heap grew beyond a small allowance meanwhile.
//
// `tvk_thumbnail_host --time N DLL FILE SIZE`: asks for N thumbnails of FILE in one
// process, as Explorer does, and prints the mean and the slowest time in milliseconds.
#include <windows.h>

#include <objbase.h>
#include <propsys.h>
#include <psapi.h>
#include <shlwapi.h>
#include <thumbcache.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <malloc.h>
#include <string>
#include <vector>

namespace {
constexpr CLSID kProviderClass = {
    0x0d595497, 0xcf84, 0x4bc7, {0x9b, 0xcd, 0x4e, 0xd3, 0x1a, 0xdc, 0x72, 0x2e}};

using Bytes = std::string;

// GetProcAddress's result, as the function it is.
template <typename Function> Function exported(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

int threadCount()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    CloseHandle(snapshot);
    return count;
}

struct Thumbnail
{
    HRESULT result = E_FAIL;
    HBITMAP bitmap = nullptr;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
};

// Asks the provider for a thumbnail of what `stream` holds.
Thumbnail ask(HMODULE provider, IStream* stream, UINT side)
{
    Thumbnail thumbnail;
    using GetClassObject = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
    const auto getClassObject = exported<GetClassObject>(provider, "DllGetClassObject");
    IClassFactory* factory = nullptr;
    if (getClassObject == nullptr || FAILED(getClassObject(kProviderClass, IID_IClassFactory,
                                                           reinterpret_cast<void**>(&factory))))
        return thumbnail;
    IInitializeWithStream* initialize = nullptr;
    HRESULT result = factory->CreateInstance(nullptr, IID_IInitializeWithStream,
                                             reinterpret_cast<void**>(&initialize));
    factory->Release();
    if (FAILED(result))
        return thumbnail;
    IThumbnailProvider* thumbnails = nullptr;
    result = initialize->Initialize(stream, STGM_READ);
    if (SUCCEEDED(result))
        result = initialize->QueryInterface(__uuidof(IThumbnailProvider),
                                            reinterpret_cast<void**>(&thumbnails));
    if (SUCCEEDED(result))
        result = thumbnails->GetThumbnail(side, &thumbnail.bitmap, &thumbnail.alpha);
    if (thumbnails != nullptr)
        thumbnails->Release();
    initialize->Release();
    thumbnail.result = result;
    return thumbnail;
}

// A TVK file whose left icon is an ICO file of one 48x48 32-bit bitmap of
// opaque blue, with its (empty) mask. Numbers are little-endian.
Bytes builtInTvk()
{
    constexpr size_t side = 48;
    // A header of 40 bytes: 48 wide, 96 high (picture and mask), 1 plane, 32 bits.
    Bytes bitmap = Bytes("\x28\0\0\0\x30\0\0\0\x60\0\0\0\1\0\x20\0", 16) + Bytes(24, '\0');
    for (size_t i = 0; i < side * side; ++i)
        bitmap += Bytes("\xFF\x00\x00\xFF", 4);
    bitmap += Bytes(side * side / 8, '\0');
    // One image: 48x48, 1 plane, 32 bits, its 9544 bytes at 22.
    const Bytes ico =
        Bytes("\0\0\1\0\1\0\x30\x30\0\0\1\0\x20\0\x48\x25\0\0\x16\0\0\0", 22) + bitmap;
    // Names A and B, a left icon of 9566 bytes and a right one of 1.
    return Bytes("\1\0\0\0A\1\0\0\0B\x5E\x25\0\0\1\0\0\0", 18) + ico + 'R';
}

// A thumbnail of FILE, or of builtInTvk() without one.
Thumbnail askForFile(HMODULE provider, const wchar_t* file, UINT side)
{
    IStream* stream = nullptr;
    const Bytes builtIn = file == nullptr ? builtInTvk() : Bytes();
    if (file == nullptr)
        stream =
            SHCreateMemStream(reinterpret_cast<const BYTE*>(builtIn.data()), UINT(builtIn.size()));
    else if (FAILED(SHCreateStreamOnFileEx(file, STGM_READ | STGM_SHARE_DENY_NONE, 0, FALSE,
                                           nullptr, &stream)))
        stream = nullptr;
    if (stream == nullptr)
        return {};
    const Thumbnail thumbnail = ask(provider, stream, side);
    stream->Release();
    return thumbnail;
}

// Prints the thumbnail and writes its pixels, if `out` is given; returns the
// exit status.
int written(const Thumbnail& thumbnail, const wchar_t* out)
{
    if (FAILED(thumbnail.result)) {
        std::printf("failed 0x%08lx\n", static_cast<unsigned long>(thumbnail.result));
        return 1;
    }
    BITMAP shape = {};
    GetObjectW(thumbnail.bitmap, sizeof shape, &shape);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = shape.bmWidth;
    info.bmiHeader.biHeight = -shape.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<unsigned char> pixels(size_t(shape.bmWidth) * size_t(shape.bmHeight) * 4);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, thumbnail.bitmap, 0, UINT(shape.bmHeight), pixels.data(), &info,
              DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(thumbnail.bitmap);
    for (size_t i = 0; i < pixels.size(); i += 4)
        std::swap(pixels[i], pixels[i + 2]);
    if (out != nullptr) {
        FILE* file = _wfopen(out, L"wb");
        if (file == nullptr || std::fwrite(pixels.data(), 1, pixels.size(), file) != pixels.size())
            return 2;
        std::fclose(file);
    }
    std::printf("%ld %ld %d\n", shape.bmWidth, shape.bmHeight, int(thumbnail.alpha));
    return 0;
}

// Whether the provider lets itself be unloaded now, and is.
bool unloaded(HMODULE provider)
{
    using CanUnloadNow = HRESULT(__stdcall*)();
    const auto canUnloadNow = exported<CanUnloadNow>(provider, "DllCanUnloadNow");
    return canUnloadNow != nullptr && canUnloadNow() == S_OK && FreeLibrary(provider);
}

struct Job
{
    HMODULE provider;
    const wchar_t* file;
    UINT side;
    Thumbnail thumbnail;
};

DWORD WINAPI askInThread(void* parameter)
{
    auto* job = static_cast<Job*>(parameter);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    job->thumbnail = askForFile(job->provider, job->file, job->side);
    CoUninitialize();
    return 0;
}

int once(bool inThread, const wchar_t* dll, const wchar_t* file, UINT side, const wchar_t* out)
{
    const int before = threadCount();
    HMODULE provider = LoadLibraryW(dll);
    if (provider == nullptr)
        return 2;
    Job job{provider, file, side, {}};
    if (inThread) {
        HANDLE thread = CreateThread(nullptr, 0, askInThread, &job, 0, nullptr);
        if (thread == nullptr)
            return 2;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    } else {
        job.thumbnail = askForFile(provider, file, side);
    }
    // Written once the DLL is gone: a thread it left would run on unloaded code.
    const bool unloadedClean = unloaded(provider);
    Sleep(inThread ? 200 : 0);
    const int status = written(job.thumbnail, out);
    if (!unloadedClean || threadCount() != before) {
        std::printf("not unloadable or a thread left\n");
        return 3;
    }
    return status;
}

struct Usage
{
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
    // What the C runtime, which the provider shares, has handed out: it shows a
    // leak that is never touched, which private bytes under Wine do not.
    SIZE_T heapBytes = 0;
};

// Wine counts no handles (GetProcessHandleCount gives 0) but answers for each
// one; its handles are small numbers.
DWORD handleCount()
{
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0)
        return count;
    for (ULONG_PTR value = 4; value < ULONG_PTR(1) << 18; value += 4) {
        DWORD flags = 0;
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

Usage usage()
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    _HEAPINFO block = {};
    SIZE_T heap = 0;
    while (_heapwalk(&block) == _HEAPOK)
        heap += block._useflag == _USEDENTRY ? block._size : 0;
    // The private bytes, which Wine gives only as the page file's usage.
    return {handleCount(), memory.PagefileUsage, heap};
}

// Loads, thumbnails builtInTvk() and frees the provider `count` times.
bool cycled(const wchar_t* dll, int count)
{
    for (int i = 0; i < count; ++i) {
        HMODULE provider = LoadLibraryW(dll);
        if (provider == nullptr)
            return false;
        const Thumbnail thumbnail = askForFile(provider, nullptr, 32);
        DeleteObject(thumbnail.bitmap);
        if (FAILED(thumbnail.result) || !unloaded(provider))
            return false;
    }
    return true;
}

int cycles(int count, const wchar_t* dll)
{
    // What loading Windows' imaging component once costs is not the provider's.
    if (!cycled(dll, 10))
        return 2;
    const Usage before = usage();
    if (!cycled(dll, count))
        return 2;
    const Usage after = usage();
    std::printf("handles %lu %lu private-KiB %zu %zu heap-KiB %zu %zu\n", before.handles,
                after.handles, before.privateBytes >> 10, after.privateBytes >> 10,
                before.heapBytes >> 10, after.heapBytes >> 10);
    // Far below a leak of even 1 KiB a load.
    constexpr DWORD kHandlesAllowed = 4;
    constexpr SIZE_T kBytesAllowed = SIZE_T(256) << 10;
    return after.handles > before.handles + kHandlesAllowed ||
                   after.privateBytes > before.privateBytes + kBytesAllowed ||
                   after.heapBytes > before.heapBytes + kBytesAllowed
               ? 4
               : 0;
}
// The calling thread's processor time so far, in milliseconds.
double threadMs()
{
    FILETIME created = {}, ended = {}, kernel = {}, user = {};
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    const auto ms = [](FILETIME time) {
        return double((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                      time.dwLowDateTime) /
               10000;
    };
    return ms(kernel) + ms(user);
}

int timed(int count, const wchar_t* dll, const wchar_t* file, UINT side)
{
    HMODULE provider = LoadLibraryW(dll);
    if (provider == nullptr || count < 1)
        return 2;
    LARGE_INTEGER frequency = {}, start = {}, end = {};
    QueryPerformanceFrequency(&frequency);
    double total = 0, slowest = 0;
    const double processorAtStart = threadMs();
    for (int i = 0; i < count; ++i) {
        QueryPerformanceCounter(&start);
        const Thumbnail thumbnail = askForFile(provider, file, side);
        QueryPerformanceCounter(&end);
        DeleteObject(thumbnail.bitmap);
        const double ms = double(end.QuadPart - start.QuadPart) * 1000 / double(frequency.QuadPart);
        total += ms;
        slowest = std::max(slowest, ms);
    }
    // The processor time too: on a busy machine the clock's time is mostly waiting.
    std::printf("mean-ms %.1f slowest-ms %.1f processor-ms %.1f\n", total / count, slowest,
                (threadMs() - processorAtStart) / count);
    return unloaded(provider) ? 0 : 3;
}
} // namespace

int wmain(int argc, wchar_t* argv[])
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int status = 2;
    if (argc == 4 && std::wcscmp(argv[1], L"--cycles") == 0)
        status = cycles(int(std::wcstol(argv[2], nullptr, 10)), argv[3]);
    else if (argc == 6 && std::wcscmp(argv[1], L"--time") == 0)
        status = timed(int(std::wcstol(argv[2], nullptr, 10)), argv[3], argv[4],
                       UINT(std::wcstoul(argv[5], nullptr, 10)));
    else if (argc == 3 && std::wcscmp(argv[1], L"--thread") == 0)
        status = once(true, argv[2], nullptr, 32, nullptr);
    else if (argc == 5)
        status = once(false, argv[1], argv[2], UINT(std::wcstoul(argv[3], nullptr, 10)), argv[4]);
    CoUninitialize();
    return status;
}
