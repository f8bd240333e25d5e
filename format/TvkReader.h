#pragma once

#include "base/Result.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <optional>

class QIODevice;

// Where each part of a TVK file lies, as read and checked by TvkReader. The
// fields in UpperCamelCase are the file's own, as stored; those in
// lowerCamelCase are worked out from them.
struct TvkContents
{
    // Stored: the first bytes of each text (single-byte, as stored), as many
    // as were asked for, and its whole length.
    QByteArray NameText;
    qint64 NameLength = 0;
    QByteArray AuthorText;
    qint64 AuthorLength = 0;
    qint64 LeftLength = 0;
    qint64 RightLength = 0;
    // Worked out: where LeftData and RightData start, and the file's size.
    qint64 leftOffset = 0;
    qint64 rightOffset = 0;
    qint64 fileSize = 0;
};

// Reads the fields of a TVK file, strictly: every length must be non-negative,
// every field must lie inside the file and the file must end right after
// RightData. Reads the lengths and at most `textLimit` bytes of each text, never
// the icon data, so memory stays small whatever a file declares. A failure says
// where and why the file is not a valid TVK file, for example "AuthorLength
// 4000 at offset 5 runs past the end of the file (23 bytes)".
class TvkReader
{
    Q_DECLARE_TR_FUNCTIONS(TvkReader)

public:
    static Result<TvkContents> read(QIODevice& device, qint64 textLimit);
};
