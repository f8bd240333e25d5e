#include "pictures/PngCodec.h"

#include <png.h>

namespace PngCodec {

Result<Picture> decode(QByteArrayView png, int largestSide)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, png.data(), size_t(png.size())) == 0)
        return Result<Picture>::failure(QString::fromLatin1(image.message));
    if (image.width == 0 || image.height == 0 || image.width > quint32(largestSide) ||
        image.height > quint32(largestSide)) {
        png_image_free(&image);
        return Result<Picture>::failure(
            QStringLiteral("The picture is larger than %1 by %1 pixels").arg(largestSide));
    }
    image.format = PNG_FORMAT_RGBA;
    Picture picture{int(image.width), int(image.height),
                    QByteArray(qsizetype(PNG_IMAGE_SIZE(image)), Qt::Uninitialized)};
    if (png_image_finish_read(&image, nullptr, picture.rgba.data(), 0, nullptr) == 0)
        return Result<Picture>::failure(QString::fromLatin1(image.message));
    return picture;
}

namespace {

void appendTo(png_structp png, png_bytep data, size_t length)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

void nothingToFlush(png_structp) {}

// Failures come back as an empty result, never as lines on standard error.
[[noreturn]] void failed(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void ignored(png_structp, png_const_charp) {}

} // namespace

QByteArray encode(const Picture& picture)
{
    QByteArray png;
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, failed, ignored);
    png_infop info = writer != nullptr ? png_create_info_struct(writer) : nullptr;
    // Nothing with a destructor is made below this point: libpng leaves by longjmp.
    if (info == nullptr || setjmp(png_jmpbuf(writer)) != 0) { // NOLINT(cert-err52-cpp)
        png_destroy_write_struct(&writer, &info);
        return {};
    }
    png_set_write_fn(writer, &png, appendTo, nothingToFlush);
    // Fast, yet small on the smooth shades icons have: the cheapest filter that
    // turns a gradient into runs, and zlib's fastest level.
    png_set_compression_level(writer, 1);
    png_set_filter(writer, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_IHDR(writer, info, png_uint_32(picture.width), png_uint_32(picture.height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    png_write_info(writer, info);
    const auto* rows = reinterpret_cast<const uchar*>(picture.rgba.constData());
    for (int y = 0; y < picture.height; ++y)
        png_write_row(writer, rows + qsizetype(y) * picture.width * 4);
    png_write_end(writer, info);
    png_destroy_write_struct(&writer, &info);
    return png;
}

} // namespace PngCodec
