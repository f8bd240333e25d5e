#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <limits>

// The byte layout of a TVK file: eight fields, no signature, no padding.
//
//   NameLength   int32   N
//   NameText     N bytes, one per character
//   AuthorLength int32   M
//   AuthorText   M bytes
//   LeftLength   int32   L, size of the left icon file
//   RightLength  int32   R, size of the right icon file
//   LeftData     L bytes, the left icon file unchanged
//   RightData    R bytes, the right icon file unchanged
//
// Every integer is 32-bit signed little-endian, whatever the host's byte order.
namespace TvkLayout {

inline constexpr qint64 kLengthFieldSize = 4;
// The largest text or icon a length field can describe.
inline constexpr qint64 kMaxFieldLength = std::numeric_limits<qint32>::max();

void appendLength(QByteArray& out, qint32 value);

// Everything before LeftData: NameLength, NameText, AuthorLength, AuthorText,
// LeftLength and RightLength. The texts are already single-byte encoded.
QByteArray header(const QByteArray& NameText, const QByteArray& AuthorText, qint32 LeftLength,
                  qint32 RightLength);

qint64 fileSize(qint64 nameBytes, qint64 authorBytes, qint64 leftBytes, qint64 rightBytes);

} // namespace TvkLayout
