#include "cli/OpenPackage.h"

#include "cli/CliSupport.h"

#include "runtime/DisplayText.h"
#include "runtime/InputFile.h"

namespace Cli {

std::optional<TvkContents> openPackage(QFile& file, const QString& path, qint64 textLimit)
{
    if (const Outcome opened = InputFile::open(file, path); opened.failed()) {
        reportCannotRead(path, opened.reason());
        return std::nullopt;
    }
    TvkReadResult result = TvkReader::read(file, textLimit);
    if (!result.contents) {
        reportFailure(QStringLiteral("%1 is not a TVK file: %2.")
                          .arg(DisplayText::displayPath(path), result.error));
    }
    return result.contents;
}

} // namespace Cli
