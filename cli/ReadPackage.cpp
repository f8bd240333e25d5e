#include "cli/ReadPackage.h"

#include "cli/CliSupport.h"

#include "files/DisplayText.h"
#include "files/InputFile.h"

namespace Cli {

std::optional<TvkContents> readPackage(QFile& file, const QString& path, qint64 textLimit)
{
    if (const Outcome opened = InputFile::open(file, path); opened.failed()) {
        reportCannotRead(path, opened.reason());
        return std::nullopt;
    }
    Result<TvkContents> read = TvkReader::read(file, textLimit);
    if (read.failed()) {
        reportFailure(QStringLiteral("%1 is not a TVK file: %2.")
                          .arg(DisplayText::displayPath(path), read.reason()));
        return std::nullopt;
    }
    return std::move(read).value();
}

} // namespace Cli
