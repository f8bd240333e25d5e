#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace Cli {

// What every `tvk` command shares: its exit statuses and how it reports.
enum ExitStatus
{
    Success = 0,
    // Input refused, file invalid, or an operation failed.
    Failure = 1,
    UsageError = 2,
};

// Prints "tvk: <message>" on standard error, on one line.
void reportFailure(const QString& message);

// Prints the parser's complaint and where to find help; returns UsageError.
int reportUsageError(const QString& message, const QString& command);

// Prints the parser's help, its usage line naming `usage` ("tvk pack"), and exits.
[[noreturn]] void showHelp(const QCommandLineParser& parser, const QString& usage);

// Parses one command's arguments: handles --help (which exits), and reports a
// usage error when parsing fails or the positional arguments are not `expected`
// in number. Returns whether the command may go on.
bool parseCommand(QCommandLineParser& parser, const QStringList& arguments, qsizetype expected,
                  int& exitStatus);

} // namespace Cli
