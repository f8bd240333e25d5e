// Explorer's thumbnails of TVK files: an in-process COM server that Explorer
// loads for the ".tvk" ShellEx entry the installer writes, giving the picture
// `tvk thumbnail` makes. It links no Qt, whose Core statics start a thread when
// a second thread calls in and outlive the DLL once COM unloads it. It reads
// only the stream it is given, with the layout core (format/) and bounds that
// `tvk thumbnail` keeps, decodes with WIC, starts no thread, keeps nothing
// between calls, and lets no exception cross the COM boundary.
#include "format/IconChoice.h"
#include "format/PngLimits.h"
#include "format/TvkFieldWalk.h"

#include <windows.h>

#include <objbase.h>
#include <propsys.h>
#include <shlwapi.h>
#include <thumbcache.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <optional>
#include <span>
#include <vector>

// Frees the emergency pool for exceptions that the C++ runtime linked in
// allocates as the DLL loads and, in GCC 12, never frees (74 KiB a load).
namespace __gnu_cxx {
void __freeres() noexcept;
} // namespace __gnu_cxx

namespace {

// {0D595497-CF84-4BC7-9BCD-4ED31ADC722E}, as the installer registers it.
constexpr CLSID kProviderClass = {
    0x0d595497, 0xcf84, 0x4bc7, {0x9b, 0xcd, 0x4e, 0xd3, 0x1a, 0xdc, 0x72, 0x2e}};

// Objects and locks alive, for DllCanUnloadNow: the one count COM asks a
// server to keep for itself.
std::atomic<long> g_alive{0};

using Bytes = std::vector<unsigned char>;
using Microsoft::WRL::ComPtr;

// The left icon's bytes, if the stream is a TVK file whose left icon is small
// enough to read. The names are not shown: none of their bytes is read.
std::optional<Bytes> leftIcon(IStream* stream)
{
    STATSTG status = {};
    if (FAILED(stream->Stat(&status, STATFLAG_NONAME)) ||
        status.cbSize.QuadPart > ULONGLONG(INT64_MAX))
        return std::nullopt;
    const auto read = [stream](std::int64_t at, unsigned char* into, std::int64_t count) {
        LARGE_INTEGER to;
        to.QuadPart = at;
        if (FAILED(stream->Seek(to, STREAM_SEEK_SET, nullptr)))
            return false;
        while (count > 0) {
            ULONG got = 0;
            const ULONG asked = ULONG(std::min<std::int64_t>(count, std::int64_t(1) << 20));
            if (FAILED(stream->Read(into, asked, &got)) || got == 0)
                return false;
            into += got;
            count -= got;
        }
        return true;
    };
    const TvkFieldWalk::Walked walked =
        TvkFieldWalk::walk(std::int64_t(status.cbSize.QuadPart), read);
    if (walked.fault || walked.fields.LeftLength > IconChoice::kLargestIcon)
        return std::nullopt;
    Bytes icon(std::size_t(walked.fields.LeftLength));
    if (!read(walked.fields.leftOffset, icon.data(), std::int64_t(icon.size())))
        return std::nullopt;
    return icon;
}

using IconChoice::Kind;
using IconChoice::Stored;

// What WIC's decoder is given, and which decoder: a PNG with only the chunks
// its picture needs, and only if a decoder would take it and its image data is
// no larger than the picture can need; a bitmap as the file it is, or in an
// ICO file of its own.
std::optional<Bytes> decoderInput(const Stored& stored, GUID& container)
{
    switch (stored.kind) {
    case Kind::Png:
        container = GUID_ContainerFormatPng;
        if (PngLimits::refusal(stored.bytes))
            return std::nullopt;
        return PngLimits::essential(stored.bytes);
    case Kind::IconBitmap:
        container = GUID_ContainerFormatIco;
        return IconChoice::oneEntryIco(stored);
    case Kind::BmpFile:
        container = GUID_ContainerFormatBmp;
        return Bytes(stored.bytes.begin(), stored.bytes.end());
    }
    return std::nullopt;
}

// A top-down 32-bit DIB of the picture as straight BGRA.
HRESULT drawn(IWICBitmapSource* source, SIZE size, HBITMAP* bitmap)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP drawing = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (drawing == nullptr)
        return E_OUTOFMEMORY;
    const UINT stride = UINT(size.cx) * 4;
    const HRESULT result =
        source->CopyPixels(nullptr, stride, stride * UINT(size.cy), static_cast<BYTE*>(bits));
    if (FAILED(result)) {
        DeleteObject(drawing);
        return result;
    }
    // Premultiplied, as WIC scales best (transparent pixels add no colour);
    // Explorer wants straight alpha.
    auto* const pixels = static_cast<unsigned char*>(bits);
    for (unsigned char* pixel = pixels; pixel != pixels + stride * UINT(size.cy); pixel += 4) {
        const unsigned alpha = pixel[3];
        if (alpha == 255)
            continue;
        for (int c = 0; c < 3; ++c)
            pixel[c] = alpha == 0 ? 0
                                  : static_cast<unsigned char>(
                                        std::min(255U, (pixel[c] * 255U + alpha / 2) / alpha));
    }
    *bitmap = drawing;
    return S_OK;
}

// The picture decoded, converted and fitted to `side`, if it is no larger
// than a picture may be.
HRESULT thumbnailOf(IWICImagingFactory* factory, const Stored& stored, UINT side, HBITMAP* bitmap)
{
    GUID container = {};
    const std::optional<Bytes> input = decoderInput(stored, container);
    if (!input)
        return E_FAIL;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    HRESULT result = factory->CreateStream(&stream);
    if (SUCCEEDED(result))
        result =
            stream->InitializeFromMemory(const_cast<BYTE*>(input->data()), DWORD(input->size()));
    if (SUCCEEDED(result))
        result = factory->CreateDecoder(container, nullptr, &decoder);
    if (SUCCEEDED(result))
        result = decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand);
    if (SUCCEEDED(result))
        result = decoder->GetFrame(0, &frame);
    if (SUCCEEDED(result))
        result = factory->CreateFormatConverter(&converter);
    if (SUCCEEDED(result))
        result =
            converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA,
                                  WICBitmapDitherTypeNone, nullptr, 0, WICBitmapPaletteTypeCustom);
    UINT width = 0;
    UINT height = 0;
    if (SUCCEEDED(result))
        result = converter->GetSize(&width, &height);
    if (FAILED(result))
        return result;
    if (width == 0 || height == 0 || std::max(width, height) > UINT(IconChoice::kLargestSide))
        return E_FAIL;
    // Fitted into side x side, keeping the shape, rounded as `tvk thumbnail` rounds.
    if (width <= side && height <= side)
        return drawn(converter.Get(), {LONG(width), LONG(height)}, bitmap);
    const double ratio = std::min(double(side) / width, double(side) / height);
    const SIZE size = {std::max(1L, std::lround(width * ratio)),
                       std::max(1L, std::lround(height * ratio))};
    // Fant averages the area each pixel covers, as `tvk thumbnail` does.
    ComPtr<IWICBitmapScaler> scaler;
    result = factory->CreateBitmapScaler(&scaler);
    if (SUCCEEDED(result))
        result = scaler->Initialize(converter.Get(), UINT(size.cx), UINT(size.cy),
                                    WICBitmapInterpolationModeFant);
    return SUCCEEDED(result) ? drawn(scaler.Get(), size, bitmap) : result;
}

// The largest picture of the icon that can be decoded.
HRESULT thumbnailOf(std::span<const unsigned char> icon, UINT side, HBITMAP* bitmap)
{
    const std::vector<Stored> pictures =
        IconChoice::largestFirst(IconChoice::picturesIn(icon).value_or(std::vector<Stored>{}));
    if (pictures.empty())
        return E_FAIL;
    ComPtr<IWICImagingFactory> factory;
    HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(&factory));
    if (FAILED(result))
        return result;
    for (const Stored& picture : pictures) {
        result = thumbnailOf(factory.Get(), picture, side, bitmap);
        if (SUCCEEDED(result))
            return result;
    }
    return E_FAIL;
}

class ThumbnailProvider final : public IInitializeWithStream, public IThumbnailProvider
{
public:
    ThumbnailProvider() { ++g_alive; }
    ThumbnailProvider(const ThumbnailProvider&) = delete;
    ThumbnailProvider& operator=(const ThumbnailProvider&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        // The first is also the object's IUnknown.
        static const QITAB kInterfaces[] = {QITABENT(ThumbnailProvider, IInitializeWithStream),
                                            QITABENT(ThumbnailProvider, IThumbnailProvider),
                                            {}};
        return QISearch(this, kInterfaces, id, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++m_references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const long left = --m_references;
        if (left == 0)
            delete this;
        return ULONG(left);
    }

    HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, DWORD /*mode*/) override
    {
        if (stream == nullptr)
            return E_POINTER;
        if (m_stream != nullptr)
            return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
        m_stream = stream;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetThumbnail(UINT side, HBITMAP* bitmap,
                                           WTS_ALPHATYPE* alpha) override
    {
        if (bitmap == nullptr || alpha == nullptr)
            return E_POINTER;
        *bitmap = nullptr;
        if (m_stream == nullptr)
            return E_UNEXPECTED;
        try {
            const std::optional<Bytes> icon = leftIcon(m_stream.Get());
            if (!icon)
                return E_FAIL;
            const HRESULT result = thumbnailOf(*icon, std::max(side, 1U), bitmap);
            *alpha = WTSAT_ARGB;
            return result;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

private:
    ~ThumbnailProvider() { --g_alive; }

    std::atomic<long> m_references{1};
    ComPtr<IStream> m_stream;
};

class ProviderFactory final : public IClassFactory
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        static const QITAB kInterfaces[] = {QITABENT(ProviderFactory, IClassFactory), {}};
        return QISearch(this, kInterfaces, id, object);
    }
    // The factory is static: its references only keep the server loaded.
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++g_alive); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--g_alive); }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID id, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        auto* provider = new (std::nothrow) ThumbnailProvider;
        if (provider == nullptr)
            return E_OUTOFMEMORY;
        const HRESULT result = provider->QueryInterface(id, object);
        provider->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        lock ? ++g_alive : --g_alive;
        return S_OK;
    }
};

ProviderFactory g_factory;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE /*module*/, DWORD reason, void* reserved)
{
    // Only when freed, not as the process ends: then nothing may be freed.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        __gnu_cxx::__freeres();
    return TRUE;
}

extern "C" HRESULT __stdcall DllGetClassObject(REFCLSID id, REFIID wanted, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (id != kProviderClass)
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(wanted, object);
}

extern "C" HRESULT __stdcall DllCanUnloadNow()
{
    return g_alive == 0 ? S_OK : S_FALSE;
}
