#include "format/TvkReader.h"

#include "format/TvkLayout.h"

#include <QIODevice>

#include <algorithm>

namespace {

// A length field as read; its name and offset are told when the data it counts
// runs past the end of the file.
struct Length
{
    const char* field;
    qint64 offset;
    qint64 value = 0;
};

// Walks the file field by field. The first fault found is kept as the error, and
// every step after it does nothing.
class FieldCursor
{
public:
    explicit FieldCursor(QIODevice& device) : m_device(device), m_size(device.size()) {}

    qint64 size() const { return m_size; }
    qint64 position() const { return m_position; }
    const QString& error() const { return m_error; }

    Length length(const char* field)
    {
        Length length{field, m_position};
        char bytes[TvkLayout::kLengthFieldSize];
        if (!m_error.isEmpty())
            return length;
        if (m_size - m_position < TvkLayout::kLengthFieldSize ||
            !readAt(m_position, bytes, sizeof bytes)) {
            m_error = TvkReader::tr("%1 at offset %2 runs past the end of the file (%3 bytes)")
                          .arg(QLatin1String(field), QString::number(m_position),
                               QString::number(m_size));
            return length;
        }
        const qint32 value = TvkLayout::readLength(bytes);
        if (value < 0) {
            m_error =
                TvkReader::tr("%1 %2 at offset %3 is negative")
                    .arg(QLatin1String(field), QString::number(value), QString::number(m_position));
            return length;
        }
        m_position += TvkLayout::kLengthFieldSize;
        length.value = value;
        return length;
    }

    // Steps over the data that `length` counts, if it lies inside the file.
    void skip(const Length& length)
    {
        if (!m_error.isEmpty())
            return;
        if (m_size - m_position < length.value) {
            m_error = TvkReader::tr("%1 %2 at offset %3 runs past the end of the file (%4 bytes)")
                          .arg(QLatin1String(length.field), QString::number(length.value),
                               QString::number(length.offset), QString::number(m_size));
            return;
        }
        m_position += length.value;
    }

    // The first `limit` bytes of the text that `length` counts, stepping over all of it.
    QByteArray text(const Length& length, qint64 limit)
    {
        const qint64 at = m_position;
        skip(length);
        if (!m_error.isEmpty())
            return {};
        // Never in proportion to the length: a file may declare 2 GiB of name.
        QByteArray bytes(std::min(length.value, limit), Qt::Uninitialized);
        if (!readAt(at, bytes.data(), bytes.size())) {
            m_error = TvkReader::tr("The file cannot be read at offset %1: %2")
                          .arg(QString::number(at), m_device.errorString());
        }
        return bytes;
    }

private:
    bool readAt(qint64 at, char* into, qint64 count)
    {
        return m_device.seek(at) && m_device.read(into, count) == count;
    }

    QIODevice& m_device;
    const qint64 m_size;
    qint64 m_position = 0;
    QString m_error;
};

} // namespace

Result<TvkContents> TvkReader::read(QIODevice& device, qint64 textLimit)
{
    FieldCursor cursor(device);
    TvkContents contents;
    const Length name = cursor.length("NameLength");
    contents.NameText = cursor.text(name, textLimit);
    const Length author = cursor.length("AuthorLength");
    contents.AuthorText = cursor.text(author, textLimit);
    const Length left = cursor.length("LeftLength");
    const Length right = cursor.length("RightLength");
    contents.leftOffset = cursor.position();
    cursor.skip(left);
    contents.rightOffset = cursor.position();
    cursor.skip(right);
    if (!cursor.error().isEmpty())
        return Result<TvkContents>::failure(cursor.error());
    if (cursor.position() != cursor.size()) {
        return Result<TvkContents>::failure(
            tr("%1 bytes follow RightData at offset %2, where the file should end")
                .arg(QString::number(cursor.size() - cursor.position()),
                     QString::number(cursor.position())));
    }
    contents.NameLength = name.value;
    contents.AuthorLength = author.value;
    contents.LeftLength = left.value;
    contents.RightLength = right.value;
    contents.fileSize = cursor.size();
    return contents;
}
