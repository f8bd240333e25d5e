#include "ui/FileDrop.h"

#include "files/DisplayText.h"
#include "files/SystemFiles.h"
#include "pictures/IconMaker.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

namespace FileDrop {

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("FileDrop", text);
}
// Whether the window takes the file as an icon: an ICO file, or a picture to make one from.
bool isIconName(const QString& suffix)
{
    if (suffix.compare(QLatin1String("ico"), Qt::CaseInsensitive) == 0)
        return true;
    return std::any_of(std::begin(IconMaker::kPictureSuffixes),
                       std::end(IconMaker::kPictureSuffixes), [&suffix](const char* picture) {
                           return suffix.compare(QLatin1String(picture), Qt::CaseInsensitive) == 0;
                       });
}

} // namespace

std::optional<QStringList> localFiles(const QMimeData& data)
{
    QStringList files;
    for (const QUrl& url : data.urls()) {
        // A name that is not UTF-8 would be read as another file's.
        if (!url.isLocalFile() || DisplayText::notUtf8(QByteArray::fromPercentEncoding(
                                      url.path(QUrl::FullyEncoded).toLatin1())))
            return std::nullopt;
        files << url.toLocalFile();
    }
    return files.isEmpty() ? std::nullopt : std::optional(files);
}

std::optional<Placement> onRow(QString Placement::*box, const QStringList& files)
{
    if (files.size() != 1)
        return std::nullopt;
    Placement placement;
    placement.*box = files.constFirst();
    return placement;
}

Result<Placement> onWindow(const QStringList& files)
{
    Placement placement;
    QStringList refusals;
    for (const QString& file : files) {
        const QString suffix = QFileInfo(file).suffix();
        const QString name = DisplayText::displayPath(file);
        QString* box = nullptr;
        if (isIconName(suffix)) {
            box = placement.left.isEmpty() ? &placement.left : &placement.right;
            if (!box->isEmpty())
                refusals << tr("%1 is a third icon or picture; the window takes two.").arg(name);
        } else if (suffix.compare(QLatin1String("tvk"), Qt::CaseInsensitive) == 0) {
            box = &placement.output;
            if (!box->isEmpty())
                refusals << tr("%1 is a second .tvk file; the window takes one.").arg(name);
        } else {
            refusals << tr("%1 is neither an icon or picture nor a .tvk file.").arg(name);
        }
        if (box != nullptr && box->isEmpty())
            *box = file;
    }
    if (!refusals.isEmpty())
        return Result<Placement>::failure(refusals.join(QLatin1Char('\n')));
    return placement;
}

std::optional<QString> folderAmong(const QStringList& files)
{
    for (const QString& file : files) {
        if (QFileInfo(SystemFiles::plainPath(file)).isDir())
            return tr("Cannot place %1 in a box:\nIt is a folder.")
                .arg(DisplayText::displayPath(file));
    }
    return std::nullopt;
}

} // namespace FileDrop
