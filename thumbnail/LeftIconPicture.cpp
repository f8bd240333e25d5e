#include "thumbnail/LeftIconPicture.h"

#include "pictures/IconPictures.h"

#include <QIODevice>

namespace LeftIconPicture {

Result read(QIODevice& package, const TvkContents& contents)
{
    if (contents.LeftLength > kLargestIcon)
        return {Result::Status::TooLarge, {}, {}};
    QByteArray icon;
    if (package.seek(contents.leftOffset))
        icon = package.read(contents.LeftLength);
    if (icon.size() != contents.LeftLength)
        return {Result::Status::ReadFailed, {}, {}};
    IconPictures::Decoded largest = IconPictures::largest(icon);
    if (largest.pictures.isEmpty())
        return {Result::Status::NotAPicture, {}, largest.error};
    return {Result::Status::Read, std::move(largest.pictures.first()), {}};
}

} // namespace LeftIconPicture
