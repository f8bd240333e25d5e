#include "files/PrivateFolder.h"

#include "files/DisplayText.h"
#include "files/SystemFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

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
    folder.setAutoRemove(false);
    m_path = folder.path();
    track(this, true);
    return Outcome::done();
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
    QDir().rmdir(std::exchange(m_path, QString()));
}
