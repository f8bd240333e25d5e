#include "files/FileIdentity.h"

#include <QDir>

QList<FileIdentity> FileIdentity::allOf(const QString& path, LastLink lastLink)
{
    if (path.isEmpty() || SystemFiles::checkPath(path).failed())
        return {};
    const QString plain = SystemFiles::plainPath(path);
    const QString target = lastLink == LastLink::Follow ? SystemFiles::resolveLinks(plain) : plain;
    QList<FileIdentity> identities;
    const std::optional<SystemFiles::FileId> id = SystemFiles::idOfPath(target, false);
    if (id)
        identities << FileIdentity(*id, QString());
    const qsizetype separator = QDir::fromNativeSeparators(target).lastIndexOf(QLatin1Char('/'));
    const QString name = target.mid(separator + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return identities;
    QString folder = separator < 0 ? QStringLiteral(".") : target.left(separator);
    if (folder.isEmpty())
        folder = QStringLiteral("/");
#ifdef Q_OS_WIN
    // "C:" alone is the current folder of drive C, not its root.
    if (folder.endsWith(QLatin1Char(':')))
        folder += QLatin1Char('\\');
#endif
    // The folder's identity as the system reaches it (links, then ".."), with the name there,
    // folded where case may fold.
    const bool foldsCase = SystemFiles::mayFoldCase(folder);
    if (id && !foldsCase)
        return identities;
    if (const std::optional<SystemFiles::FileId> folderId = SystemFiles::idOfPath(folder, true))
        identities << FileIdentity(*folderId, foldsCase ? name.toCaseFolded() : name);
    return identities;
}

QSet<FileIdentity> FileIdentity::ofInput(SystemFiles::Handle handle, const QString& path)
{
    const QList<FileIdentity> names = allOf(path, LastLink::Follow);
    QSet<FileIdentity> identities(names.cbegin(), names.cend());
    if (const std::optional<SystemFiles::FileId> opened = SystemFiles::idOfHandle(handle))
        identities << FileIdentity(*opened, QString());
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
