#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// The header and directory of an ICO file, checked as IcoDirectory describes,
// in plain C++: IcoDirectory reads them from Qt's devices, and Explorer's
// thumbnail provider, which links no Qt, from the icon's bytes.
namespace IcoLayout {

inline constexpr std::int64_t kHeaderSize = 6;
inline constexpr std::int64_t kEntrySize = 16;

struct Entry
{
    // As the directory states them: a byte of 0 stands for 256.
    int width = 0;
    int height = 0;
    // From the start of the icon.
    std::int64_t offset = 0;
    std::int64_t length = 0;
};

// Reads `count` bytes at `at` from the start of the icon; false when it cannot.
using ReadAt = std::function<bool(std::int64_t at, unsigned char* into, std::int64_t count)>;

// The entries of an icon of `length` bytes, or nothing when it is no ICO file.
std::optional<std::vector<Entry>> read(std::int64_t length, const ReadAt& read);

} // namespace IcoLayout
