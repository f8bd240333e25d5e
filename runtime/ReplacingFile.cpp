#include "runtime/ReplacingFile.h"

#include "runtime/DisplayText.h"

#include <QFileInfo>

#include <utility>

using SystemFiles::Kind;

ReplacingFile::ReplacingFile(QString path, Links links, Existing existing)
    : m_path(std::move(path)), m_links(links), m_existing(existing)
{}

ReplacingFile::~ReplacingFile()
{
    discardTemporary();
    // Nothing left to tell: a kept earlier file is only in the way now.
    QString ignored;
    if (!m_earlierPath.isEmpty())
        SystemFiles::removeFile(m_earlierPath, ignored);
}

Outcome ReplacingFile::check(const QString& path, Links links)
{
    if (Outcome usable = SystemFiles::checkPath(path); usable.failed())
        return usable;
    const QString target = links == Links::Follow ? SystemFiles::resolveLinks(path) : path;
    const Kind kind = SystemFiles::kindOf(target, false);
    if (kind == Kind::Regular && SystemFiles::isReadOnly(target))
        return Outcome::failure(isReadOnly());
    return checkKind(kind, Links::Replace);
}

// Refused rather than replaced: the attribute is the user's way to keep a file,
// and a replaced file would not carry it on.
QString ReplacingFile::isReadOnly()
{
    return tr("The file is read-only.");
}

Outcome ReplacingFile::checkKind(Kind kind, Links links)
{
    switch (kind) {
    case Kind::Folder:
        return Outcome::failure(tr("This is a folder, not a file."));
    case Kind::Other:
        return Outcome::failure(tr("This is not a regular file."));
    case Kind::Link:
        // Where links are followed, a link at the resolved target appeared since.
        if (links == Links::Follow)
            return Outcome::failure(tr("This is not a regular file."));
        break;
    case Kind::Missing:
    case Kind::Regular:
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
    if (Outcome replaceable = checkKind(kind, m_links); replaceable.failed())
        return replaceable;
    if (kind == Kind::Regular && SystemFiles::isReadOnly(m_target))
        return Outcome::failure(isReadOnly());
    if (m_existing == Existing::Keep && kind != Kind::Missing) {
        m_foundExisting = true;
        return Outcome::failure(tr("It already exists."));
    }
    // What the rename replaces: the entry at the target, whatever it is.
    if (!m_inputs.isEmpty()) {
        const QList<FileIdentity> identities =
            FileIdentity::allOf(m_target, FileIdentity::LastLink::Keep);
        for (const QSet<FileIdentity>& inputs : std::as_const(m_inputs)) {
            if (FileIdentity::anyOf(identities, inputs))
                return Outcome::failure(isAnInput());
        }
    }
    return Outcome::done();
}

ReplacingFile::OpenStatus ReplacingFile::open()
{
    if (const Outcome usable = SystemFiles::checkPath(m_path); usable.failed()) {
        m_error = usable.reason();
        return OpenStatus::Refused;
    }
    m_target = m_links == Links::Follow ? SystemFiles::resolveLinks(m_path) : m_path;
    if (const Outcome replaceable = checkTarget(SystemFiles::kindOf(m_target, false));
        replaceable.failed()) {
        m_error = replaceable.reason();
        return OpenStatus::Refused;
    }

    const SystemFiles::CreateResult created = SystemFiles::createTemporaryIn(folder());
    if (created.handle == SystemFiles::kNoHandle) {
        fail(created.error);
        return OpenStatus::Failed;
    }
    m_handle = created.handle;
    m_temporaryPath = created.path;
    QString error;
    if (!SystemFiles::copyPermissions(m_handle, m_target, error) ||
        !m_file->open(m_handle, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        fail(error.isEmpty() ? m_file->errorString() + QLatin1Char('.') : error);
        return OpenStatus::Failed;
    }
    return OpenStatus::Opened;
}

bool ReplacingFile::commit()
{
    return finishWriting() && replaceTarget() && syncFolder();
}

bool ReplacingFile::finishWriting(DataSync sync)
{
    if (!m_file->flush() || m_file->error() != QFileDevice::NoError)
        return fail(m_file->errorString() + QLatin1Char('.'));
    m_file = std::make_unique<QFile>();
    QString error;
    if (sync == DataSync::Now && !SystemFiles::syncData(m_handle, error))
        return fail(error);
    if (m_temporaryPath.isEmpty()) {
        const QString name = SystemFiles::temporaryNameIn(folder());
        if (!SystemFiles::nameUnnamed(m_handle, name, error))
            return fail(error);
        m_temporaryPath = name;
    }
    const SystemFiles::Handle handle = std::exchange(m_handle, SystemFiles::kNoHandle);
    return SystemFiles::closeHandle(handle, error) || fail(error);
}

bool ReplacingFile::replaceTarget(bool keepEarlier)
{
    // Looked at again just before: what stands there may have changed while writing.
    const Kind kind = SystemFiles::kindOf(m_target, false);
    if (const Outcome replaceable = checkTarget(kind); replaceable.failed())
        return fail(replaceable.reason());
    if (keepEarlier && kind != Kind::Missing && !moveEarlierAside())
        return false;
    if (!putInPlace())
        return false;
    m_temporaryPath.clear();
    m_replaced = true;
    return true;
}

bool ReplacingFile::moveEarlierAside()
{
    const QString earlier = SystemFiles::temporaryNameIn(folder());
    QString error;
    bool noHardLinks = false;
    if (SystemFiles::hardLink(m_target, earlier, noHardLinks, error)) {
        m_earlierPath = earlier;
        return true;
    }
    if (!noHardLinks)
        return fail(error);
    // Without hard links the earlier file is moved aside, and back if the new
    // one cannot take its place.
    if (!SystemFiles::replace(m_target, earlier, error))
        return fail(error);
    m_earlierPath = earlier;
    m_earlierMoved = true;
    return true;
}

bool ReplacingFile::putInPlace()
{
    QString error;
    bool existed = false;
    const bool placed =
        m_existing == Existing::Keep
            ? SystemFiles::renameNoReplace(m_temporaryPath, m_target, existed, error)
            : SystemFiles::replace(m_temporaryPath, m_target, error);
    if (placed)
        return true;
    if (existed) {
        m_foundExisting = true;
        error = tr("It already exists.");
    }
    if (m_earlierMoved) {
        QString restoreError;
        if (SystemFiles::replace(m_earlierPath, m_target, restoreError)) {
            m_earlierPath.clear();
        } else {
            error += QLatin1Char(' ') +
                     tr("The earlier file could not be put back and is kept as %1: %2")
                         .arg(DisplayText::displayPath(m_earlierPath), restoreError);
            // Kept, not removed with this object: it is the only copy.
            m_earlierPath.clear();
        }
        m_earlierMoved = false;
    }
    return fail(error);
}

bool ReplacingFile::restoreEarlier()
{
    if (!m_replaced)
        return true;
    QString error;
    const bool restored = m_earlierPath.isEmpty()
                              ? SystemFiles::removeFile(m_target, error)
                              : SystemFiles::replace(m_earlierPath, m_target, error);
    if (!restored)
        return fail(error);
    m_earlierPath.clear();
    m_replaced = false;
    return true;
}

bool ReplacingFile::syncFolder()
{
    QString error;
    // The replacement is final now: the earlier file kept aside goes first, so
    // that the sync also makes its removal last.
    if (!m_earlierPath.isEmpty() && SystemFiles::removeFile(m_earlierPath, error))
        m_earlierPath.clear();
    if (SystemFiles::syncFolder(folder(), error))
        return true;
    m_error = tr("The new file is in place, but its folder could not be synced to disk, so a "
                 "power cut may still undo it: %1")
                  .arg(error);
    return false;
}

bool ReplacingFile::fail(const QString& reason)
{
    m_error = reason;
    discardTemporary();
    return false;
}

void ReplacingFile::discardTemporary()
{
    m_file = std::make_unique<QFile>();
    // The step that failed has its reason already.
    QString ignored;
    if (m_handle != SystemFiles::kNoHandle)
        SystemFiles::closeHandle(std::exchange(m_handle, SystemFiles::kNoHandle), ignored);
    if (!m_temporaryPath.isEmpty())
        SystemFiles::removeFile(std::exchange(m_temporaryPath, QString()), ignored);
}

QString ReplacingFile::folder() const
{
    return QFileInfo(m_target).path();
}
