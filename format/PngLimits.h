#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What a PNG picture may cost to decode and whether a decoder will take it, read
// from its chunks before any decoder sees it; plain C++ for Explorer's thumbnails.
namespace PngLimits {

struct Header
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The size its IHDR gives, or nothing when the bytes are not a PNG picture.
std::optional<Header> header(std::span<const unsigned char> png);

// Why the picture is not to be decoded, or nothing when it may be. Its IDAT data
// is inflated only until it gives more than the picture needs, where a decoder
// would inflate on through gigabytes of zeros from 4 MiB. What a decoder would
// refuse (a wrong CRC, a header or palette out of range, data cut short or
// corrupt, an unknown row filter) is refused in a decoder's words, so that no
// decoder's own complaint is printed.
std::optional<std::string> refusal(std::span<const unsigned char> png);

// The picture with only the chunks it needs (header, palette, transparency,
// colour space, image data), each with a right CRC; others, above all compressed
// texts and colour profiles that a crafted file makes slow, are left out unread.
// For a picture refusal() takes.
std::vector<unsigned char> essential(std::span<const unsigned char> png);

} // namespace PngLimits
