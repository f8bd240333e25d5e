#include "files/InputFile.h"

#include "files/SystemFiles.h"

Outcome InputFile::open(QFile& file, const QString& path)
{
    if (Outcome usable = SystemFiles::checkPath(path); usable.failed())
        return usable;
    const Result<SystemFiles::OpenedFile> opened =
        SystemFiles::openForReading(SystemFiles::plainPath(path));
    if (opened.failed())
        return opened.outcome();
    using SystemFiles::Kind;
    if (opened->kind != Kind::Regular) {
        return Outcome::failure(opened->kind == Kind::Missing  ? tr("The file does not exist.")
                                : opened->kind == Kind::Folder ? tr("This is a folder, not a file.")
                                                               : tr("This is not a regular file."));
    }
    if (!file.open(opened->handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        // Read-only: its close has nothing to lose.
        (void)SystemFiles::closeHandle(opened->handle);
        return Outcome::failure(file.errorString() + QLatin1Char('.'));
    }
    return Outcome::done();
}
