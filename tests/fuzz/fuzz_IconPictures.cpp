// libFuzzer target for icon pictures: whatever bytes an icon holds, choosing,
// decoding, scaling and encoding its pictures never crash, never read outside
// the input, and never decode a picture past the size limits.
#include "pictures/IconPictures.h"
#include "pictures/PictureScaling.h"
#include "pictures/PngCodec.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray icon(reinterpret_cast<const char*>(data), qsizetype(size));
    const Result<Picture> largest = IconPictures::largest(icon);
    Result<QList<Picture>> some = IconPictures::some(icon, 12);
    // A failure always says why; the largest picture is one of those read.
    if ((largest.failed() && largest.reason().isEmpty()) ||
        (some.failed() && some.reason().isEmpty()) || largest.failed() != some.failed())
        std::abort();
    if (!largest.failed())
        some->append(largest.value());
    if (!some.failed()) {
        for (const Picture& picture : some.value()) {
            if (picture.width > IconPictures::kLargestSide ||
                picture.height > IconPictures::kLargestSide ||
                picture.rgba.size() != picture.pixels() * 4)
                std::abort();
            if (PngCodec::encode(PictureScaling::fitted(picture, 64)).isEmpty())
                std::abort();
        }
    }
    return 0;
}
