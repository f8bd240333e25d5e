// libFuzzer target for the TVK reader and the ICO directory: arbitrary bytes must
// never crash them, never make them read outside the input, and never make them
// allocate in proportion to what a file declares. Each input is read twice: from
// memory, and as the start of a real file made as long as its lengths declare
// (a sparse file of up to some GiB), as `tvk info` reads it.
#include "files/InputFile.h"
#include "format/IcoDirectory.h"
#include "format/SingleByteText.h"
#include "format/TvkLayout.h"
#include "format/TvkReader.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// As much as `tvk info` shows of a name.
constexpr qint64 kTextLimit = 1000;

void check(QIODevice& device, qint64 size)
{
    const Result<TvkContents> result = TvkReader::read(device, kTextLimit);
    if (result.failed() && result.reason().isEmpty())
        // A failure always says why.
        std::abort();
    if (!result.failed()) {
        const TvkContents* contents = &result.value();
        const qint64 expectedSize =
            TvkLayout::fileSize(contents->NameLength, contents->AuthorLength, contents->LeftLength,
                                contents->RightLength);
        if (contents->fileSize != expectedSize || contents->fileSize != size ||
            contents->rightOffset + contents->RightLength != size ||
            contents->NameText.size() != std::min<qint64>(contents->NameLength, kTextLimit) ||
            contents->AuthorText.size() != std::min<qint64>(contents->AuthorLength, kTextLimit))
            std::abort();
        (void)SingleByteText::decode(contents->NameText);
        (void)IcoDirectory::read(device, contents->leftOffset, contents->LeftLength);
        (void)IcoDirectory::read(device, contents->rightOffset, contents->RightLength);
    }
    // Any bytes may also be stored as an icon.
    (void)IcoDirectory::read(device, 0, size);
}

// The size the input's length fields declare, reading zeros past its end, as
// the hole of a sparse file reads.
qint64 declaredSize(const QByteArray& bytes)
{
    qint64 at = 0;
    const auto length = [&] {
        char field[TvkLayout::kLengthFieldSize] = {};
        for (qint64 i = 0; i < TvkLayout::kLengthFieldSize; ++i)
            field[i] = at + i < bytes.size() ? bytes[at + i] : '\0';
        at += TvkLayout::kLengthFieldSize;
        return qint64(std::max(qFromLittleEndian<qint32>(field), 0));
    };
    // NameText.
    at += length();
    // AuthorText.
    at += length();
    const qint64 left = length();
    const qint64 right = length();
    return std::max(at + left + right, qint64(bytes.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        std::abort();
    check(buffer, qint64(size));

    static const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("input.tvk"));
    const qint64 fileSize = declaredSize(bytes);
    {
        QFile writer(path);
        if (!writer.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            writer.write(bytes) != bytes.size() || !writer.resize(fileSize))
            std::abort();
    }
    QFile file;
    if (InputFile::open(file, path).failed())
        std::abort();
    check(file, fileSize);
    return 0;
}
