#pragma once

#include <cstdint>
#include <functional>
#include <optional>

// The walk over a TVK file's fields (see TvkLayout.h) that every reader makes,
// in plain C++: TvkReader gives it Qt's devices and words its faults, and
// Explorer's thumbnail provider, which links no Qt, walks the stream it is given.
// Every length must be non-negative, every field must lie inside the file and
// the file must end right after RightData. Only the four lengths are read.
namespace TvkFieldWalk {

struct Fields
{
    std::int64_t NameLength = 0;
    std::int64_t AuthorLength = 0;
    std::int64_t LeftLength = 0;
    std::int64_t RightLength = 0;
    // Where LeftData and RightData start.
    std::int64_t leftOffset = 0;
    std::int64_t rightOffset = 0;
};

// The first fault found, as a reader tells it.
struct Fault
{
    enum class Kind
    {
        // The length field `field` at `offset` does not fit in the file.
        LengthPastEnd,
        // The length field `field` at `offset` holds `value`, below 0.
        NegativeLength,
        // The `value` bytes that `field` at `offset` counts do not fit.
        DataPastEnd,
        // The text at `offset` could not be read (the visitor said so).
        TextUnreadable,
        // `value` bytes follow RightData, which ends at `offset`.
        TrailingBytes,
    };
    Kind kind = Kind::LengthPastEnd;
    const char* field = "";
    std::int64_t value = 0;
    std::int64_t offset = 0;
};

// The fields are meaningful only without a fault.
struct Walked
{
    Fields fields;
    std::optional<Fault> fault;
};

// Reads `count` bytes at `at` into `into`; false when they cannot be read.
using ReadAt = std::function<bool(std::int64_t at, unsigned char* into, std::int64_t count)>;
// Shown each text (name, then author) once it is known to lie inside the
// file; false when it cannot be read.
using VisitText = std::function<bool(std::int64_t at, std::int64_t count)>;

Walked walk(std::int64_t fileSize, const ReadAt& read, const VisitText& visitText = {});

} // namespace TvkFieldWalk
