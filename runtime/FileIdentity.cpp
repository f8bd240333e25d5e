#include "runtime/FileIdentity.h"

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

// A name as the folder compares it: letter case does not tell names apart on
// the file systems of Windows and macOS.
QString comparableName(const QString& name)
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    return name.toCaseFolded();
#else
    return name;
#endif
}

} // namespace

std::optional<FileIdentity> FileIdentity::ofPath(const QString& path, LastLink lastLink)
{
    if (path.isEmpty() || SystemFiles::checkPath(path).failed())
        return std::nullopt;
    const QString target = lastLink == LastLink::Follow ? SystemFiles::resolveLinks(path) : path;
    if (const std::optional<SystemFiles::FileId> id = SystemFiles::idOfPath(target, false))
        return FileIdentity(*id, QString());

    // Nothing there yet: the system finds the folder first (links, then ".."),
    // so the folder is asked for its identity as the system reaches it.
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
    const std::optional<SystemFiles::FileId> folderId = SystemFiles::idOfPath(folder, true);
    if (!folderId)
        return std::nullopt;
    return FileIdentity(*folderId, comparableName(name));
}

std::optional<FileIdentity> FileIdentity::ofOpenFile(SystemFiles::Handle handle)
{
    if (const std::optional<SystemFiles::FileId> id = SystemFiles::idOfHandle(handle))
        return FileIdentity(*id, QString());
    return std::nullopt;
}
