#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What a PNG picture may cost to decode and whether a decoder will take it,
// read from its chunks before any decoder sees it. Plain C++, so that Explorer's
// thumbnail provider, which links no Qt, bounds a PNG exactly as the program
// does.
namespace PngLimits {

struct Header
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The size its IHDR gives, or nothing when the bytes are not a PNG picture.
std::optional<Header> header(std::span<const unsigned char> png);

// Why the picture is not to be decoded, or nothing when it may be. Its image
// data (the IDAT chunks) is inflated, stopping as soon as it gives more than
// the picture needs: a decoder would go on inflating the rest of the stream,
// gigabytes of zeros from 4 MiB, after the picture is complete. A picture a
// decoder would refuse (a wrong CRC, a header or palette out of range, data
// cut short or corrupt, rows of an unknown filter) is refused here with the
// reason a decoder gives, so that no decoder's own complaint is printed.
std::optional<std::string> refusal(std::span<const unsigned char> png);

// The picture with only the chunks a picture needs: the header, palette,
// transparency, colour space and image data, each with a right CRC. Every
// other chunk is left out unread, above all compressed texts and colour
// profiles, whose unpacking a crafted file can make take seconds. For a
// picture refusal() takes.
std::vector<unsigned char> essential(std::span<const unsigned char> png);

} // namespace PngLimits
