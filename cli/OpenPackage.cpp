#include "cli/OpenPackage.h"

#include "cli/CliSupport.h"

#include "runtime/DisplayText.h"
#include "runtime/InputFile.h"

std::optional<TvkContents> openPackage(QFile& file, const QString& path, qint64 textLimit)
{
    const QString reason = InputFile::open(file, path);
    if (!reason.isEmpty()) {
        reportFailure(QStringLiteral("Cannot read file %1: %2").arg(displayPath(path), reason));
        return std::nullopt;
    }
    TvkReadResult result = TvkReader::read(file, textLimit);
    if (!result.contents) {
        reportFailure(
            QStringLiteral("%1 is not a valid TVK file: %2.").arg(displayPath(path), result.error));
    }
    return result.contents;
}
