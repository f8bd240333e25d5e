#pragma once

#include "base/Outcome.h"
#include "package/PackageRequest.h"

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <optional>

class QFile;
class ReplacingFile;

struct WriteResult
{
    enum class Status
    {
        // The output file now holds exactly the new package.
        Written,
        // An input cannot go into a TVK file; nothing was touched.
        Refused,
        // Reading or writing failed; the earlier output file is unchanged.
        Failed,
        // Stopped by the progress handler; the earlier output file is unchanged.
        Cancelled,
    };
    Status status = Status::Written;
    // For the user, naming the file and the reason; empty when written.
    QString message;

    bool written() const { return status == Status::Written; }
};

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
    static WriteResult write(const PackageRequest& request, const WriteProgress& progress = {});

    // Whether write() would go ahead, or what it would refuse, checked without
    // writing anything.
    static Outcome check(const PackageRequest& request);

    // Writes the package into `output`, a new file beside the request's output,
    // and leaves it there for the caller to commit: so that many packages can
    // all be written, and then all made durable at once, before any of them
    // replaces an earlier file. "Written" means written, not yet committed.
    static WriteResult writeUncommitted(const PackageRequest& request, ReplacingFile& output,
                                        const WriteProgress& progress = {});

private:
    struct Prepared;
    static Outcome prepare(const PackageRequest& request, Prepared& prepared);
    // The header and both icons, into the opened output.
    static WriteResult writeContents(Prepared& prepared, QFile& device, const QString& outputPath,
                                     const WriteProgress& progress);
};
