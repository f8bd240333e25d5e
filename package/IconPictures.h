#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>

// The pictures in an icon file, as Qt's image readers decode them: an ICO file
// holds several sizes of one picture. Decoding is bounded, so that a crafted
// icon cannot take more than kDecodedLimitMiB for any one picture.
namespace IconPictures {

// What one decoded picture may take: 2048 by 2048 pixels of 32 bits.
inline constexpr int kDecodedLimitMiB = 16;

// Calls `each` with every picture the bytes hold, up to `most` of them; returns
// the readers' reason when none could be read.
QString forEach(const QByteArray& bytes, int most, const std::function<void(const QImage&)>& each);

// The picture made smaller to fit `side` by `side` pixels, never larger.
QImage fitted(const QImage& picture, int side);

} // namespace IconPictures
