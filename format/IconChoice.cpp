#include "format/IconChoice.h"

#include "format/ByteOrder.h"
#include "format/IcoLayout.h"
#include "format/PngLimits.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>

namespace IconChoice {

namespace {

std::int64_t signed32(const unsigned char* at)
{
    return std::int32_t(ByteOrder::little32(at));
}

using ByteOrder::little16;

// The picture in `bytes`, from a PNG's IHDR or a bitmap's BITMAPINFOHEADER
// (whose height counts the mask too, in an ICO file), if it is one that may be
// decoded.
std::optional<Stored> storedIn(std::span<const unsigned char> bytes, bool inIco)
{
    Stored picture{Kind::Png, bytes, 0, 0};
    if (const std::optional<PngLimits::Header> png = PngLimits::header(bytes)) {
        picture.width = png->width;
        picture.height = png->height;
    } else if (inIco && bytes.size() >= 12) {
        picture = {Kind::IconBitmap, bytes, signed32(&bytes[4]), signed32(&bytes[8]) / 2};
    } else if (!inIco && bytes.size() >= 26 && bytes[0] == 'B' && bytes[1] == 'M') {
        // Negative for a picture stored top-down.
        picture = {Kind::BmpFile, bytes, signed32(&bytes[18]), std::abs(signed32(&bytes[22]))};
    } else {
        return std::nullopt;
    }
    const auto within = [](std::int64_t side) { return side > 0 && side <= kLargestSide; };
    if (!within(picture.width) || !within(picture.height))
        return std::nullopt;
    return picture;
}

void appendLittleEndian(std::vector<unsigned char>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// The alpha of a 32-bit uncompressed bitmap (at `bitmapAt` in `ico`), made
// from its mask if it is zero throughout.
void alphaFromMask(std::vector<unsigned char>& ico, std::size_t bitmapAt, const Stored& bitmap)
{
    const std::int64_t header = signed32(&bitmap.bytes[0]);
    const std::int64_t rowBytes = bitmap.width * 4;
    const std::int64_t maskRowBytes = (bitmap.width + 31) / 32 * 4;
    const std::int64_t maskAt = header + rowBytes * bitmap.height;
    if (header < 40 || little16(&bitmap.bytes[14]) != 32 || signed32(&bitmap.bytes[16]) != 0 ||
        maskAt + maskRowBytes * bitmap.height > std::int64_t(bitmap.bytes.size()))
        return;
    unsigned char* colours = ico.data() + bitmapAt + header;
    for (std::int64_t i = 3; i < rowBytes * bitmap.height; i += 4) {
        if (colours[i] != 0)
            return;
    }
    for (std::int64_t y = 0; y < bitmap.height; ++y) {
        const unsigned char* mask = &bitmap.bytes[std::size_t(maskAt + maskRowBytes * y)];
        for (std::int64_t x = 0; x < bitmap.width; ++x) {
            const bool transparent = (mask[x / 8] >> (7 - x % 8)) & 1;
            colours[rowBytes * y + x * 4 + 3] = transparent ? 0 : 0xFF;
        }
    }
}

} // namespace

std::optional<std::vector<Stored>> picturesIn(std::span<const unsigned char> icon)
{
    const std::optional<std::vector<IcoLayout::Entry>> entries =
        IcoLayout::read(std::int64_t(icon.size()),
                        [icon](std::int64_t at, unsigned char* into, std::int64_t count) {
                            // IcoLayout reads only inside the length it is given.
                            std::memcpy(into, icon.data() + at, std::size_t(count));
                            return true;
                        });
    if (!entries) {
        if (const std::optional<Stored> single = storedIn(icon, false))
            return std::vector<Stored>{*single};
        return std::nullopt;
    }
    std::set<std::int64_t> offsetsTaken;
    std::vector<Stored> pictures;
    for (const IcoLayout::Entry& entry : *entries) {
        if (!offsetsTaken.insert(entry.offset).second)
            continue;
        const auto bytes = icon.subspan(std::size_t(entry.offset), std::size_t(entry.length));
        if (const std::optional<Stored> picture = storedIn(bytes, true))
            pictures.push_back(*picture);
    }
    return pictures;
}

std::vector<Stored> largestFirst(std::vector<Stored> pictures)
{
    std::ranges::stable_sort(pictures, std::greater{}, &Stored::pixels);
    pictures.resize(std::min<std::size_t>(pictures.size(), 3));
    return pictures;
}

std::vector<unsigned char> oneEntryIco(const Stored& bitmap)
{
    // Reserved, type 1, one entry, then the entry: its sides (256 as 0), no
    // palette, reserved, one plane, its bits a pixel, size and offset.
    std::vector<unsigned char> ico = {
        0, 0, 1, 0, 1, 0, std::uint8_t(bitmap.width & 0xFF), std::uint8_t(bitmap.height & 0xFF),
        0, 0, 1, 0};
    appendLittleEndian(ico, bitmap.bytes.size() >= 16 ? little16(&bitmap.bytes[14]) : 32, 2);
    appendLittleEndian(ico, std::uint32_t(bitmap.bytes.size()), 4);
    appendLittleEndian(ico, std::uint32_t(ico.size() + 4), 4);
    const std::size_t bitmapAt = ico.size();
    ico.insert(ico.end(), bitmap.bytes.begin(), bitmap.bytes.end());
    if (bitmap.bytes.size() >= 40)
        alphaFromMask(ico, bitmapAt, bitmap);
    return ico;
}

} // namespace IconChoice
