// The operations that the C++ standard library makes portable, and those that
// only Linux has, as they are everywhere else.
#include "files/SystemFiles.h"

#include <QFile>
#include <QRandomGenerator>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace SystemFiles {

namespace {
// A path as the system spells it, never through a locale: QFile's bytes, or UTF-16 on Windows.
fs::path toFsPath(const QString& path)
{
#ifdef Q_OS_WIN
    return fs::path(path.toStdWString());
#else
    return fs::path(QFile::encodeName(path).toStdString());
#endif
}

QString fromFsPath(const fs::path& path)
{
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

Outcome outcomeOf(const std::error_code& code)
{
    return code ? Outcome::failure(QString::fromStdString(code.message()) + QLatin1Char('.'))
                : Outcome::done();
}
} // namespace

Kind kindOf(const QString& path, bool followLinks)
{
    std::error_code code;
    const fs::file_status status =
        followLinks ? fs::status(toFsPath(path), code) : fs::symlink_status(toFsPath(path), code);
    switch (status.type()) {
    case fs::file_type::not_found:
    case fs::file_type::none:
        return Kind::Missing;
    case fs::file_type::regular:
        return Kind::Regular;
    case fs::file_type::directory:
        return Kind::Folder;
    case fs::file_type::symlink:
        return Kind::Link;
    default:
        return Kind::Other;
    }
}

QString resolveLinks(const QString& path)
{
    fs::path resolved = toFsPath(path);
    // After 40 links the chain counts as a loop, as on Linux.
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code code;
        if (!fs::is_symlink(fs::symlink_status(resolved, code)))
            break;
        const fs::path target = fs::read_symlink(resolved, code);
        if (code)
            break;
        resolved = target.is_absolute() ? target : resolved.parent_path() / target;
    }
    return fromFsPath(resolved);
}

QString temporaryNameIn(const QString& folder)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString name = folder + QStringLiteral("/.tvk-");
    for (int i = 0; i < 8; ++i)
        name +=
            QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)]);
    return name;
}

Outcome hardLink(const QString& existing, const QString& newPath, bool& unsupported)
{
    std::error_code code;
    fs::create_hard_link(toFsPath(existing), toFsPath(newPath), code);
    // EPERM is what Linux's FAT and exFAT answer; EMLINK a file with too many names.
    unsupported = code == std::errc::operation_not_permitted ||
                  code == std::errc::operation_not_supported ||
                  code == std::errc::function_not_supported || code == std::errc::too_many_links;
    return outcomeOf(code);
}

Outcome removeFile(const QString& path)
{
    std::error_code code;
    fs::remove(toFsPath(path), code);
    return outcomeOf(code);
}

#ifndef Q_OS_LINUX
bool canSyncFileSystems()
{
    return false;
}

Outcome syncFileSystems(const QStringList&)
{
    return outcomeOf(std::make_error_code(std::errc::function_not_supported));
}

CopyResult kernelCopy(Handle, qint64, Handle, qint64, qint64, const CopyProgress&)
{
    return {CopyResult::Status::NotInKernel, 0};
}

// Windows and macOS fold case by default, and other systems are not known to tell it apart.
bool mayFoldCase(const QString&)
{
    return true;
}
#endif

} // namespace SystemFiles
