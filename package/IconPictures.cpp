#include "package/IconPictures.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

namespace IconPictures {

QString forEach(const QByteArray& bytes, int most, const std::function<void(const QImage&)>& each)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImageReader::setAllocationLimit(kDecodedLimitMiB);
    bool any = false;
    const int count = std::min(std::max(reader.imageCount(), 1), most);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToNextImage())
            break;
        const QImage picture = reader.read();
        if (picture.isNull())
            continue;
        any = true;
        each(picture);
    }
    return any ? QString() : reader.errorString();
}

QImage fitted(const QImage& picture, int side)
{
    if (picture.width() <= side && picture.height() <= side)
        return picture;
    return picture.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace IconPictures
