#include "format/TvkReader.h"

#include "format/TvkLayout.h"

#include <QIODevice>

#include <algorithm>

namespace {

// Walks the file field by field; the first fault found is kept as the error.
class FieldCursor
{
public:
    explicit FieldCursor(QIODevice& device) : m_device(device), m_size(device.size()) {}

    qint64 size() const { return m_size; }
    qint64 position() const { return m_position; }
    const QString& error() const { return m_error; }

    std::optional<qint64> length(const char* field)
    {
        const qint64 at = m_position;
        char bytes[TvkLayout::kLengthFieldSize];
        if (m_size - at < TvkLayout::kLengthFieldSize || !readAt(at, bytes, sizeof bytes)) {
            fail(TvkReader::tr("%1 at offset %2 runs past the end of the file (%3 bytes)")
                     .arg(QLatin1String(field), QString::number(at), QString::number(m_size)));
            return std::nullopt;
        }
        const qint32 value = TvkLayout::readLength(bytes);
        if (value < 0) {
            fail(TvkReader::tr("%1 %2 at offset %3 is negative")
                     .arg(QLatin1String(field), QString::number(value), QString::number(at)));
            return std::nullopt;
        }
        m_position += TvkLayout::kLengthFieldSize;
        m_lastLength = {field, at};
        return value;
    }

    // Checks that the data counted by the last length field read, or by one
    // given, lies inside the file, and steps over it.
    bool skip(qint64 count, const char* lengthField, qint64 lengthOffset)
    {
        if (m_size - m_position < count) {
            fail(TvkReader::tr("%1 %2 at offset %3 runs past the end of the file (%4 bytes)")
                     .arg(QLatin1String(lengthField), QString::number(count),
                          QString::number(lengthOffset), QString::number(m_size)));
            return false;
        }
        m_position += count;
        return true;
    }

    // The first `limit` bytes of a text of `count` bytes, stepping over all of it.
    std::optional<QByteArray> text(qint64 count, qint64 limit)
    {
        const qint64 at = m_position;
        if (!skip(count, m_lastLength.field, m_lastLength.offset))
            return std::nullopt;
        // Never in proportion to the length: a file may declare 2 GiB of name.
        const qint64 wanted = std::min(count, limit);
        QByteArray bytes(wanted, Qt::Uninitialized);
        if (!readAt(at, bytes.data(), wanted)) {
            fail(TvkReader::tr("The file cannot be read at offset %1: %2")
                     .arg(QString::number(at), m_device.errorString()));
            return std::nullopt;
        }
        return bytes;
    }

private:
    struct LastLength
    {
        const char* field = "";
        qint64 offset = 0;
    };

    bool readAt(qint64 at, char* into, qint64 count)
    {
        return m_device.seek(at) && m_device.read(into, count) == count;
    }
    void fail(const QString& error)
    {
        if (m_error.isEmpty())
            m_error = error;
    }

    QIODevice& m_device;
    const qint64 m_size;
    qint64 m_position = 0;
    LastLength m_lastLength;
    QString m_error;
};

} // namespace

Result<TvkContents> TvkReader::read(QIODevice& device, qint64 textLimit)
{
    FieldCursor cursor(device);
    TvkContents contents;
    contents.fileSize = cursor.size();
    const auto invalid = [&] { return Result<TvkContents>::failure(cursor.error()); };

    const std::optional<qint64> nameLength = cursor.length("NameLength");
    if (!nameLength)
        return invalid();
    const std::optional<QByteArray> name = cursor.text(*nameLength, textLimit);
    if (!name)
        return invalid();
    const std::optional<qint64> authorLength = cursor.length("AuthorLength");
    if (!authorLength)
        return invalid();
    const std::optional<QByteArray> author = cursor.text(*authorLength, textLimit);
    if (!author)
        return invalid();

    const qint64 leftLengthOffset = cursor.position();
    const std::optional<qint64> leftLength = cursor.length("LeftLength");
    if (!leftLength)
        return invalid();
    const qint64 rightLengthOffset = cursor.position();
    const std::optional<qint64> rightLength = cursor.length("RightLength");
    if (!rightLength)
        return invalid();

    contents.leftOffset = cursor.position();
    if (!cursor.skip(*leftLength, "LeftLength", leftLengthOffset))
        return invalid();
    contents.rightOffset = cursor.position();
    if (!cursor.skip(*rightLength, "RightLength", rightLengthOffset))
        return invalid();
    if (cursor.position() != cursor.size()) {
        return Result<TvkContents>::failure(
            tr("%1 bytes follow RightData at offset %2, where the file should end")
                .arg(QString::number(cursor.size() - cursor.position()),
                     QString::number(cursor.position())));
    }

    contents.NameText = *name;
    contents.NameLength = *nameLength;
    contents.AuthorText = *author;
    contents.AuthorLength = *authorLength;
    contents.LeftLength = *leftLength;
    contents.RightLength = *rightLength;
    return contents;
}
