#include "cli/ThumbnailDescription.h"

namespace Cli {

Command::Description thumbnailDescription()
{
    return {
        .name = QStringLiteral("thumbnail"),
        .summary = QStringLiteral("Writes a picture of a TVK file's left icon: its largest image, "
                                  "made smaller to fit\nSIZE by SIZE pixels and never larger than "
                                  "it is. File managers use it to show TVK\nfiles."),
        .usage = QStringLiteral("tvk thumbnail [--size SIZE] FILE OUT.png"),
        .notes = QStringLiteral("OUT's extension names the format: .png, .jpg or .jpeg, .bmp, or "
                                ".webp\nwhere Qt has a writer for it; a name without one is PNG. "
                                "Icons larger than\n4 MiB are refused.\n\n"
                                "Example:\n"
                                "  tvk thumbnail --size 64 cafe.tvk cafe.png"),
        .options = {QCommandLineOption(
            {QStringLiteral("s"), QStringLiteral("size")},
            QStringLiteral("The largest width and height, in pixels (default %1).")
                .arg(kDefaultThumbnailSize),
            QStringLiteral("SIZE"), QString::number(kDefaultThumbnailSize))},
        .arguments = {{QStringLiteral("FILE"), QStringLiteral("The TVK file.")},
                      {QStringLiteral("OUT"),
                       QStringLiteral("The picture to write, or - for a PNG on standard output.")}},
    };
}

} // namespace Cli
