#include "files/PrivateFolder.h"

#include "files/DisplayText.h"
#include "files/SystemFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMutex>
#include <QSet>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

const char* const kOwnerLock = ".owner";

// A lock held for as long as its process runs, and only so: a lock whose process is gone is
// stale at once, whatever its age.
std::unique_ptr<QLockFile> ownerLock(const QString& folder)
{
    auto lock = std::make_unique<QLockFile>(folder + QLatin1Char('/') + QLatin1String(kOwnerLock));
    lock->setStaleLockTime(0);
    return lock->tryLock(0) ? std::move(lock) : nullptr;
}

// The folders that exist now, for removal at exit(), which destroys no object.
struct LiveFolders
{
    QMutex mutex;
    QSet<PrivateFolder*> folders;
};

LiveFolders& liveFolders()
{
    static LiveFolders live;
    return live;
}

extern "C" void removeLiveFolders()
{
    LiveFolders& live = liveFolders();
    const QMutexLocker lock(&live.mutex);
    for (PrivateFolder* folder : std::as_const(live.folders))
        folder->remove();
}

void track(PrivateFolder* folder, bool alive)
{
    LiveFolders& live = liveFolders();
    const QMutexLocker lock(&live.mutex);
    [[maybe_unused]] static const bool registered = std::atexit(removeLiveFolders) == 0;
    if (alive)
        live.folders.insert(folder);
    else
        live.folders.remove(folder);
}

} // namespace

PrivateFolder::PrivateFolder() = default;

PrivateFolder::~PrivateFolder()
{
    track(this, false);
    remove();
}

Outcome PrivateFolder::create(const QString& prefix)
{
    // Qt gives no path for a temporary folder that does not exist.
    const QString temporary = QDir::tempPath();
    if (temporary.isEmpty() || !QFileInfo(temporary).isDir()) {
        const bool named = qEnvironmentVariableIsSet("TMPDIR");
        QString reason =
            tr("The temporary folder %1 does not exist.")
                .arg(DisplayText::displayPath(named ? qEnvironmentVariable("TMPDIR") : temporary));
        if (named)
            reason += QLatin1Char(' ') + tr("It is the folder that TMPDIR names.");
        return Outcome::failure(reason);
    }
    if (Outcome safe = SystemFiles::checkNoOtherWriters(temporary); safe.failed())
        return safe;
    QTemporaryDir folder(temporary + QLatin1Char('/') + prefix + QStringLiteral("-XXXXXX"));
    if (!folder.isValid())
        return Outcome::failure(folder.errorString() + QLatin1Char('.'));
    m_owner = ownerLock(folder.path());
    if (!m_owner)
        return Outcome::failure(tr("The folder %1 cannot be locked for this program.")
                                    .arg(DisplayText::displayPath(folder.path())));
    folder.setAutoRemove(false);
    m_path = folder.path();
    track(this, true);
    return Outcome::done();
}

void PrivateFolder::removeAbandoned(const QString& prefix)
{
    // Where other users may rename a folder, one of ours could be swapped for a link to the
    // user's own files between the look and the removal: nothing is swept there.
    const QDir temporary(QDir::tempPath());
    if (SystemFiles::checkNoOtherWriters(temporary.path()).failed())
        return;
    const QStringList folders = temporary.entryList(
        {prefix + QStringLiteral("-??????")}, QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QString& name : folders) {
        const QString folder = temporary.filePath(name);
        // Another user's folder is theirs, whatever it holds; in a sticky temporary folder
        // only this user may rename one of this user's.
        if (!SystemFiles::isOwnFolder(folder) ||
            !QFileInfo::exists(folder + QLatin1Char('/') + QLatin1String(kOwnerLock)))
            continue;
        // Taken only from a process that is gone; a second instance sweeping at the same time
        // finds it taken.
        std::unique_ptr<QLockFile> owner = ownerLock(folder);
        if (!owner)
            continue;
        // Files and links alone, links never followed: a folder inside is not ours and stays.
        const QDir entries(folder);
        for (const QFileInfo& entry : entries.entryInfoList(QDir::AllEntries | QDir::Hidden |
                                                            QDir::System | QDir::NoDotAndDotDot)) {
            if ((entry.isSymLink() || !entry.isDir()) &&
                entry.fileName() != QLatin1String(kOwnerLock))
                QFile::remove(entry.filePath());
        }
        owner.reset();
        QDir().rmdir(folder);
    }
}

QString PrivateFolder::filePath(const QString& name)
{
    QString file = m_path + QLatin1Char('/') + name;
    m_files << file;
    return file;
}

void PrivateFolder::remove()
{
    if (m_path.isEmpty())
        return;
    for (const QString& file : std::as_const(m_files))
        QFile::remove(file);
    m_files.clear();
    m_owner.reset();
    QDir().rmdir(std::exchange(m_path, QString()));
}
