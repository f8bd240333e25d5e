#pragma once

#include <QCoreApplication>
#include <QString>

// The tooltips of the path boxes, as rich text: the whole path, and for an icon
// a picture of each image it holds with its size in bytes; for the output, whether
// an existing file will be replaced. Reads at most 1 MiB of a file, without ever
// waiting on a FIFO or device, so that hovering never blocks the window.
class FilePreview
{
    Q_DECLARE_TR_FUNCTIONS(FilePreview)

public:
    static QString pathOnlyTip(const QString& path);
    // These read the file, and iconTip decodes its pictures: for a worker thread.
    static QString iconTip(const QString& path);
    static QString outputTip(const QString& path);

    // Whether a readable file is no ICO file, a hint of a wrong choice; reads its directory.
    static bool isReadableButNotIco(const QString& path);
};
