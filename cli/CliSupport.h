#pragma once

#include "format/TvkReader.h"

#include <QCommandLineParser>
#include <QFile>
#include <QString>

#include <optional>

namespace Cli {

// What every `tvk` command shares: its exit statuses and how it reports.
enum ExitStatus
{
    Success = 0,
    // Input refused, file invalid, or an operation failed.
    Failure = 1,
    UsageError = 2,
};

// Text on standard output or standard error, shown right on any terminal.
void printOut(const QString& text);
void printError(const QString& text);

// Prints "tvk: <message>" on standard error, on one line.
void reportFailure(const QString& message);

// "Cannot read file X: reason", with the reason as a sentence; returns Failure.
int reportCannotRead(const QString& path, const QString& reason);

// "Cannot write file X: reason", as DisplayText::cannotWriteFile says it;
// returns Failure.
int reportCannotWrite(const QString& path, const QString& reason);

// Prints the text on standard error as one line, without the program's name.
void reportLine(const QString& text);

// Prints the parser's complaint and where to find help; returns UsageError.
int reportUsageError(const QString& message, const QString& command);

// Whether a signal asked the program to stop. A command that writes checks it
// as it goes and, if so, returns Failure having removed what it made: the
// program then ends with the signal's exit status (130 for Ctrl+C).
bool interrupted();

// Whether --help or --help-all was given (the two are one here: tvk has no
// options of Qt's own to show).
bool helpAsked(const QCommandLineParser& parser);

// Prints the parser's help with the usage line (after "Usage: ", such as
// "tvk info [--json] FILE") and then the epilog, notes and an example; returns
// Success, the program's exit status.
int showHelp(const QCommandLineParser& parser, const QString& usage, const QString& epilog);

// Opens a TVK file for reading and checks its fields, reading at most
// `textLimit` bytes of each name; reports why not, naming the file, when it
// cannot be opened or is not a valid TVK file. A FIFO or device is refused at
// once, never waited on.
std::optional<TvkContents> readPackage(QFile& file, const QString& path, qint64 textLimit);

} // namespace Cli
