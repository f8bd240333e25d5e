#pragma once

#include <QByteArray>

// A decoded picture: straight (not premultiplied) RGBA, 8 bits a channel, rows
// from the top. Plain bytes, so that reading icons needs no graphics library
// beyond the PNG codec, and a thumbnail starts as fast as a small program can.
struct Picture
{
    int width = 0;
    int height = 0;
    QByteArray rgba;

    bool isNull() const { return width <= 0 || height <= 0; }
    qint64 pixels() const { return qint64(width) * height; }
};
