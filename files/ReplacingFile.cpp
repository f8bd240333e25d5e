#include "files/ReplacingFile.h"

#include "files/DisplayText.h"

#include <QFileInfo>

#include <utility>

using SystemFiles::Kind;

ReplacingFile::~ReplacingFile()
{
    discardTemporary();
    // Nothing left to tell: a kept earlier file is only in the way now.
    if (!m_earlierPath.isEmpty())
        (void)SystemFiles::removeFile(m_earlierPath);
}

Outcome ReplacingFile::check(const QString& path, Links links)
{
    if (Outcome usable = SystemFiles::checkPath(path); usable.failed())
        return usable;
    const QString plain = SystemFiles::plainPath(path);
    const QString target = links == Links::Follow ? SystemFiles::resolveLinks(plain) : plain;
    return checkKind(target, SystemFiles::kindOf(target, false), Links::NoFollow);
}

Outcome ReplacingFile::checkKind(const QString& target, Kind kind, Links links)
{
    switch (kind) {
    case Kind::Folder:
        return Outcome::failure(tr("This is a folder, not a file."));
    case Kind::Link:
        // Where links are followed, a link at the resolved target appeared since.
        if (links == Links::NoFollow)
            break;
        [[fallthrough]];
    case Kind::Other:
        return Outcome::failure(tr("This is not a regular file."));
    case Kind::Missing:
        break;
    case Kind::Regular:
        // Windows' read-only attribute is the user's way to keep a file; a replacement loses it.
        if (SystemFiles::isReadOnly(target))
            return Outcome::failure(tr("The file is read-only."));
        break;
    }
    return Outcome::done();
}

QString ReplacingFile::isAnInput()
{
    return tr("It is also a file that is being read.");
}

Outcome ReplacingFile::checkTarget(Kind kind)
{
    if (Outcome replaceable = checkKind(m_target, kind, m_links); replaceable.failed())
        return replaceable;
    if (m_existing == Existing::Keep && kind != Kind::Missing) {
        m_foundExisting = true;
        return Outcome::failure(tr("It already exists."));
    }
    // What the rename replaces: the entry at the target, whatever it is.
    if (!m_inputs.isEmpty()) {
        const QList<FileIdentity> identities =
            FileIdentity::allOf(m_target, FileIdentity::LastLink::Keep);
        for (const InputFiles& inputs : std::as_const(m_inputs)) {
            if (inputs.reachedBy(identities))
                return Outcome::failure(isAnInput());
        }
    }
    return Outcome::done();
}

Outcome ReplacingFile::open()
{
    if (Outcome usable = SystemFiles::checkPath(m_path); usable.failed())
        return Outcome::refusal(usable.reason());
    m_target = m_links == Links::Follow ? SystemFiles::resolveLinks(m_path) : m_path;
    if (Outcome replaceable = checkTarget(SystemFiles::kindOf(m_target, false));
        replaceable.failed())
        return Outcome::refusal(replaceable.reason());

    Result<SystemFiles::CreatedFile> created = SystemFiles::createTemporaryIn(folder());
    if (created.failed())
        return failed(created.outcome());
    m_handle = created->handle;
    m_temporaryPath = created->path;
    if (Outcome permitted = SystemFiles::copyPermissions(m_handle, m_target); permitted.failed())
        return failed(permitted);
    if (!m_file->open(m_handle, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        return failed(Outcome::failure(m_file->errorString() + QLatin1Char('.')));
    return Outcome::done();
}

Outcome ReplacingFile::finishWriting(DataSync sync)
{
    if (!m_file->flush() || m_file->error() != QFileDevice::NoError)
        return failed(Outcome::failure(m_file->errorString() + QLatin1Char('.')));
    m_file = std::make_unique<QFile>();
    if (sync == DataSync::Now) {
        if (Outcome synced = SystemFiles::syncData(m_handle); synced.failed())
            return failed(synced);
    }
    if (m_temporaryPath.isEmpty()) {
        const QString name = SystemFiles::temporaryNameIn(folder());
        if (Outcome named = SystemFiles::nameUnnamed(m_handle, name); named.failed())
            return failed(named);
        m_temporaryPath = name;
    }
    const Outcome closed =
        SystemFiles::closeHandle(std::exchange(m_handle, SystemFiles::kNoHandle));
    return closed.failed() ? failed(closed) : closed;
}

Outcome ReplacingFile::replaceTarget(bool keepEarlier)
{
    // Looked at again just before: what stands there may have changed while writing.
    const Kind kind = SystemFiles::kindOf(m_target, false);
    if (Outcome replaceable = checkTarget(kind); replaceable.failed())
        return failed(replaceable);
    if (keepEarlier && kind != Kind::Missing) {
        const QString earlier = SystemFiles::temporaryNameIn(folder());
        bool noHardLinks = false;
        Outcome aside = SystemFiles::hardLink(m_target, earlier, noHardLinks);
        // Without hard links it is moved aside, and back if the new one cannot take its place.
        if (noHardLinks) {
            aside = SystemFiles::renameOver(m_target, earlier);
            m_earlierMoved = aside.isDone();
        }
        if (aside.failed())
            return failed(aside);
        m_earlierPath = earlier;
    }
    bool existed = false;
    const Outcome placed = m_existing == Existing::Keep
                               ? SystemFiles::renameNoReplace(m_temporaryPath, m_target, existed)
                               : SystemFiles::renameOver(m_temporaryPath, m_target);
    if (placed.isDone()) {
        m_temporaryPath.clear();
        m_replaced = true;
        return Outcome::done();
    }
    QString error = placed.reason();
    if (existed) {
        m_foundExisting = true;
        error = tr("It already exists.");
    }
    if (m_earlierMoved) {
        if (const Outcome restored = SystemFiles::renameOver(m_earlierPath, m_target);
            restored.failed()) {
            error += QLatin1Char(' ') +
                     tr("The earlier file could not be put back and is kept as %1: %2")
                         .arg(DisplayText::displayPath(m_earlierPath), restored.reason());
        }
        // Back in place, or kept rather than removed with this object: it is the only copy.
        m_earlierPath.clear();
        m_earlierMoved = false;
    }
    return failed(Outcome::failure(error));
}

Outcome ReplacingFile::restoreEarlier()
{
    if (!m_replaced)
        return Outcome::done();
    const Outcome restored = m_earlierPath.isEmpty()
                                 ? SystemFiles::removeFile(m_target)
                                 : SystemFiles::renameOver(m_earlierPath, m_target);
    if (restored.failed())
        return failed(restored);
    m_earlierPath.clear();
    m_replaced = false;
    return Outcome::done();
}

Outcome ReplacingFile::syncFolder()
{
    // Final now: a kept earlier file goes first, so that the sync makes its removal last too.
    if (!m_earlierPath.isEmpty() && SystemFiles::removeFile(m_earlierPath).isDone())
        m_earlierPath.clear();
    const Outcome synced = SystemFiles::syncFolder(folder());
    if (synced.isDone())
        return Outcome::done();
    return Outcome::failure(tr("The new file is in place, but its folder could not be synced to "
                               "disk, so a power cut may still undo it: %1")
                                .arg(synced.reason()));
}

Outcome ReplacingFile::failed(Outcome failure)
{
    discardTemporary();
    return failure;
}

void ReplacingFile::discardTemporary()
{
    m_file = std::make_unique<QFile>();
    // The step that failed has its reason already.
    if (m_handle != SystemFiles::kNoHandle)
        (void)SystemFiles::closeHandle(std::exchange(m_handle, SystemFiles::kNoHandle));
    if (!m_temporaryPath.isEmpty())
        (void)SystemFiles::removeFile(std::exchange(m_temporaryPath, QString()));
}

QString ReplacingFile::folder() const
{
    return QFileInfo(m_target).path();
}
