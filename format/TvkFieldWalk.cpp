#include "format/TvkFieldWalk.h"

#include "format/ByteOrder.h"

namespace TvkFieldWalk {

namespace {
constexpr std::int64_t kLengthFieldSize = 4;
} // namespace

Walked walk(std::int64_t fileSize, const ReadAt& read, const VisitText& visitText)
{
    Walked walked;
    Fields& fields = walked.fields;
    std::int64_t position = 0;
    // Once a fault is found, nothing more is read and the first fault stays.
    const auto fail = [&](const Fault& fault) -> std::int64_t {
        walked.fault = fault;
        return 0;
    };
    const auto length = [&](const char* field) -> std::int64_t {
        unsigned char bytes[kLengthFieldSize] = {};
        if (walked.fault)
            return 0;
        if (fileSize - position < kLengthFieldSize || !read(position, bytes, kLengthFieldSize))
            return fail({Fault::Kind::LengthPastEnd, field, 0, position});
        const auto value = std::int32_t(ByteOrder::little32(bytes));
        if (value < 0)
            return fail({Fault::Kind::NegativeLength, field, value, position});
        position += kLengthFieldSize;
        return value;
    };
    // Steps over the `count` bytes that the length field `field` at `offset` counts.
    const auto skip = [&](std::int64_t count, const char* field, std::int64_t offset) {
        if (!walked.fault && fileSize - position < count)
            fail({Fault::Kind::DataPastEnd, field, count, offset});
        position += count;
    };
    const auto text = [&](const char* field) {
        const std::int64_t lengthOffset = position;
        const std::int64_t count = length(field);
        skip(count, field, lengthOffset);
        if (!walked.fault && visitText && !visitText(position - count, count))
            fail({Fault::Kind::TextUnreadable, "", 0, position - count});
        return count;
    };
    fields.NameLength = text("NameLength");
    fields.AuthorLength = text("AuthorLength");
    const std::int64_t leftLengthOffset = position;
    fields.LeftLength = length("LeftLength");
    const std::int64_t rightLengthOffset = position;
    fields.RightLength = length("RightLength");
    fields.leftOffset = position;
    skip(fields.LeftLength, "LeftLength", leftLengthOffset);
    fields.rightOffset = position;
    skip(fields.RightLength, "RightLength", rightLengthOffset);
    if (!walked.fault && position != fileSize)
        fail({Fault::Kind::TrailingBytes, "", fileSize - position, position});
    return walked;
}

} // namespace TvkFieldWalk
