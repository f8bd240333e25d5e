#include "format/PngLimits.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace PngLimits {

namespace {

constexpr std::array<unsigned char, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
// A chunk's length, type and CRC around its data.
constexpr std::size_t kChunkFrame = 12;
constexpr std::size_t kHeaderEnd = 8 + kChunkFrame + 13;

std::uint32_t bigEndian32(const unsigned char* at)
{
    return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 |
           std::uint32_t(at[3]);
}

std::string_view typeAt(const unsigned char* chunk)
{
    return {reinterpret_cast<const char*>(chunk + 4), 4};
}

bool isEssential(std::string_view type)
{
    for (const std::string_view kept :
         {"IHDR", "PLTE", "tRNS", "IDAT", "IEND", "gAMA", "sRGB", "cHRM"}) {
        if (type == kept)
            return true;
    }
    return false;
}

// The bytes the picture's rows take once inflated: each row a filter byte and
// its samples; an interlaced picture repeats the filter bytes in its seven
// passes, each row of a pass rounded up to a whole byte.
std::uint64_t inflatedSize(std::span<const unsigned char> png)
{
    const unsigned char* ihdr = png.data() + 8 + 8;
    const std::uint64_t width = bigEndian32(ihdr);
    const std::uint64_t height = bigEndian32(ihdr + 4);
    const unsigned bitDepth = ihdr[8];
    const unsigned colourType = ihdr[9];
    const bool interlaced = ihdr[12] != 0;
    unsigned channels = 1;
    if (colourType == 2)
        channels = 3;
    else if (colourType == 4)
        channels = 2;
    else if (colourType == 6)
        channels = 4;
    const std::uint64_t rowBytes = (width * channels * std::min(bitDepth, 16U) + 7) / 8;
    std::uint64_t size = height * (rowBytes + 1);
    if (interlaced)
        size += 2 * (2 * height + 8);
    return size;
}

// Walks the chunks that lie wholly inside the bytes, up to IEND.
template <typename Visit> void eachChunk(std::span<const unsigned char> png, Visit visit)
{
    std::size_t at = kSignature.size();
    while (png.size() - at >= kChunkFrame) {
        const std::uint32_t length = bigEndian32(png.data() + at);
        if (length > png.size() - at - kChunkFrame)
            return;
        const std::size_t whole = kChunkFrame + length;
        visit(png.subspan(at, whole));
        if (typeAt(png.data() + at) == "IEND")
            return;
        at += whole;
    }
}

} // namespace

std::optional<Header> header(std::span<const unsigned char> png)
{
    if (png.size() < kHeaderEnd || !std::equal(kSignature.begin(), kSignature.end(), png.data()) ||
        bigEndian32(png.data() + 8) != 13 || typeAt(png.data() + 8) != "IHDR")
        return std::nullopt;
    return Header{bigEndian32(png.data() + 16), bigEndian32(png.data() + 20)};
}

bool imageDataFits(std::span<const unsigned char> png)
{
    if (!header(png))
        return false;
    // What the rows need, and a little more for a trailing block that
    // stores nothing; beyond that the stream only makes a decoder work.
    const std::uint64_t allowed = inflatedSize(png) + 1024;
    z_stream stream = {};
    if (inflateInit(&stream) != Z_OK)
        return false;
    // Large enough that zlib keeps its window mostly in place, rather than
    // copying each piece of output into it again.
    std::vector<unsigned char> scratch(std::size_t(1) << 18);
    int status = Z_OK;
    eachChunk(png, [&](std::span<const unsigned char> chunk) {
        if (typeAt(chunk.data()) != "IDAT" || status != Z_OK)
            return;
        // The chunk's data, between its length and type and its CRC.
        stream.next_in = const_cast<unsigned char*>(chunk.data() + 8);
        stream.avail_in = uInt(chunk.size() - kChunkFrame);
        while (stream.total_out <= allowed) {
            stream.next_out = scratch.data();
            stream.avail_out = uInt(scratch.size());
            status = inflate(&stream, Z_NO_FLUSH);
            // Out of input with room to spare: the next chunk goes on.
            const bool chunkDone = stream.avail_in == 0 && stream.avail_out > 0;
            if (status == Z_BUF_ERROR)
                status = Z_OK;
            if (status != Z_OK || chunkDone)
                break;
        }
    });
    const bool fits = stream.total_out <= allowed;
    inflateEnd(&stream);
    return fits;
}

std::optional<std::vector<unsigned char>> essential(std::span<const unsigned char> png)
{
    if (!imageDataFits(png))
        return std::nullopt;
    std::vector<unsigned char> kept(kSignature.begin(), kSignature.end());
    eachChunk(png, [&](std::span<const unsigned char> chunk) {
        if (isEssential(typeAt(chunk.data())))
            kept.insert(kept.end(), chunk.begin(), chunk.end());
    });
    return kept;
}

} // namespace PngLimits
