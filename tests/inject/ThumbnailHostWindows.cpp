// `tvk_thumbnail_host DLL FILE SIZE OUT`: loads the thumbnail provider as
// Explorer's thumbnail host does (DllGetClassObject, IClassFactory, then
// IInitializeWithStream on a stream of FILE and IThumbnailProvider), asks for a
// SIZE thumbnail and writes its pixels to OUT as straight RGBA, top row first.
// Prints "WIDTH HEIGHT ALPHA MICROSECONDS" on success. Afterwards the provider
// must let itself be unloaded, leaving no thread of its own: exit 3 otherwise.
#include <windows.h>

#include <objbase.h>
#include <propsys.h>
#include <shlwapi.h>
#include <thumbcache.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {
constexpr CLSID kProviderClass = {
    0x0d595497, 0xcf84, 0x4bc7, {0x9b, 0xcd, 0x4e, 0xd3, 0x1a, 0xdc, 0x72, 0x2e}};

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

// Asks for the thumbnail; returns the exit status.
int thumbnail(HMODULE provider, const wchar_t* file, UINT side, const wchar_t* out)
{
    using GetClassObject = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
    const auto getClassObject = exported<GetClassObject>(provider, "DllGetClassObject");
    IClassFactory* factory = nullptr;
    if (getClassObject == nullptr || FAILED(getClassObject(kProviderClass, IID_IClassFactory,
                                                           reinterpret_cast<void**>(&factory))))
        return 2;
    IInitializeWithStream* initialize = nullptr;
    HRESULT result = factory->CreateInstance(nullptr, IID_IInitializeWithStream,
                                             reinterpret_cast<void**>(&initialize));
    factory->Release();
    if (FAILED(result))
        return 2;
    IStream* stream = nullptr;
    IThumbnailProvider* thumbnails = nullptr;
    HBITMAP bitmap = nullptr;
    WTS_ALPHATYPE alpha = WTSAT_UNKNOWN;
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    result =
        SHCreateStreamOnFileEx(file, STGM_READ | STGM_SHARE_DENY_NONE, 0, FALSE, nullptr, &stream);
    if (SUCCEEDED(result))
        result = initialize->Initialize(stream, STGM_READ);
    if (SUCCEEDED(result))
        result = initialize->QueryInterface(__uuidof(IThumbnailProvider),
                                            reinterpret_cast<void**>(&thumbnails));
    if (SUCCEEDED(result))
        result = thumbnails->GetThumbnail(side, &bitmap, &alpha);
    QueryPerformanceCounter(&end);
    if (thumbnails != nullptr)
        thumbnails->Release();
    initialize->Release();
    if (stream != nullptr)
        stream->Release();
    if (FAILED(result)) {
        std::printf("failed 0x%08lx %lld\n", static_cast<unsigned long>(result),
                    (end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart);
        return 1;
    }
    BITMAP shape = {};
    GetObjectW(bitmap, sizeof shape, &shape);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = shape.bmWidth;
    info.bmiHeader.biHeight = -shape.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<unsigned char> pixels(size_t(shape.bmWidth) * size_t(shape.bmHeight) * 4);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, UINT(shape.bmHeight), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    for (size_t i = 0; i < pixels.size(); i += 4)
        std::swap(pixels[i], pixels[i + 2]);
    FILE* written = _wfopen(out, L"wb");
    if (written == nullptr ||
        std::fwrite(pixels.data(), 1, pixels.size(), written) != pixels.size())
        return 2;
    std::fclose(written);
    std::printf("%ld %ld %d %lld\n", shape.bmWidth, shape.bmHeight, int(alpha),
                (end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart);
    return 0;
}
} // namespace

int wmain(int argc, wchar_t* argv[])
{
    if (argc != 5)
        return 2;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int before = threadCount();
    HMODULE provider = LoadLibraryW(argv[1]);
    if (provider == nullptr)
        return 2;
    const int status =
        thumbnail(provider, argv[2], UINT(std::wcstoul(argv[3], nullptr, 10)), argv[4]);
    using CanUnloadNow = HRESULT(__stdcall*)();
    const auto canUnloadNow = exported<CanUnloadNow>(provider, "DllCanUnloadNow");
    if (canUnloadNow == nullptr || canUnloadNow() != S_OK || !FreeLibrary(provider) ||
        threadCount() != before) {
        std::printf("not unloadable or a thread left\n");
        return 3;
    }
    CoUninitialize();
    return status;
}
