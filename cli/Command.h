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
// Adding a command is one file with one subclass, made by a function
// that Commands.h declares and allCommands() lists.
class Command
{
public:
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

    explicit Command(Description description) : m_description(std::move(description)) {}
    virtual ~Command() = default;
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    const Description& description() const { return m_description; }

    // Runs the command on the whole command line ("tvk", the command, its
    // arguments): parses them as the description says, answers --help, tells
    // usage errors (exit 2), else execute()s; returns the exit status.
    int run(const QStringList& arguments);

protected:
    // The work, once the arguments are parsed and all of them are there.
    virtual int execute(const QCommandLineParser& parser) = 0;

private:
    Description m_description;
};

} // namespace Cli
