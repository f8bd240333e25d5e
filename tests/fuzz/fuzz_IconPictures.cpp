// libFuzzer target for icon pictures: whatever bytes an icon holds, choosing its
// pictures by the ICO directory, handing them to Qt's readers and scaling them
// never crash, never read outside the input, and never decode a picture past
// the size limits.
#include "pictures/IconPictures.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray icon(reinterpret_cast<const char*>(data), qsizetype(size));
    const Result<QImage> largest = IconPictures::largest(icon);
    Result<QList<QImage>> some = IconPictures::some(icon, 12);
    // A failure always says why; the largest picture is one of those read.
    if ((largest.failed() && largest.reason().isEmpty()) ||
        (some.failed() && some.reason().isEmpty()) || largest.failed() != some.failed())
        std::abort();
    if (!largest.failed())
        some->append(largest.value());
    if (!some.failed()) {
        for (const QImage& picture : some.value()) {
            if (picture.isNull() || picture.width() > IconPictures::kLargestSide ||
                picture.height() > IconPictures::kLargestSide)
                std::abort();
            const QImage small = IconPictures::fitted(picture, 64);
            if (small.isNull() || small.width() > 64 || small.height() > 64)
                std::abort();
        }
    }
    return 0;
}
