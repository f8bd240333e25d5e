#pragma once

#include "format/TvkReader.h"
#include "pictures/Picture.h"
#include "thumbnail/ThumbnailLimits.h"

#include <QString>

class QIODevice;

// The picture a TVK file is shown by: its left icon's largest image. Read from
// the file with the same bounds wherever thumbnails are made (`tvk thumbnail`,
// the file managers' thumbnailer, Explorer's thumbnail provider): no icon
// larger than kLargestIcon is read, and no picture larger than IconPictures
// allows is decoded.
namespace LeftIconPicture {

inline constexpr qint64 kLargestIcon = ThumbnailLimits::kLargestIcon;

struct Loaded
{
    enum class Status
    {
        Read,
        // The left icon holds more than kLargestIcon bytes.
        TooLarge,
        // The file could not be read; see the device's errorString().
        ReadFailed,
        // The icon holds no picture that can be read; `reason` says why.
        NotAPicture,
    };
    Status status = Status::Read;
    Picture picture;
    QString reason;
};

// Reads from `package`, whose fields `contents` gives.
Loaded read(QIODevice& package, const TvkContents& contents);

} // namespace LeftIconPicture
