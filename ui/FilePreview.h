#pragma once

#include "base/Result.h"
#include "package/PackageRequest.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

// The tooltips of the path boxes, as rich text: the whole path, and for an icon
// a picture of each image it holds with its size in bytes, and for a picture the
// icon that will be made from it; for the output, whether an existing file will be
// replaced. Reads at most 1 MiB of an icon (a picture within IconMaker's bounds),
// without ever waiting on a FIFO or device; the window asks a worker for them.
class FilePreview
{
    Q_DECLARE_TR_FUNCTIONS(FilePreview)

public:
    static QString pathOnlyTip(const QString& path);
    // These read the file, and iconTip decodes its pictures: for a worker thread.
    // A picture is told as what Convert makes of it, as `pictures` says.
    static QString iconTip(const QString& path, PictureStorage pictures);
    static QString outputTip(const QString& path);

    // How a box marks the icon file in it: not at all (an ICO file, or one that cannot be read,
    // which Convert tells), as no ICO file (a hint of a wrong choice, stored as it is all the
    // same), or as a picture that an icon is made from, at these sizes.
    enum class IconMark
    {
        None,
        NotIco,
        Picture,
    };
    struct MarkedIcon
    {
        IconMark mark = IconMark::None;
        QList<int> sizes;
    };

    // The mark, or for a picture that no icon can be made from, the message Convert refuses it
    // with. Reads the file and makes the icon as Convert does: for a worker thread.
    static Result<MarkedIcon> markOf(const QString& path, PictureStorage pictures);
};
