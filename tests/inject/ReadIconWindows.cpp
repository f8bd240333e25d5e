// `tvk_read_icon FILE.ico [--banded]`: reads an ICO file as Windows' own code does and says
// what it got. Each directory entry's bytes go to CreateIconFromResourceEx, at the entry's
// own size; each size listed goes to LoadImageW, which picks the entry itself. Every icon
// must come back at its size with 32 bits a pixel; for a stored bitmap, the alpha Windows
// holds must be the file's, and the mask 1 exactly where alpha is 0. With --banded, the
// picture was wider than high: each size's top row must be transparent, its centre opaque.
// Prints a line a size; exits 0 when all is right, 1 otherwise, 2 on a wrong call.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Pixels
{
    int width = 0;
    int height = 0;
    int bits = 0;
    std::vector<unsigned char> colour; // top-down BGRA
    std::vector<unsigned char> mask;   // top-down, 1 a pixel where the mask is set
};

unsigned little16(const unsigned char* at)
{
    return unsigned(at[0]) | unsigned(at[1]) << 8;
}

unsigned little32(const unsigned char* at)
{
    return little16(at) | little16(at + 2) << 16;
}

// A bitmap's pixels as 32-bit top-down rows, as GetDIBits gives them.
bool rowsOf(HDC dc, HBITMAP bitmap, int width, int height, std::vector<unsigned char>& rows)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    rows.assign(size_t(width) * size_t(height) * 4, 0);
    return GetDIBits(dc, bitmap, 0, UINT(height), rows.data(), &info, DIB_RGB_COLORS) == height;
}

bool pixelsOf(HICON icon, Pixels& pixels)
{
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return false;
    bool read = false;
    BITMAP colour{};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof colour, &colour) == sizeof colour) {
        pixels.width = colour.bmWidth;
        pixels.height = colour.bmHeight;
        pixels.bits = colour.bmBitsPixel;
        HDC dc = CreateCompatibleDC(nullptr);
        std::vector<unsigned char> mask;
        read = rowsOf(dc, info.hbmColor, pixels.width, pixels.height, pixels.colour) &&
               rowsOf(dc, info.hbmMask, pixels.width, pixels.height, mask);
        DeleteDC(dc);
        for (size_t i = 0; read && i < mask.size(); i += 4)
            pixels.mask.push_back(mask[i] != 0 ? 1 : 0);
    }
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    return read;
}

// What is wrong with an icon Windows made of a `side`-pixel picture, or an empty text.
// `stored` is the entry's bytes when it is a bitmap, to compare alpha and mask with.
std::wstring faultsOf(HICON icon, int side, const unsigned char* stored, bool banded)
{
    Pixels pixels;
    if (!icon)
        return L"not loaded (error " + std::to_wstring(GetLastError()) + L")";
    if (!pixelsOf(icon, pixels))
        return L"its bitmaps cannot be read";
    std::wstring faults;
    if (pixels.width != side || pixels.height != side || pixels.bits != 32) {
        return L"loaded as " + std::to_wstring(pixels.width) + L"x" +
               std::to_wstring(pixels.height) + L" at " + std::to_wstring(pixels.bits) + L" bits";
    }
    const auto alphaAt = [&](int x, int y) { return pixels.colour[size_t(y * side + x) * 4 + 3]; };
    if (stored) {
        const int rowBytes = side * 4;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const unsigned char fileAlpha = stored[40 + (side - 1 - y) * rowBytes + x * 4 + 3];
                if (alphaAt(x, y) != fileAlpha) {
                    faults = L"alpha differs from the file's at " + std::to_wstring(x) + L"," +
                             std::to_wstring(y);
                    y = side;
                    break;
                }
                if (pixels.mask[size_t(y * side + x)] != (fileAlpha == 0 ? 1 : 0)) {
                    faults = L"mask not 1 exactly where alpha is 0 at " + std::to_wstring(x) +
                             L"," + std::to_wstring(y);
                    y = side;
                    break;
                }
            }
        }
    }
    if (banded && (alphaAt(side / 2, 0) != 0 || alphaAt(side / 2, side / 2) != 255))
        faults += std::wstring(faults.empty() ? L"" : L", ") +
                  L"not a transparent band above an opaque centre";
    return faults;
}

} // namespace

int wmain(int argc, wchar_t* argv[])
{
    if (argc < 2 || argc > 3 || (argc == 3 && std::wcscmp(argv[2], L"--banded") != 0))
        return 2;
    const bool banded = argc == 3;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    std::vector<unsigned char> bytes(GetFileSize(file, nullptr));
    DWORD got = 0;
    const bool read =
        ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr) && got == bytes.size();
    CloseHandle(file);
    if (!read || bytes.size() < 6)
        return 2;
    const unsigned count = little16(&bytes[4]);
    bool right = bytes.size() >= 6 + 16 * size_t(count);
    for (unsigned entry = 0; bytes.size() >= 6 + 16 * size_t(count) && entry < count; ++entry) {
        const unsigned char* at = &bytes[6 + 16 * entry];
        const int side = at[0] == 0 ? 256 : at[0];
        const unsigned size = little32(at + 8);
        const unsigned offset = little32(at + 12);
        if (size_t(offset) + size > bytes.size() || size < 40) {
            std::wprintf(L"%d: entry out of the file\n", side);
            right = false;
            continue;
        }
        unsigned char* image = &bytes[offset];
        const bool bitmap = little32(image) == 40;
        // Every picture but a PNG is a 32-bit bitmap, for the alpha and mask to be compared.
        if (bitmap && little16(image + 14) != 32) {
            std::wprintf(L"%d: a bitmap of %u bits a pixel\n", side, little16(image + 14));
            right = false;
            continue;
        }
        HICON made = CreateIconFromResourceEx(image, size, TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR);
        const std::wstring madeFaults = faultsOf(made, side, bitmap ? image : nullptr, banded);
        if (made)
            DestroyIcon(made);
        auto* loaded = static_cast<HICON>(
            LoadImageW(nullptr, argv[1], IMAGE_ICON, side, side, LR_LOADFROMFILE));
        const std::wstring loadedFaults = faultsOf(loaded, side, nullptr, banded);
        if (loaded)
            DestroyIcon(loaded);
        // "right" only when at the entry's size with 32 bits a pixel.
        const std::wstring fine =
            L"right (" + std::to_wstring(side) + L"x" + std::to_wstring(side) + L", 32 bits)";
        std::wprintf(L"%d (%ls): CreateIconFromResourceEx %ls; LoadImageW %ls\n", side,
                     bitmap ? L"bitmap" : L"PNG",
                     madeFaults.empty() ? fine.c_str() : madeFaults.c_str(),
                     loadedFaults.empty() ? fine.c_str() : loadedFaults.c_str());
        right = right && madeFaults.empty() && loadedFaults.empty();
    }
    return right ? 0 : 1;
}
