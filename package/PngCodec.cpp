#include "package/PngCodec.h"

#include <png.h>

namespace PngCodec {

Picture decode(QByteArrayView png, int largestSide, QString& error)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, png.data(), size_t(png.size())) == 0) {
        error = QString::fromLatin1(image.message);
        return {};
    }
    if (image.width == 0 || image.height == 0 || image.width > quint32(largestSide) ||
        image.height > quint32(largestSide)) {
        png_image_free(&image);
        error = QStringLiteral("The picture is larger than %1 by %1 pixels").arg(largestSide);
        return {};
    }
    image.format = PNG_FORMAT_RGBA;
    Picture picture{int(image.width), int(image.height),
                    QByteArray(qsizetype(PNG_IMAGE_SIZE(image)), Qt::Uninitialized)};
    if (png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr) == 0) {
        error = QString::fromLatin1(image.message);
        return {};
    }
    return picture;
}

QByteArray encode(const Picture& picture)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(picture.width);
    image.height = png_uint_32(picture.height);
    image.format = PNG_FORMAT_RGBA;
    image.flags = PNG_IMAGE_FLAG_FAST;
    png_alloc_size_t size = 0;
    if (png_image_write_get_memory_size(image, size, 0, picture.rgba.constData(), 0, nullptr) == 0)
        return {};
    QByteArray png(qsizetype(size), Qt::Uninitialized);
    if (png_image_write_to_memory(&image, png.data(), &size, 0, picture.rgba.constData(), 0,
                                  nullptr) == 0)
        return {};
    png.truncate(qsizetype(size));
    return png;
}

} // namespace PngCodec
