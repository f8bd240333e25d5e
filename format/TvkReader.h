#pragma once

#include "base/Result.h"
#include "format/TvkFieldWalk.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

class QIODevice;

// Where each part of a TVK file lies, as read and checked by TvkReader. The
// fields in UpperCamelCase are the file's own, as stored; those in
// lowerCamelCase are worked out from them.
struct TvkContents : TvkFieldWalk::Fields
{
    // The first bytes of each text (single-byte, as stored), as many as were
    // asked for.
    QByteArray NameText;
    QByteArray AuthorText;
    qint64 fileSize = 0;
};

// Reads the fields of a TVK file as strictly as TvkFieldWalk checks them: the
// lengths and at most `textLimit` bytes of each text, never the icon data, so
// memory stays small whatever a file declares. A failure says where and why
// the file is not a valid TVK file, for example "AuthorLength 4000 at offset 5
// runs past the end of the file (23 bytes)".
class TvkReader
{
    Q_DECLARE_TR_FUNCTIONS(TvkReader)

public:
    static Result<TvkContents> read(QIODevice& device, qint64 textLimit);
};
