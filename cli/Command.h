#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

namespace Cli {

// One `tvk` command: its name, what it does, its options and arguments, notes
// with an example, and the work itself. run() parses the command line, answers
// --help and tells usage errors, so a command only says what it takes and does.
// Adding a command is one file with the function that makes it, which
// Commands.h declares and allCommands() lists.
struct Command
{
    struct Argument
    {
        QString name;
        QString description;
    };

    struct Description
    {
        // As typed after "tvk": "info".
        QString name;
        // What it does, the first paragraph of its help.
        QString summary;
        // Its usage line after "Usage: ", such as "tvk info [--json] FILE".
        QString usage;
        // Shown after the options and arguments: notes and an example.
        QString notes;
        QList<QCommandLineOption> options;
        // Its positional arguments, every one required.
        QList<Argument> arguments;
    };

    Description description;
    // The work, once the arguments are parsed and all of them are there;
    // returns the exit status.
    int (*execute)(const QCommandLineParser& parser);

    // Runs the command on the whole command line ("tvk", the command, its
    // arguments): parses them as the description says, answers --help, tells
    // usage errors (exit 2), else does the work; returns the exit status.
    int run(const QStringList& arguments) const;
};

} // namespace Cli
