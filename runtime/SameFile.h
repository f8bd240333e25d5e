#pragma once

#include <QString>

namespace SameFile {

// True when both paths name one existing file, also through a symbolic link or
// a hard link. Two paths of which either does not exist are never the same file.
bool isSameExistingFile(const QString& first, const QString& second);

} // namespace SameFile
