#pragma once

#include "files/FileIdentity.h"
#include "format/TvkReader.h"
#include "host/Interruption.h"
#include "package/PackageRequest.h"

#include <QCommandLineParser>
#include <QFile>
#include <QString>

#include <optional>

// What every `tvk` command shares: its exit statuses and how it reports.
namespace Cli {

enum ExitStatus
{
    Success = 0,
    // Input refused, file invalid, or an operation failed.
    Failure = 1,
    UsageError = 2,
};

// Prints the text on standard error as one line (shown right on any terminal);
// reportFailure after "tvk: ", and returns Failure.
void reportLine(QString text);
int reportFailure(const QString& message);

// "Cannot read file X: reason" and "Cannot write file X: reason"; return Failure.
int reportCannotRead(const QString& path, const QString& reason);
int reportCannotWrite(const QString& path, const QString& reason);

// Prints the parser's complaint and where to find help; returns UsageError.
int reportUsageError(QString message, const QString& command);

// Whether a signal asked the program to stop. A command that writes checks it as it goes and
// returns Failure having removed what it made; the program ends with the signal's exit status.
inline bool interrupted()
{
    return Interruption::received() != 0;
}

// Whether --help or --help-all was given: tvk has no options of Qt's own to show.
bool helpAsked(const QCommandLineParser& parser);

// Prints the parser's help under the usage line given, then the epilog; returns Success.
int showHelp(const QCommandLineParser& parser, const QString& usage, const QString& epilog);

// How far writeWhole() waits for a new file to be on disk.
enum class Durability
{
    // Synced before it replaces the earlier file, and its folder after: what the user made.
    Synced,
    // Replaced in one step, but not waited onto the disk: what can be made again (thumbnails).
    Unsynced,
};

// Writes `bytes` as the file at `outputPath`, beside it first, then in the earlier file's
// place, never in place of one of `inputs`; on any failure, or a signal, the earlier file stays
// and nothing is left. Reports what fails; returns the exit status.
int writeWhole(const QString& outputPath, const QByteArray& bytes, const InputFiles& inputs,
               Durability durability);

// The request's icons that are pictures, and so are made into icons, a line each:
// "left.png is a PNG picture: it is packed as an icon made from it."
QStringList madeIconNotes(const PackageRequest& request);

// The option that packs pictures as they are, as --as-is sets it.
QCommandLineOption asIsOption();
PictureStorage pictureStorage(const QCommandLineParser& parser);

// Opens a TVK file and checks its fields, reading at most `textLimit` bytes of
// each name, or reports why not. A FIFO or device is refused, never waited on.
std::optional<TvkContents> readPackage(QFile& file, const QString& path, qint64 textLimit);

} // namespace Cli
