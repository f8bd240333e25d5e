#include "tests/cli/CliFixture.h"

#include "cli/Commands.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QThread>
#include <QtEndian>

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN
constexpr auto descriptor = _fileno;
constexpr auto duplicate = _dup;
constexpr auto duplicateOnto = _dup2;
constexpr auto closeDescriptor = _close;
#else
constexpr auto descriptor = ::fileno;
constexpr auto duplicate = ::dup;
constexpr auto duplicateOnto = ::dup2;
constexpr auto closeDescriptor = ::close;
#endif

// Standard output or standard error written into a file while this lives: the
// descriptor itself, so whatever writes there is caught, as from a child.
class Captured
{
    Q_DISABLE_COPY_MOVE(Captured)

public:
    Captured(std::FILE* stream, const QString& path)
        : m_stream(stream), m_path(path), m_saved(duplicate(descriptor(stream)))
    {
#ifdef Q_OS_WIN
        m_file = _wfopen(reinterpret_cast<const wchar_t*>(path.utf16()), L"w+b");
#else
        m_file = std::fopen(QFile::encodeName(path).constData(), "w+b");
#endif
        std::fflush(m_stream);
        if (m_file != nullptr)
            duplicateOnto(descriptor(m_file), descriptor(m_stream));
    }

    ~Captured()
    {
        restore();
    }

    // Puts the stream back and returns what was written to it.
    QByteArray restore()
    {
        if (m_saved < 0)
            return {};
        std::fflush(m_stream);
        duplicateOnto(m_saved, descriptor(m_stream));
        closeDescriptor(m_saved);
        m_saved = -1;
        if (m_file != nullptr)
            std::fclose(m_file);
        return TestFiles::read(m_path);
    }

private:
    std::FILE* m_stream;
    QString m_path;
    int m_saved;
    std::FILE* m_file = nullptr;
};

} // namespace

QByteArray smallIco()
{
    return QByteArray::fromHex("0000 0100 0100" // header: type 1, one image
                                                // 16x16, 40 bytes at 22.
                               "10 10 00 00 0100 2000 28000000 16000000") +
           QByteArray(40, '\x7F');
}

QByteArray pngIco(const QList<QSize>& sizes)
{
    QByteArray directory = QByteArray::fromHex("0000 0100") + char(sizes.size()) + '\0';
    QByteArray images;
    qint32 offset = qint32(6 + 16 * sizes.size());
    for (const QSize& size : sizes) {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::darkCyan);
        const QByteArray png = TestPictures::encoded(image, "PNG");
        QByteArray entry(16, '\0');
        // A width or height of 256 is stored as 0.
        entry[0] = char(size.width() & 0xFF);
        entry[1] = char(size.height() & 0xFF);
        qToLittleEndian<quint16>(1, entry.data() + 4);
        qToLittleEndian<quint16>(32, entry.data() + 6);
        qToLittleEndian<qint32>(qint32(png.size()), entry.data() + 8);
        qToLittleEndian<qint32>(offset, entry.data() + 12);
        directory += entry;
        images += png;
        offset += qint32(png.size());
    }
    return directory + images;
}

CliFixture::Run CliFixture::tvk(const QStringList& arguments) const
{
    // Outside the test's folder, which tests compare before and after.
    static const QTemporaryDir captures;
    const QString here = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    Captured out(stdout, captures.filePath(QStringLiteral("out")));
    Captured err(stderr, captures.filePath(QStringLiteral("err")));
    const int status = Cli::runCommand(QStringList(QStringLiteral("tvk")) + arguments);
    const QByteArray outBytes = out.restore();
    const QByteArray errBytes = err.restore();
    QDir::setCurrent(here);
    return {status, TestProcess::text(outBytes), TestProcess::text(errBytes), outBytes};
}

CliFixture::Run CliFixture::tvkChild(const QStringList& arguments, const QStringList& environment,
                                     qint64 dataLimit) const
{
    return TestProcess::run(QStringLiteral(TVK_EXECUTABLE), arguments, m_dir.path(), environment,
                            dataLimit);
}

#ifdef TVK_FAILING_CALLS
namespace {
// What preloads inject/FailingCalls.cpp into a child, with `failure` added.
QStringList failingEnvironment(const QStringList& failure)
{
    // Under AddressSanitizer the preloaded library comes before its runtime.
    return QStringList{QStringLiteral("LD_PRELOAD=" TVK_FAILING_CALLS),
                       QStringLiteral("ASAN_OPTIONS=%1:verify_asan_link_order=0")
                           .arg(qEnvironmentVariable("ASAN_OPTIONS"))} +
           failure;
}
} // namespace
#endif

CliFixture::Run CliFixture::tvkFailing([[maybe_unused]] const QStringList& arguments,
                                       [[maybe_unused]] const QStringList& failure) const
{
#ifdef TVK_FAILING_CALLS
    return tvkChild(arguments, failingEnvironment(failure));
#else
    return {};
#endif
}

bool CliFixture::startPaused([[maybe_unused]] QProcess& process, [[maybe_unused]] const char* call,
                             [[maybe_unused]] const QStringList& arguments) const
{
#ifdef TVK_FAILING_CALLS
    process.setWorkingDirectory(m_dir.path());
    process.setEnvironment(
        QProcess::systemEnvironment() +
        failingEnvironment({QStringLiteral("TVK_PAUSE_CALL=%1").arg(QLatin1String(call))}));
    process.start(QStringLiteral(TVK_EXECUTABLE), arguments);
    if (!process.waitForStarted())
        return false;
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(path(QStringLiteral("paused"))) && !deadline.hasExpired())
        QThread::msleep(5);
    return !deadline.hasExpired();
#else
    return false;
#endif
}

CliFixture::Run CliFixture::pack(const QString& name, const QString& author, const QString& left,
                                 const QString& right, const QString& output) const
{
    return tvk({QStringLiteral("pack"), QStringLiteral("--name"), name, QStringLiteral("--author"),
                author, left, right, QStringLiteral("-o"), output});
}

bool CliFixture::packNewIcons() const
{
    return TestFiles::write(path(QStringLiteral("l.ico")), "new left") &&
           TestFiles::write(path(QStringLiteral("r.ico")), "new right") &&
           tvk("pack -n A -a B l.ico r.ico -o p.tvk").exitCode == 0;
}
