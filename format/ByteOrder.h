#pragma once

#include <cstdint>

// Integers as the formats store them, whatever the host's byte order: TVK and
// ICO files little-endian, PNG big-endian. Plain C++, for the layout core.
namespace ByteOrder {

inline std::uint16_t little16(const unsigned char* at)
{
    return std::uint16_t(at[0] | at[1] << 8);
}

inline std::uint32_t little32(const unsigned char* at)
{
    return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 |
           std::uint32_t(at[3]) << 24;
}

inline std::uint32_t big32(const unsigned char* at)
{
    return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 |
           std::uint32_t(at[3]);
}

} // namespace ByteOrder
