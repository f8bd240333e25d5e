#include "format/IcoLayout.h"

#include "format/ByteOrder.h"

namespace IcoLayout {

using ByteOrder::little16;
using ByteOrder::little32;

std::optional<std::vector<Entry>> read(std::int64_t length, const ReadAt& read)
{
    unsigned char header[kHeaderSize] = {};
    if (length < kHeaderSize || !read(0, header, kHeaderSize))
        return std::nullopt;
    const std::int64_t count = little16(header + 4);
    const std::uint16_t type = little16(header + 2);
    // Type 2 is a cursor: the same layout, with a hot spot.
    if (little16(header) != 0 || (type != 1 && type != 2) || count == 0)
        return std::nullopt;

    const std::int64_t directoryEnd = kHeaderSize + count * kEntrySize;
    if (directoryEnd > length)
        return std::nullopt;
    std::vector<unsigned char> directory(std::size_t(count * kEntrySize));
    if (!read(kHeaderSize, directory.data(), count * kEntrySize))
        return std::nullopt;

    const auto side = [](unsigned char stored) { return stored == 0 ? 256 : int(stored); };
    std::vector<Entry> entries;
    entries.reserve(std::size_t(count));
    for (std::int64_t i = 0; i < count; ++i) {
        const unsigned char* at = directory.data() + i * kEntrySize;
        const Entry entry{side(at[0]), side(at[1]), little32(at + 12), little32(at + 8)};
        if (entry.length == 0 || entry.offset < directoryEnd ||
            entry.offset + entry.length > length)
            return std::nullopt;
        entries.push_back(entry);
    }
    return entries;
}

} // namespace IcoLayout
