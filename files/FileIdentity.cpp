#include "files/FileIdentity.h"

#include <algorithm>

namespace {

// The last separator of a path, or -1.
qsizetype lastSeparator(const QString& path)
{
#ifdef Q_OS_WIN
    return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
#else
    return path.lastIndexOf(QLatin1Char('/'));
#endif
}

} // namespace

std::optional<std::pair<QString, QString>> FileIdentity::folderAndName(const QString& target)
{
    const qsizetype separator = lastSeparator(target);
    const QString name = target.mid(separator + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return std::nullopt;
    QString folder = separator < 0 ? QStringLiteral(".") : target.left(separator);
    if (folder.isEmpty())
        folder = QStringLiteral("/");
#ifdef Q_OS_WIN
    // "C:" alone is the current folder of drive C, not its root.
    if (folder.endsWith(QLatin1Char(':')))
        folder += QLatin1Char('\\');
#endif
    return std::pair{folder, name};
}

std::optional<FileIdentity> FileIdentity::ofPath(const QString& path, LastLink lastLink)
{
    if (path.isEmpty() || SystemFiles::checkPath(path).failed())
        return std::nullopt;
    const QString target = lastLink == LastLink::Follow ? SystemFiles::resolveLinks(path) : path;
    if (const std::optional<SystemFiles::FileId> id = SystemFiles::idOfPath(target, false))
        return FileIdentity(*id, QString());

    // Nothing there yet: the system finds the folder first (links, then ".."),
    // so the folder is asked for its identity as the system reaches it.
    const auto place = folderAndName(target);
    if (!place)
        return std::nullopt;
    const auto& [folder, name] = *place;
    const std::optional<SystemFiles::FileId> folderId = SystemFiles::idOfPath(folder, true);
    if (!folderId)
        return std::nullopt;
    return FileIdentity(*folderId, SystemFiles::mayFoldCase(folder) ? name.toCaseFolded() : name);
}

QList<FileIdentity> FileIdentity::allOf(const QString& path, LastLink lastLink)
{
    QList<FileIdentity> identities;
    const std::optional<FileIdentity> own = ofPath(path, lastLink);
    if (!own)
        return identities;
    identities << *own;
    if (!own->exists())
        return identities;
    const QString target = lastLink == LastLink::Follow ? SystemFiles::resolveLinks(path) : path;
    const auto place = folderAndName(target);
    if (!place || !SystemFiles::mayFoldCase(place->first))
        return identities;
    if (const std::optional<SystemFiles::FileId> folderId =
            SystemFiles::idOfPath(place->first, true))
        identities << FileIdentity(*folderId, place->second.toCaseFolded());
    return identities;
}

QSet<FileIdentity> FileIdentity::ofInput(SystemFiles::Handle handle, const QString& path)
{
    const QList<FileIdentity> names = allOf(path, LastLink::Follow);
    QSet<FileIdentity> identities(names.cbegin(), names.cend());
    if (const std::optional<FileIdentity> opened = ofOpenFile(handle))
        identities << *opened;
    return identities;
}

std::optional<qsizetype> InputFiles::reachedBy(const QList<FileIdentity>& output) const
{
    std::optional<qsizetype> reached;
    for (const FileIdentity& identity : output) {
        const auto input = m_inputs.constFind(identity);
        if (input != m_inputs.cend() && (!reached || *input > *reached))
            reached = *input;
    }
    return reached;
}

std::optional<FileIdentity> FileIdentity::ofOpenFile(SystemFiles::Handle handle)
{
    if (const std::optional<SystemFiles::FileId> id = SystemFiles::idOfHandle(handle))
        return FileIdentity(*id, QString());
    return std::nullopt;
}
