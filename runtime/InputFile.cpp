#include "runtime/InputFile.h"

#include "runtime/SystemFiles.h"

std::optional<QString> InputFile::open(QFile& file, const QString& path)
{
    if (std::optional<QString> problem = SystemFiles::pathProblem(path))
        return problem;
    const SystemFiles::OpenResult opened = SystemFiles::openForReading(path);
    if (!opened.error.isEmpty())
        return opened.error;
    switch (opened.kind) {
    case SystemFiles::Kind::Missing:
        return tr("The file does not exist.");
    case SystemFiles::Kind::Folder:
        return tr("This is a folder, not a file.");
    case SystemFiles::Kind::Link:
    case SystemFiles::Kind::Other:
        return tr("This is not a regular file.");
    case SystemFiles::Kind::Regular:
        break;
    }
    if (!file.open(opened.handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        QString ignored;
        SystemFiles::closeHandle(opened.handle, ignored);
        return file.errorString() + QLatin1Char('.');
    }
    return std::nullopt;
}
