#include "package/PictureIcon.h"

#include "files/DisplayText.h"
#include "files/InputFile.h"
#include "format/IcoDirectory.h"

namespace {

QString cannotMake(const QString& path, const QString& reason)
{
    return PictureIcon::tr("Cannot make an icon from %1:\n%2")
        .arg(DisplayText::displayPath(path), reason);
}

} // namespace

std::optional<QByteArray> PictureIcon::formatOf(QFile& file)
{
    std::optional<QByteArray> format;
    if (file.seek(0) && !IcoDirectory::read(file, 0, file.size()) && file.seek(0))
        format = IconMaker::pictureFormat(file.peek(IconMaker::kHeadBytes));
    file.seek(0);
    return format;
}

Result<IconMaker::Picture> PictureIcon::read(QFile& file, const QString& path,
                                             const QByteArray& format, qint64 budget)
{
    Result<IconMaker::Picture> picture = IconMaker::read(file, format, budget);
    if (picture.failed())
        return Result<IconMaker::Picture>::failure(cannotMake(path, picture.reason()));
    return picture;
}

Result<QList<IconMaker::Picture>> PictureIcon::readAll(const QStringList& paths, InputFiles& inputs)
{
    QList<IconMaker::Picture> pictures;
    // All are held at once: together they are bounded as one picture is.
    qint64 decoded = 0;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QFile file;
        if (const Outcome opened = InputFile::open(file, paths[i]); opened.failed())
            return Result<QList<IconMaker::Picture>>::failure(
                cannotMake(paths[i], opened.reason()));
        inputs.add(FileIdentity::ofInput(file.handle(), paths[i]), i);
        const std::optional<QByteArray> format = formatOf(file);
        if (!format) {
            const bool icon = IcoDirectory::read(file, 0, file.size()).has_value();
            return Result<QList<IconMaker::Picture>>::failure(cannotMake(
                paths[i], icon ? tr("It is an ICO file already.")
                               : tr("It is not a PNG, JPEG, BMP, GIF, WebP or SVG picture.")));
        }
        Result<IconMaker::Picture> picture =
            read(file, paths[i], *format, IconMaker::kLargestDecoded - decoded);
        if (picture.failed())
            return Result<QList<IconMaker::Picture>>::failure(picture.reason());
        decoded += picture.value().pixels.sizeInBytes();
        pictures.append(std::move(picture.value()));
    }
    return pictures;
}

namespace {

// The sizes asked for that the pictures give, or why there are none, naming the largest.
Result<QList<int>> sizesGiven(const QList<IconMaker::Picture>& pictures, const QList<int>& sizes,
                              const QStringList& names)
{
    const QList<int> given = IconMaker::sizesFor(pictures, sizes);
    if (!given.isEmpty())
        return given;
    const IconMaker::Picture& largest =
        *std::max_element(pictures.begin(), pictures.end(),
                          [](const auto& a, const auto& b) { return a.side() < b.side(); });
    const QString path = names.value(qsizetype(&largest - pictures.data()));
    return Result<QList<int>>::failure(cannotMake(
        path, PictureIcon::tr("It is %1 by %2 pixels, smaller than every size asked for (%3).")
                  .arg(largest.size.width())
                  .arg(largest.size.height())
                  .arg(PictureIcon::sizesText(sizes))));
}

QList<int> defaultSizeList()
{
    return {std::begin(IconMaker::kDefaultSizes), std::end(IconMaker::kDefaultSizes)};
}

} // namespace

Result<QByteArray> PictureIcon::make(const QList<IconMaker::Picture>& pictures,
                                     const QList<int>& sizes, const QStringList& names)
{
    const Result<QList<int>> given = sizesGiven(pictures, sizes, names);
    if (given.failed())
        return Result<QByteArray>::failure(given.reason());
    Result<QByteArray> icon = IconMaker::icon(IconMaker::draw(pictures, given.value()));
    if (icon.failed())
        return Result<QByteArray>::failure(
            cannotMake(names.join(QStringLiteral(", ")), icon.reason()));
    return icon;
}

Result<QByteArray> PictureIcon::makeDefault(QFile& file, const QString& path,
                                            const QByteArray& format)
{
    Result<IconMaker::Picture> picture = read(file, path, format);
    if (picture.failed())
        return Result<QByteArray>::failure(picture.reason());
    return make({std::move(picture.value())}, defaultSizeList(), {path});
}

Result<QList<int>> PictureIcon::defaultSizes(QFile& file, const QString& path,
                                             const QByteArray& format)
{
    Result<IconMaker::Picture> picture = read(file, path, format);
    if (picture.failed())
        return Result<QList<int>>::failure(picture.reason());
    return sizesGiven({std::move(picture.value())}, defaultSizeList(), {path});
}

QString PictureIcon::sizesText(const QList<int>& sizes)
{
    QStringList numbers;
    for (const int side : sizes)
        numbers.append(QString::number(side));
    if (numbers.size() < 2)
        return tr("%1 pixels").arg(numbers.join(QString()));
    const QString last = numbers.takeLast();
    return tr("%1 and %2 pixels").arg(numbers.join(QStringLiteral(", ")), last);
}
