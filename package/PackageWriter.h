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
// A refusal (of an input) or a failure (of reading or writing) names the file
// and the reason; only done touches the earlier output file.
class PackageWriter
{
    Q_DECLARE_TR_FUNCTIONS(PackageWriter)

public:
    static Outcome write(const PackageRequest& request, const WriteProgress& progress = {});

    // Whether write() would go ahead, or what it would refuse, checked without
    // writing anything.
    static Outcome check(const PackageRequest& request);

    // Writes the package into `output`, a new file beside the request's output,
    // and leaves it there for the caller to put in place: so that many packages
    // can all be written, and then all made durable at once, before any of them
    // replaces an earlier file. Done means written, not yet in place.
    static Outcome writeBeside(const PackageRequest& request, ReplacingFile& output,
                               const WriteProgress& progress = {});
};
