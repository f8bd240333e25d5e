#include "format/TvkFieldWalk.h"

#include "format/ByteOrder.h"

namespace TvkFieldWalk {

namespace {

constexpr std::int64_t kLengthFieldSize = 4;

class Cursor
{
public:
    Cursor(std::int64_t size, const ReadAt& read) : m_size(size), m_read(read) {}

    std::int64_t position() const { return m_position; }
    const std::optional<Fault>& fault() const { return m_fault; }

    std::optional<std::int64_t> length(const char* field)
    {
        const std::int64_t at = m_position;
        unsigned char bytes[kLengthFieldSize] = {};
        if (m_size - at < kLengthFieldSize || !m_read(at, bytes, kLengthFieldSize))
            return fail({Fault::Kind::LengthPastEnd, field, 0, at});
        const auto value = std::int32_t(ByteOrder::little32(bytes));
        if (value < 0)
            return fail({Fault::Kind::NegativeLength, field, value, at});
        m_position += kLengthFieldSize;
        return value;
    }

    // Steps over the `count` bytes that the length field `field` at `offset` counts.
    bool skip(std::int64_t count, const char* field, std::int64_t offset)
    {
        if (m_size - m_position < count) {
            fail({Fault::Kind::DataPastEnd, field, count, offset});
            return false;
        }
        m_position += count;
        return true;
    }

    // A text: its length field, then the text, shown to `visit`.
    std::optional<std::int64_t> text(const char* field, const VisitText& visit)
    {
        const std::int64_t lengthOffset = m_position;
        const std::optional<std::int64_t> count = length(field);
        if (!count || !skip(*count, field, lengthOffset))
            return std::nullopt;
        const std::int64_t at = m_position - *count;
        if (visit && !visit(at, *count))
            return fail({Fault::Kind::TextUnreadable, "", 0, at});
        return count;
    }

    std::nullopt_t fail(const Fault& fault)
    {
        m_fault = fault;
        return std::nullopt;
    }

private:
    const std::int64_t m_size;
    const ReadAt& m_read;
    std::int64_t m_position = 0;
    std::optional<Fault> m_fault;
};

} // namespace

Walked walk(std::int64_t fileSize, const ReadAt& read, const VisitText& visitText)
{
    Cursor cursor(fileSize, read);
    Walked walked;
    Fields& fields = walked.fields;
    const auto faulty = [&] {
        walked.fault = cursor.fault();
        return walked;
    };

    fields.nameOffset = cursor.position() + kLengthFieldSize;
    const std::optional<std::int64_t> nameLength = cursor.text("NameLength", visitText);
    if (!nameLength)
        return faulty();
    fields.authorOffset = cursor.position() + kLengthFieldSize;
    const std::optional<std::int64_t> authorLength = cursor.text("AuthorLength", visitText);
    if (!authorLength)
        return faulty();

    const std::int64_t leftLengthOffset = cursor.position();
    const std::optional<std::int64_t> leftLength = cursor.length("LeftLength");
    if (!leftLength)
        return faulty();
    const std::int64_t rightLengthOffset = cursor.position();
    const std::optional<std::int64_t> rightLength = cursor.length("RightLength");
    if (!rightLength)
        return faulty();

    fields.leftOffset = cursor.position();
    if (!cursor.skip(*leftLength, "LeftLength", leftLengthOffset))
        return faulty();
    fields.rightOffset = cursor.position();
    if (!cursor.skip(*rightLength, "RightLength", rightLengthOffset))
        return faulty();
    if (cursor.position() != fileSize) {
        cursor.fail(
            {Fault::Kind::TrailingBytes, "", fileSize - cursor.position(), cursor.position()});
        return faulty();
    }
    fields.NameLength = *nameLength;
    fields.AuthorLength = *authorLength;
    fields.LeftLength = *leftLength;
    fields.RightLength = *rightLength;
    return walked;
}

} // namespace TvkFieldWalk
