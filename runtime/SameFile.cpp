#include "SameFile.h"

#include <filesystem>
#include <system_error>

namespace {
std::filesystem::path toFsPath(const QString& path)
{
    return std::filesystem::path(path.toStdU16String());
}
} // namespace

bool isSameExistingFile(const QString& first, const QString& second)
{
    if (first.isEmpty() || second.isEmpty())
        return false;
    std::error_code error;
    const bool same = std::filesystem::equivalent(toFsPath(first), toFsPath(second), error);
    return !error && same;
}
