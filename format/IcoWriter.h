#pragma once

#include <QByteArray>
#include <QList>

// The bytes of an ICO file, laid out as every reader of the format expects
// (Windows' own, Qt's, icoutils'): a directory whose each field is right, and
// each picture either PNG bytes or a 32-bit bitmap with its AND mask.
namespace IcoWriter {

// One picture of the icon, `side` by `side` pixels (1 to 256).
struct Picture
{
    int side = 0;
    // Either a whole PNG file, stored as it is,
    QByteArray png;
    // or the pixels, `side` rows of `side` pixels from the top, four bytes each in the order
    // blue, green, red, alpha, not premultiplied: stored as a bitmap.
    QByteArray bgra;
};

// The ICO file holding the pictures in the order given.
QByteArray write(const QList<Picture>& pictures);

} // namespace IcoWriter
