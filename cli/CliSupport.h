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

// Text on standard output or standard error, shown right on any terminal.
void printOut(const QString& text);
void printError(const QString& text);

// Prints "tvk: <message>" on standard error, on one line.
void reportFailure(const QString& message);

// "Cannot read file X: reason", with the reason as a sentence; returns Failure.
int reportCannotRead(const QString& path, const QString& reason);

// Prints the text on standard error as one line, without the program's name.
void reportLine(const QString& text);

// Prints the parser's complaint and where to find help; returns UsageError.
int reportUsageError(const QString& message, const QString& command);

// What a command's help shows beyond its options.
struct CommandHelp
{
    // The usage line after "Usage: ", such as "tvk info [--json] FILE".
    QString usage;
    // Shown after the options and arguments: notes and an example.
    QString epilog;
};

// Whether a signal asked the program to stop. A command that writes checks it
// as it goes and, if so, returns Failure having removed what it made: the
// program then ends with the signal's exit status (130 for Ctrl+C).
bool interrupted();

// Whether --help or --help-all was given (the two are one here: tvk has no
// options of Qt's own to show).
bool helpAsked(const QCommandLineParser& parser);

// Prints "tvk VERSION" (QCommandLineParser would show a message box on Windows
// when no console is attached); returns Success, the program's exit status.
int showVersion();

// Prints the parser's help with the command's usage line and epilog; returns
// Success, the program's exit status.
int showHelp(const QCommandLineParser& parser, const CommandHelp& help);

// Parses one command's arguments: answers --help, and reports a usage error
// when parsing fails or the positional arguments are not the `positionals`
// named (a missing one is told by its name). Returns whether the command may go
// on; if not, `exitStatus` is the program's.
bool parseCommand(QCommandLineParser& parser, const QStringList& arguments,
                  const QStringList& positionals, const CommandHelp& help, int& exitStatus);

// The whole of a `tvk` program: refuses arguments that are not UTF-8, keeps Qt's
// diagnostics off the terminal, runs `command` on the arguments and turns any
// exception into one line and exit status 1.
int runProgram(int argc, char* argv[], int (*command)(const QStringList& arguments));

} // namespace Cli
