#include "OpenPackage.h"

#include "CliSupport.h"

#include <QDir>
#include <QFileInfo>

std::optional<TvkContents> openPackage(QFile& file)
{
    const QString shown = QDir::toNativeSeparators(file.fileName());
    if (QFileInfo(file.fileName()).isDir()) {
        reportFailure(
            QStringLiteral("Cannot read file %1: This is a folder, not a file.").arg(shown));
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        reportFailure(QStringLiteral("Cannot read file %1: %2.").arg(shown, file.errorString()));
        return std::nullopt;
    }
    TvkReadResult result = TvkReader::read(file);
    if (!result.contents)
        reportFailure(QStringLiteral("%1 is not a valid TVK file: %2.").arg(shown, result.error));
    return result.contents;
}
