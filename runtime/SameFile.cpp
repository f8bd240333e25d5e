#include "runtime/SameFile.h"

#include "runtime/FsPath.h"

#include <system_error>

namespace SameFile {

bool isSameExistingFile(const QString& first, const QString& second)
{
    if (first.isEmpty() || second.isEmpty())
        return false;
    std::error_code error;
    const bool same = std::filesystem::equivalent(toFsPath(first), toFsPath(second), error);
    return !error && same;
}

} // namespace SameFile
