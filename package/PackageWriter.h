#pragma once

#include "base/Outcome.h"
#include "package/PackageRequest.h"

#include <QCoreApplication>
#include <QString>

#include <functional>

class ReplacingFile;

// Called as the package is written, with the bytes written so far and the file's
// full size; returning false cancels the writing.
using WriteProgress = std::function<bool(qint64 written, qint64 total)>;

// Writes one TVK file. Refusals come first, in a fixed order, before any file
// is opened for writing: texts with a character the file cannot store, an icon
// that is missing, not a file, unreadable or too large, an output that is one of
// the icons. The output replaces any earlier file only once every byte is on
// disk, so a failure never leaves a half-written file or loses the earlier one.
class PackageWriter
{
    Q_DECLARE_TR_FUNCTIONS(PackageWriter)

public:
    static Outcome write(const PackageRequest& request, const WriteProgress& progress = {});

    // What write() would refuse, checked without writing anything.
    static Outcome check(const PackageRequest& request);

    // Writes the package into `output`, a new file beside the request's output,
    // and leaves it for the caller to put in place: so that many packages can
    // all be written and made durable before any replaces an earlier file.
    static Outcome writeBeside(const PackageRequest& request, ReplacingFile& output,
                               const WriteProgress& progress = {});
};
