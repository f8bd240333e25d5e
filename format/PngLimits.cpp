#include "format/PngLimits.h"

#include "format/ByteOrder.h"

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
// Inflated bytes past the rows that a real encoder may leave: an empty block.
constexpr std::uint64_t kSlack = 1024;

using ByteOrder::big32;

std::string_view typeAt(std::span<const unsigned char> chunk)
{
    return {reinterpret_cast<const char*>(chunk.data() + 4), 4};
}

std::span<const unsigned char> dataOf(std::span<const unsigned char> chunk)
{
    return chunk.subspan(8, chunk.size() - kChunkFrame);
}

bool crcRight(std::span<const unsigned char> chunk)
{
    const uLong crc = crc32(0, chunk.data() + 4, uInt(chunk.size() - 8));
    return crc == big32(chunk.data() + chunk.size() - 4);
}

// Critical chunks' names start with a capital: a decoder stops at their faults
// and passes over those of the others.
bool isCritical(std::string_view type)
{
    return type[0] >= 'A' && type[0] <= 'Z';
}

bool isEssential(std::string_view type)
{
    constexpr std::array<std::string_view, 8> kKept = {"IHDR", "PLTE", "tRNS", "IDAT",
                                                       "IEND", "gAMA", "sRGB", "cHRM"};
    return std::find(kKept.begin(), kKept.end(), type) != kKept.end();
}

// Walks the chunks that lie wholly inside the bytes, up to IEND.
template <typename Visit> void eachChunk(std::span<const unsigned char> png, Visit visit)
{
    std::size_t at = kSignature.size();
    while (png.size() - at >= kChunkFrame) {
        const std::uint32_t length = big32(png.data() + at);
        if (length > png.size() - at - kChunkFrame)
            return;
        const std::span<const unsigned char> chunk = png.subspan(at, kChunkFrame + length);
        visit(chunk);
        if (typeAt(chunk) == "IEND")
            return;
        at += chunk.size();
    }
}

struct Layout
{
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    unsigned bitDepth = 0;
    unsigned colourType = 0;
    bool interlaced = false;

    std::uint64_t rowBytes(std::uint64_t pixels) const
    {
        const unsigned channels[] = {1, 0, 3, 1, 2, 0, 4};
        return (pixels * channels[colourType] * bitDepth + 7) / 8;
    }

    // A run of rows as they lie once inflated: each row a filter byte and its
    // samples. A plain picture is one pass; an interlaced one has up to seven.
    struct Pass
    {
        std::uint64_t rows = 0;
        std::uint64_t rowSize = 0;
    };
    std::vector<Pass> passes() const
    {
        if (!interlaced)
            return {{height, 1 + rowBytes(width)}};
        // Adam7: first column and row, then the step between them.
        constexpr unsigned adam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                          {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
        std::vector<Pass> passes;
        for (const auto& pass : adam7) {
            const std::uint64_t columns =
                width > pass[0] ? (width - pass[0] + pass[2] - 1) / pass[2] : 0;
            const std::uint64_t rows =
                height > pass[1] ? (height - pass[1] + pass[3] - 1) / pass[3] : 0;
            // An empty pass has no rows, not even filter bytes.
            if (columns > 0 && rows > 0)
                passes.push_back({rows, 1 + rowBytes(columns)});
        }
        return passes;
    }
};

// Whether each row's filter byte names a filter that exists (0 to 4), looked
// at as the data is inflated.
struct FilterBytes
{
    std::vector<Layout::Pass> passes;
    std::size_t pass = 0;
    std::uint64_t row = 0;
    std::uint64_t next = 0;
    bool allKnown = true;

    // `inflated` starts at `start` in the inflated data.
    void look(std::uint64_t start, std::span<const unsigned char> inflated)
    {
        while (pass < passes.size() && next < start + inflated.size()) {
            allKnown = allKnown && inflated[next - start] <= 4;
            next += passes[pass].rowSize;
            if (++row == passes[pass].rows) {
                row = 0;
                ++pass;
            }
        }
    }
};

// The header's fields, if each lies in the range the format allows.
std::optional<Layout> layoutOf(std::span<const unsigned char> png)
{
    const unsigned char* ihdr = png.data() + 16;
    const Layout layout{big32(ihdr), big32(ihdr + 4), ihdr[8], ihdr[9], ihdr[12] == 1};
    const auto depthIn = [&](std::initializer_list<unsigned> depths) {
        return std::find(depths.begin(), depths.end(), layout.bitDepth) != depths.end();
    };
    const bool depthFits =
        (layout.colourType == 0 && depthIn({1, 2, 4, 8, 16})) ||
        (layout.colourType == 3 && depthIn({1, 2, 4, 8})) ||
        ((layout.colourType == 2 || layout.colourType == 4 || layout.colourType == 6) &&
         depthIn({8, 16}));
    if (layout.width == 0 || layout.height == 0 || layout.width > 0x7FFFFFFF ||
        layout.height > 0x7FFFFFFF || !depthFits || ihdr[10] != 0 || ihdr[11] != 0 || ihdr[12] > 1)
        return std::nullopt;
    return layout;
}

// Inflates the image data, at most a little past what the rows need, and
// looks at each row's filter byte on the way.
std::optional<std::string> imageDataRefusal(std::span<const unsigned char> png,
                                            const Layout& layout)
{
    FilterBytes filters{layout.passes()};
    std::uint64_t needed = 0;
    for (const Layout::Pass& pass : filters.passes)
        needed += pass.rows * pass.rowSize;
    z_stream stream = {};
    if (inflateInit(&stream) != Z_OK)
        return "Out of memory";
    // Large enough that zlib keeps its window mostly in place, rather than
    // copying each piece of output into it again.
    std::vector<unsigned char> scratch(std::size_t(1) << 18);
    int status = Z_OK;
    eachChunk(png, [&](std::span<const unsigned char> chunk) {
        if (typeAt(chunk) != "IDAT" || status != Z_OK)
            return;
        stream.next_in = const_cast<unsigned char*>(dataOf(chunk).data());
        stream.avail_in = uInt(dataOf(chunk).size());
        while (stream.total_out <= needed + kSlack) {
            const std::uint64_t start = stream.total_out;
            stream.next_out = scratch.data();
            stream.avail_out = uInt(scratch.size());
            status = inflate(&stream, Z_NO_FLUSH);
            const std::uint64_t made =
                std::min<std::uint64_t>(stream.total_out, needed) - std::min(start, needed);
            filters.look(start, std::span(scratch).first(std::size_t(made)));
            // Out of input with room to spare: the next chunk goes on.
            const bool chunkDone = stream.avail_in == 0 && stream.avail_out > 0;
            if (status == Z_BUF_ERROR)
                status = Z_OK;
            if (status != Z_OK || chunkDone)
                break;
        }
    });
    const std::uint64_t inflated = stream.total_out;
    const std::string zlibMessage = stream.msg != nullptr ? stream.msg : "";
    inflateEnd(&stream);
    if (inflated > needed + kSlack)
        return "Its image data is far larger than a " + std::to_string(layout.width) + " by " +
               std::to_string(layout.height) + " picture needs";
    if (status != Z_OK && status != Z_STREAM_END)
        return "IDAT: " + (zlibMessage.empty() ? std::string("corrupt data") : zlibMessage);
    if (inflated < needed)
        return std::string("Not enough image data");
    if (!filters.allKnown)
        return std::string("bad adaptive filter value");
    return std::nullopt;
}

} // namespace

std::optional<Header> header(std::span<const unsigned char> png)
{
    if (png.size() < kHeaderEnd || !std::equal(kSignature.begin(), kSignature.end(), png.data()) ||
        big32(png.data() + 8) != 13 || typeAt(png.subspan(8)) != "IHDR")
        return std::nullopt;
    return Header{big32(png.data() + 16), big32(png.data() + 20)};
}

std::optional<std::string> refusal(std::span<const unsigned char> png)
{
    if (!header(png))
        return std::string("Not a PNG picture");
    const std::optional<Layout> layout = layoutOf(png);
    if (!layout)
        return std::string("IHDR: out of range");
    std::optional<std::string> fault;
    std::size_t paletteEntries = 0;
    eachChunk(png, [&](std::span<const unsigned char> chunk) {
        const std::string_view type = typeAt(chunk);
        if (fault || !isCritical(type))
            return;
        if (!crcRight(chunk))
            fault = std::string(type) + ": CRC error";
        else if (type == "PLTE")
            paletteEntries = dataOf(chunk).size() % 3 == 0 ? dataOf(chunk).size() / 3 : 1000;
    });
    if (fault)
        return fault;
    if ((layout->colourType == 3 && paletteEntries == 0) || paletteEntries > 256)
        return std::string("PLTE: invalid");
    return imageDataRefusal(png, *layout);
}

std::vector<unsigned char> essential(std::span<const unsigned char> png)
{
    std::vector<unsigned char> kept(kSignature.begin(), kSignature.end());
    eachChunk(png, [&](std::span<const unsigned char> chunk) {
        const std::string_view type = typeAt(chunk);
        if (isEssential(type) && (isCritical(type) || crcRight(chunk)))
            kept.insert(kept.end(), chunk.begin(), chunk.end());
    });
    return kept;
}

} // namespace PngLimits
