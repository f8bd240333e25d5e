#pragma once

#include "base/Result.h"
#include "pictures/Picture.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// PNG pictures, through libpng's own simple interface: it reports failures in
// its result, never on standard error.
namespace PngCodec {

// The picture, or why it cannot be read. Pictures wider or taller than
// `largestSide` are refused before anything is decoded.
Result<Picture> decode(QByteArrayView png, int largestSide);

// The picture as a PNG file, compressed for speed rather than size.
QByteArray encode(const Picture& picture);

} // namespace PngCodec
