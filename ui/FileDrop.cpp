#include "ui/FileDrop.h"

#include "files/DisplayText.h"
#include "files/SystemFiles.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace FileDrop {

std::optional<QStringList> localFiles(const QMimeData& data)
{
    QStringList files;
    for (const QUrl& url : data.urls()) {
        // A name that is not UTF-8 would be read as another file's.
        if (!url.isLocalFile() || DisplayText::notUtf8(QByteArray::fromPercentEncoding(
                                      url.path(QUrl::FullyEncoded).toLatin1())))
            return std::nullopt;
        const QString path = url.toLocalFile();
        if (QFileInfo(SystemFiles::plainPath(path)).isDir())
            return std::nullopt;
        files << path;
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

std::optional<Placement> onWindow(const QStringList& files)
{
    Placement placement;
    for (const QString& file : files) {
        const QString suffix = QFileInfo(file).suffix();
        QString* box = nullptr;
        if (suffix.compare(QLatin1String("ico"), Qt::CaseInsensitive) == 0)
            box = placement.left.isEmpty() ? &placement.left : &placement.right;
        else if (suffix.compare(QLatin1String("tvk"), Qt::CaseInsensitive) == 0)
            box = &placement.output;
        // Neither an icon nor a package, or more than the boxes can take.
        if (box == nullptr || !box->isEmpty())
            return std::nullopt;
        *box = file;
    }
    return placement;
}

} // namespace FileDrop
