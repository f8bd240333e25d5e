#pragma once

#include "base/Result.h"

#include <QString>
#include <QStringList>

#include <optional>

class QMimeData;

// Which path box a drop of files fills. On a row (its box or its Browse button)
// one file fills that box, whatever its name, as its file dialog would; on the
// rest of the window the files are sorted by extension: the first icon or picture
// (.ico, or one of IconMaker::kPictureSuffixes, in any case) to the left box, the
// second to the right box, a .tvk to the output box.
namespace FileDrop {

// The paths for the three boxes; an empty one leaves its box as it is.
struct Placement
{
    QString left;
    QString right;
    QString output;
};

// The local files a drag carries, or nothing when it carries anything else: a URL that
// is not a local file, a name that is not UTF-8, or no file at all. Decided by the URLs
// alone, so that a drag never waits on a disk.
std::optional<QStringList> localFiles(const QMimeData& data);

std::optional<Placement> onRow(QString Placement::*box, const QStringList& files);
// Or why not, each file that does not fit named in a sentence of its own.
Result<Placement> onWindow(const QStringList& files);

// Why dropped files cannot be placed: the first that is a folder. It looks at each
// file, so it is for a worker: a path on a share that stalls would hold the window.
std::optional<QString> folderAmong(const QStringList& files);

} // namespace FileDrop
