#pragma once

#include "base/Result.h"
#include "package/PackageWriter.h"

#include <QCoreApplication>
#include <QString>

class PrivateFolder;

// A TVK file opened in the window, to be changed and written again: its two
// names, and its two icons copied byte for byte into files of a private folder
// (for "cafe.tvk", "cafe-left.ico" and "cafe-right.ico"), so that they can be
// previewed and packed like any chosen icon. Packing the inputs unchanged gives
// the same file, byte for byte.
class OpenedPackage
{
    Q_DECLARE_TR_FUNCTIONS(OpenedPackage)

public:
    // Names longer than this are not put in a text box.
    static constexpr qint64 kLongestName = qint64(1) << 20;

    // Reads the file and copies its icons, for a worker thread (the file may be large or on a
    // slow disk); `progress` is told the bytes copied, and returning false stops it and removes
    // the icons. Gives the five inputs, the output being the opened file itself; or why not,
    // naming the file, for a message box; or cancelled.
    static Result<PackageRequest> open(const QString& path, PrivateFolder& iconFolder,
                                       const WriteProgress& progress);
};
