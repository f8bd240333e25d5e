#pragma once

#include "base/Result.h"
#include "pictures/Picture.h"

#include <QByteArrayView>
#include <QString>

// Device-independent bitmaps as ICO files and BMP files hold them: 1, 4, 8, 24
// and 32 bits a pixel, uncompressed. Every length and offset is checked against
// the bytes given; nothing is read outside them.
namespace DibDecoder {

// A bitmap as an ICO file stores it: a BITMAPINFOHEADER whose height counts
// the picture and its transparency mask, the picture, then the mask.
Result<Picture> decodeIconBitmap(QByteArrayView bytes);

// A BMP file: its file header, then the bitmap (top-down or bottom-up, no mask).
Result<Picture> decodeBmpFile(QByteArrayView bytes);

} // namespace DibDecoder
