#include "format/TvkFieldWalk.h"

#include "format/ByteOrder.h"

namespace TvkFieldWalk {

namespace {

constexpr std::int64_t kLengthFieldSize = 4;

// Reads nothing more once it has found a fault, and keeps the first one.
class Cursor
{
public:
    Cursor(std::int64_t size, const ReadAt& read, std::optional<Fault>& fault)
        : m_size(size), m_read(read), m_fault(fault)
    {}

    std::int64_t position() const { return m_position; }

    std::int64_t length(const char* field)
    {
        const std::int64_t at = m_position;
        unsigned char bytes[kLengthFieldSize] = {};
        if (m_fault)
            return 0;
        if (m_size - at < kLengthFieldSize || !m_read(at, bytes, kLengthFieldSize))
            return fail({Fault::Kind::LengthPastEnd, field, 0, at});
        const auto value = std::int32_t(ByteOrder::little32(bytes));
        if (value < 0)
            return fail({Fault::Kind::NegativeLength, field, value, at});
        m_position += kLengthFieldSize;
        return value;
    }

    // Steps over the `count` bytes that the length field `field` at `offset` counts.
    void skip(std::int64_t count, const char* field, std::int64_t offset)
    {
        if (!m_fault && m_size - m_position < count)
            fail({Fault::Kind::DataPastEnd, field, count, offset});
        m_position += count;
    }

    // A text: its length field, then the text, shown to `visit`.
    std::int64_t text(const char* field, const VisitText& visit)
    {
        const std::int64_t lengthOffset = m_position;
        const std::int64_t count = length(field);
        skip(count, field, lengthOffset);
        const std::int64_t at = m_position - count;
        if (!m_fault && visit && !visit(at, count))
            fail({Fault::Kind::TextUnreadable, "", 0, at});
        return count;
    }

    std::int64_t fail(const Fault& fault)
    {
        m_fault = fault;
        return 0;
    }

private:
    const std::int64_t m_size;
    const ReadAt& m_read;
    std::optional<Fault>& m_fault;
    std::int64_t m_position = 0;
};

} // namespace

Walked walk(std::int64_t fileSize, const ReadAt& read, const VisitText& visitText)
{
    Walked walked;
    Fields& fields = walked.fields;
    Cursor cursor(fileSize, read, walked.fault);
    fields.NameLength = cursor.text("NameLength", visitText);
    fields.AuthorLength = cursor.text("AuthorLength", visitText);
    const std::int64_t leftLengthOffset = cursor.position();
    fields.LeftLength = cursor.length("LeftLength");
    const std::int64_t rightLengthOffset = cursor.position();
    fields.RightLength = cursor.length("RightLength");
    fields.leftOffset = cursor.position();
    cursor.skip(fields.LeftLength, "LeftLength", leftLengthOffset);
    fields.rightOffset = cursor.position();
    cursor.skip(fields.RightLength, "RightLength", rightLengthOffset);
    if (!walked.fault && cursor.position() != fileSize)
        cursor.fail(
            {Fault::Kind::TrailingBytes, "", fileSize - cursor.position(), cursor.position()});
    return walked;
}

} // namespace TvkFieldWalk
