// libFuzzer target for the TVK reader and the ICO probe: arbitrary bytes must
// never crash them, never make them read outside the input, and never make them
// allocate more than the input holds.
#include "IcoProbe.h"
#include "SingleByteText.h"
#include "TvkReader.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        std::abort();

    const TvkReadResult result = TvkReader::read(buffer, qint64(size));
    if (result.contents.has_value() == !result.error.isEmpty())
        std::abort(); // exactly one of contents and error
    if (const auto& contents = result.contents) {
        const qint64 expectedSize = 16 + contents->NameText.size() + contents->AuthorText.size() +
                                    contents->LeftLength + contents->RightLength;
        if (contents->fileSize != expectedSize || contents->fileSize != qint64(size) ||
            contents->rightOffset + contents->RightLength != qint64(size))
            std::abort();
        (void)decodeSingleByte(contents->NameText);
        (void)probeIco(buffer, contents->leftOffset, contents->LeftLength);
        (void)probeIco(buffer, contents->rightOffset, contents->RightLength);
    }
    // Any bytes may also be stored as an icon.
    (void)probeIco(buffer, 0, qint64(size));
    return 0;
}
