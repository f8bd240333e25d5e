#include "files/InputFile.h"

#include "files/SystemFiles.h"

Outcome InputFile::open(QFile& file, const QString& path)
{
    if (Outcome usable = SystemFiles::checkPath(path); usable.failed())
        return usable;
    const Result<SystemFiles::OpenedFile> opened = SystemFiles::openForReading(path);
    if (opened.failed())
        return opened.outcome();
    switch (opened->kind) {
    case SystemFiles::Kind::Missing:
        return Outcome::failure(tr("The file does not exist."));
    case SystemFiles::Kind::Folder:
        return Outcome::failure(tr("This is a folder, not a file."));
    case SystemFiles::Kind::Link:
    case SystemFiles::Kind::Other:
        return Outcome::failure(tr("This is not a regular file."));
    case SystemFiles::Kind::Regular:
        break;
    }
    if (!file.open(opened->handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        // Read-only: its close has nothing to lose.
        (void)SystemFiles::closeHandle(opened->handle);
        return Outcome::failure(file.errorString() + QLatin1Char('.'));
    }
    return Outcome::done();
}
