// Explorer's thumbnails of TVK files: an in-process COM server implementing
// IInitializeWithStream and IThumbnailProvider, which Explorer (or its
// thumbnail host) loads for the ".tvk" ShellEx entry the installer writes. It
// gives the picture `tvk thumbnail` makes: the left icon's largest image,
// fitted to the size asked, with its alpha.
//
// It reads only through the stream it is given, with the thumbnailer's bounds
// (LeftIconPicture), starts no thread and makes no QCoreApplication: the Qt
// Core linked in is used for its containers alone, which need none. Nothing it
// does can throw across the COM boundary: every entry point catches.
#include "format/TvkReader.h"
#include "pictures/PictureScaling.h"
#include "thumbnail/LeftIconPicture.h"

#include <QIODevice>

#include <windows.h>

#include <objbase.h>
#include <propsys.h>
#include <thumbcache.h>

#include <atomic>
#include <new>

namespace {

// {0D595497-CF84-4BC7-9BCD-4ED31ADC722E}, as the installer registers it.
constexpr CLSID kProviderClass = {
    0x0d595497, 0xcf84, 0x4bc7, {0x9b, 0xcd, 0x4e, 0xd3, 0x1a, 0xdc, 0x72, 0x2e}};

// Objects and locks alive, for DllCanUnloadNow: the one count COM asks a
// server to keep for itself.
std::atomic<long> g_alive{0};

// The stream Explorer gives, as a device the TVK reader can read and seek.
class StreamDevice : public QIODevice
{
public:
    explicit StreamDevice(IStream* stream) : m_stream(stream)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return false; }
    qint64 size() const override
    {
        STATSTG status = {};
        if (FAILED(m_stream->Stat(&status, STATFLAG_NONAME)))
            return 0;
        return qint64(status.cbSize.QuadPart);
    }
    bool seek(qint64 position) override
    {
        LARGE_INTEGER to;
        to.QuadPart = position;
        return QIODevice::seek(position) && SUCCEEDED(m_stream->Seek(to, STREAM_SEEK_SET, nullptr));
    }

protected:
    qint64 readData(char* data, qint64 most) override
    {
        qint64 total = 0;
        while (total < most) {
            ULONG read = 0;
            const ULONG asked = ULONG(std::min<qint64>(most - total, qint64(1) << 20));
            const HRESULT result = m_stream->Read(data + total, asked, &read);
            if (FAILED(result))
                return total > 0 ? total : -1;
            if (read == 0)
                break;
            total += read;
        }
        return total;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    IStream* m_stream;
};

// Straight RGBA, top row first, as a 32-bit top-down DIB of straight BGRA.
HBITMAP bitmapOf(const Picture& picture)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr)
        return nullptr;
    auto* to = static_cast<unsigned char*>(bits);
    const auto* from = reinterpret_cast<const unsigned char*>(picture.rgba.constData());
    for (qint64 i = 0; i < picture.pixels(); ++i) {
        to[4 * i + 0] = from[4 * i + 2];
        to[4 * i + 1] = from[4 * i + 1];
        to[4 * i + 2] = from[4 * i + 0];
        to[4 * i + 3] = from[4 * i + 3];
    }
    return bitmap;
}

class ThumbnailProvider final : public IInitializeWithStream, public IThumbnailProvider
{
public:
    ThumbnailProvider() { ++g_alive; }
    ThumbnailProvider(const ThumbnailProvider&) = delete;
    ThumbnailProvider& operator=(const ThumbnailProvider&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if (id == IID_IUnknown || id == IID_IInitializeWithStream)
            *object = static_cast<IInitializeWithStream*>(this);
        else if (id == __uuidof(IThumbnailProvider))
            *object = static_cast<IThumbnailProvider*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
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
        stream->AddRef();
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
            StreamDevice package(m_stream);
            // The names are not shown: none of their bytes is read.
            const Result<TvkContents> read = TvkReader::read(package, 0);
            if (read.failed())
                return E_FAIL;
            const LeftIconPicture::Loaded left = LeftIconPicture::read(package, read.value());
            if (left.status != LeftIconPicture::Loaded::Status::Read)
                return E_FAIL;
            *bitmap = bitmapOf(PictureScaling::fitted(left.picture, int(std::max(side, 1u))));
            *alpha = WTSAT_ARGB;
            return *bitmap != nullptr ? S_OK : E_OUTOFMEMORY;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

private:
    ~ThumbnailProvider()
    {
        if (m_stream != nullptr)
            m_stream->Release();
        --g_alive;
    }

    std::atomic<long> m_references{1};
    IStream* m_stream = nullptr;
};

class ProviderFactory final : public IClassFactory
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if (id != IID_IUnknown && id != IID_IClassFactory) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
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
