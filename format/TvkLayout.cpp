#include "format/TvkLayout.h"

#include <QtEndian>

namespace TvkLayout {

void appendLength(QByteArray& out, qint32 value)
{
    char bytes[kLengthFieldSize];
    qToLittleEndian(value, bytes);
    out.append(bytes, kLengthFieldSize);
}

QByteArray header(const QByteArray& NameText, const QByteArray& AuthorText, qint32 LeftLength,
                  qint32 RightLength)
{
    QByteArray out;
    out.reserve(4 * kLengthFieldSize + NameText.size() + AuthorText.size());
    appendLength(out, static_cast<qint32>(NameText.size()));
    out.append(NameText);
    appendLength(out, static_cast<qint32>(AuthorText.size()));
    out.append(AuthorText);
    appendLength(out, LeftLength);
    appendLength(out, RightLength);
    return out;
}

qint64 fileSize(qint64 nameBytes, qint64 authorBytes, qint64 leftBytes, qint64 rightBytes)
{
    return 4 * kLengthFieldSize + nameBytes + authorBytes + leftBytes + rightBytes;
}

} // namespace TvkLayout
