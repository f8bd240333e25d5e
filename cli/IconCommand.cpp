#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "package/PictureIcon.h"

namespace Cli {

namespace {

// The sizes --sizes lists ("16,24,32"), or none when it lists anything else.
std::optional<QList<int>> sizesOf(const QString& list)
{
    QList<int> sizes;
    for (const QString& item : list.split(QLatin1Char(','))) {
        bool isNumber = false;
        const int side = item.trimmed().toInt(&isNumber);
        if (!isNumber || side < 1 || side > IconMaker::kLargestIconSide)
            return std::nullopt;
        sizes.append(side);
    }
    return sizes;
}

int execute(const QCommandLineParser& parser)
{
    if (!parser.isSet(QStringLiteral("output")))
        return reportUsageError(QStringLiteral("--output is required"), QStringLiteral("icon"));
    QList<int> sizes(std::begin(IconMaker::kDefaultSizes), std::end(IconMaker::kDefaultSizes));
    if (parser.isSet(QStringLiteral("sizes"))) {
        const std::optional<QList<int>> asked = sizesOf(parser.value(QStringLiteral("sizes")));
        if (!asked) {
            return reportUsageError(
                QStringLiteral("--sizes takes numbers of pixels from 1 to %1, split by commas")
                    .arg(IconMaker::kLargestIconSide),
                QStringLiteral("icon"));
        }
        sizes = *asked;
    }
    const QStringList paths = parser.positionalArguments();
    const QString outputPath = parser.value(QStringLiteral("output"));
    InputFiles inputs;
    const Result<QList<IconMaker::Picture>> pictures = PictureIcon::readAll(paths, inputs);
    if (pictures.failed())
        return reportFailure(pictures.reason());
    const Result<QByteArray> icon = PictureIcon::make(pictures.value(), sizes, paths);
    if (icon.failed())
        return reportFailure(icon.reason());
    if (interrupted())
        return Failure;

    return writeWhole(outputPath, icon.value(), inputs, Durability::Synced);
}

} // namespace

Command makeIconCommand()
{
    return {
        {.name = QStringLiteral("icon"),
         .summary = QStringLiteral("Makes an ICO file from pictures: PNG, JPEG, BMP, GIF (its "
                                   "first frame), WebP or SVG."),
         .usage = QStringLiteral("tvk icon [--sizes 16,24,...] PICTURE... -o OUTPUT.ico"),
         .notes = QStringLiteral(
             "The icon holds each size asked for that is no larger than the largest picture\n"
             "(an SVG drawing is drawn at every size): by default 16, 20, 24, 32, 40, 48, 64\n"
             "and 256, the sizes Windows shows. Each size is made from the picture nearest\n"
             "it: its own size, else the smallest larger one, so that a picture drawn for 16\n"
             "pixels is used at 16. A picture that is not square is centred on a transparent\n"
             "square. 256 is stored as PNG, the others as 32-bit bitmaps. A picture may be at\n"
             "most 8192 pixels a side. An existing OUTPUT is replaced, whole and only once\n"
             "the new file is on disk.\n\n"
             "Example:\n"
             "  tvk icon logo.svg -o left.ico\n"
             "  tvk icon small-16.png large.png --sizes 16,32,48,256 -o right.ico"),
         .options = {QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")},
                                        QStringLiteral("The ICO file to write."),
                                        QStringLiteral("OUTPUT")),
                     QCommandLineOption(QStringLiteral("sizes"),
                                        QStringLiteral("The sizes to hold, in pixels (1 to 256), "
                                                       "split by commas."),
                                        QStringLiteral("LIST"))},
         .arguments = {{QStringLiteral("PICTURE"), QStringLiteral("A picture to make it from.")}},
         .lastRepeats = true},
        execute};
}

} // namespace Cli
