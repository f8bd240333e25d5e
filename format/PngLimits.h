#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// What a PNG picture may cost to decode, read from its chunks before any
// decoder sees it. Plain C++, so that Explorer's thumbnail provider, which links
// no Qt, bounds a PNG exactly as the program does.
namespace PngLimits {

struct Header
{
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// The size its IHDR gives, or nothing when the bytes are not a PNG picture.
std::optional<Header> header(std::span<const unsigned char> png);

// Whether its compressed image data (the IDAT chunks) unpacks to no more than
// its picture can need. Found by inflating it, stopping as soon as it gives
// more: a decoder would go on inflating the rest of the stream, gigabytes of
// zeros from 4 MiB, after the picture is complete. Data that is cut short or
// corrupt fits: the decoder says what is wrong with it.
bool imageDataFits(std::span<const unsigned char> png);

// The picture with only the chunks a picture needs: the header, palette,
// transparency, colour space and image data. Every other chunk is left out
// unread, above all compressed texts and colour profiles, whose unpacking a
// crafted file can make take seconds. Nothing when imageDataFits() is false or
// the bytes are not a PNG picture.
std::optional<std::vector<unsigned char>> essential(std::span<const unsigned char> png);

} // namespace PngLimits
