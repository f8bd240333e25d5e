#include "thumbnail/LeftIconPicture.h"

#include "pictures/IconPictures.h"

#include <QIODevice>

namespace LeftIconPicture {

Loaded read(QIODevice& package, const TvkContents& contents)
{
    if (contents.LeftLength > kLargestIcon)
        return {Loaded::Status::TooLarge, {}, {}};
    QByteArray icon;
    if (package.seek(contents.leftOffset))
        icon = package.read(contents.LeftLength);
    if (icon.size() != contents.LeftLength)
        return {Loaded::Status::ReadFailed, {}, {}};
    Result<Picture> largest = IconPictures::largest(icon);
    if (largest.failed())
        return {Loaded::Status::NotAPicture, {}, largest.reason()};
    return {Loaded::Status::Read, std::move(largest).value(), {}};
}

} // namespace LeftIconPicture
