#pragma once

#include "base/Result.h"
#include "format/IconChoice.h"

#include <QByteArray>
#include <QImage>
#include <QList>

// The pictures in an icon file (an ICO file's sizes of one picture, or a PNG or
// BMP file as its one picture), chosen as IconChoice chooses, bounded as
// PngLimits bounds and decoded by Qt's image readers, whatever the bytes hold.
namespace IconPictures {

inline constexpr int kLargestSide = IconChoice::kLargestSide;

// The largest picture the icon holds, or why none can be read.
Result<QImage> largest(const QByteArray& icon);

// Up to `most` of its pictures, in the order the icon lists them, each listed
// picture once, leaving out any that would take the decoded total past
// kPixelBudget pixels.
inline constexpr qint64 kPixelBudget = qint64(kLargestSide) * kLargestSide * 2;
Result<QList<QImage>> some(const QByteArray& icon, int most);

// The picture made smaller to fit `side` by `side` pixels, keeping its shape,
// never larger; scaled with its alpha premultiplied, so that transparent
// pixels leave no dark fringe. Eight bits a channel, with alpha.
QImage fitted(QImage picture, int side);

// The picture in `format`, as Qt names it ("png", "jpeg", "bmp", "webp"), or
// why it cannot be: no writer for it here, or the writer's failure. A format
// without transparency shows the picture on white.
Result<QByteArray> encoded(QImage picture, const QByteArray& format);

} // namespace IconPictures
