#include "tests/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QtEndian>

#include <zlib.h>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace TestFiles {

bool write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

QByteArray read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool clearFolder(const QString& folder)
{
    for (const QString& entry : entries(folder)) {
        const QString path = QDir(folder).filePath(entry);
        if (!QFile::remove(path) && !QDir(path).removeRecursively())
            return false;
    }
    return true;
}

SmallDisk::SmallDisk(qsizetype size)
{
    m_mounted = m_mountPoint.isValid() &&
                QProcess::execute(QStringLiteral("mount"),
                                  {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                   QStringLiteral("-o"), QStringLiteral("size=%1").arg(size),
                                   QStringLiteral("tmpfs"), m_mountPoint.path()}) == 0;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        QProcess::execute(QStringLiteral("umount"), {m_mountPoint.path()});
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QMap<QString, QByteArray> tree(const QString& folder)
{
    QMap<QString, QByteArray> found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry(it.next());
        const QString name = QDir(folder).relativeFilePath(entry.filePath());
        if (entry.isSymLink())
            found.insert(name, "-> " + QFile::encodeName(entry.symLinkTarget()));
        else
            found.insert(name, entry.isDir() ? QByteArray("/") : read(entry.filePath()));
    }
    return found;
}

} // namespace TestFiles

namespace TestPictures {

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray pngChunk(const QByteArray& type, const QByteArray& data)
{
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), chunk.data());
    const QByteArray checked = type + data;
    chunk += checked + QByteArray(4, '\0');
    qToBigEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef*>(checked.constData()),
                                        uInt(checked.size()))),
                          chunk.data() + chunk.size() - 4);
    return chunk;
}

} // namespace TestPictures

namespace TestProcess {

QString text(const QByteArray& bytes)
{
    QString read = QString::fromUtf8(bytes);
#ifdef Q_OS_WIN
    read.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
    return read;
}

Result run(const QString& program, const QStringList& arguments, const QString& folder,
           const QStringList& environment, qint64 dataLimit)
{
    QProcess process;
#ifdef Q_OS_UNIX
    if (dataLimit > 0) {
        process.setChildProcessModifier([dataLimit] {
            const rlimit limit{rlim_t(dataLimit), rlim_t(dataLimit)};
            setrlimit(RLIMIT_DATA, &limit);
        });
    }
#else
    Q_UNUSED(dataLimit);
#endif
    process.setWorkingDirectory(folder);
    process.setEnvironment(QProcess::systemEnvironment() + environment);
    process.start(program, arguments);
    // Long enough for any command here, short enough to fail a hang within the test's time.
    if (!process.waitForFinished(20000))
        return {};
    const QByteArray out = process.readAllStandardOutput();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, text(out),
            text(process.readAllStandardError()), out};
}

} // namespace TestProcess
