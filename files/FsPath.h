#pragma once

#include <QFile>
#include <QString>

#include <filesystem>

// A path as the system spells it: the bytes QFile uses on POSIX systems, UTF-16
// on Windows. Never converted through a locale.
inline std::filesystem::path toFsPath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

inline QString fromFsPath(const std::filesystem::path& path)
{
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}
