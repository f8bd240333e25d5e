#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

namespace Cli {

// One `tvk` command: what it takes, as its help tells it, and the work itself.
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
        // The first paragraph of its help.
        QString summary;
        // Its usage line after "Usage: ", such as "tvk info [--json] FILE".
        QString usage;
        // Shown after the options and arguments: notes and an example.
        QString notes;
        QList<QCommandLineOption> options;
        // Every one required.
        QList<Argument> arguments;
        // Whether the last argument may be given more than once ("PICTURE...").
        bool lastRepeats = false;
    };

    Description description;
    // The work, once all the arguments are there; returns the exit status.
    int (*execute)(const QCommandLineParser& parser);

    // Runs the command on the whole command line ("tvk", the command, its arguments): parses
    // it, answers --help and tells usage errors; returns the exit status.
    int run(const QStringList& arguments) const;
};

} // namespace Cli
