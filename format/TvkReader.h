#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <optional>

class QIODevice;

// Where each part of a TVK file lies, as read and checked by TvkReader.
struct TvkContents
{
    // The first bytes of each text (single-byte, as stored), as many as were
    // asked for, and its whole length.
    QByteArray NameText;
    qint64 NameLength = 0;
    QByteArray AuthorText;
    qint64 AuthorLength = 0;
    qint64 leftOffset = 0;
    qint64 LeftLength = 0;
    qint64 rightOffset = 0;
    qint64 RightLength = 0;
    qint64 fileSize = 0;
};

struct TvkReadResult
{
    std::optional<TvkContents> contents;
    // Where and why the file is not a valid TVK file, for example
    // "AuthorLength 4000 at offset 5 runs past the end of the file (23 bytes)".
    QString error;
};

// Reads the fields of a TVK file, strictly: every length must be non-negative,
// every field must lie inside the file and the file must end right after
// RightData. Reads the lengths and at most `textLimit` bytes of each text, never
// the icon data, so memory stays small whatever a file declares.
class TvkReader
{
    Q_DECLARE_TR_FUNCTIONS(TvkReader)

public:
    static TvkReadResult read(QIODevice& device, qint64 textLimit);
};
