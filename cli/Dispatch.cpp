#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "host/ConsoleText.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <vector>

namespace Cli {

int runCommand(const QStringList& arguments)
{
    // In the order the help lists them.
    const std::vector<Command> commands = {makePackCommand(),   makeInfoCommand(),
                                           makeUnpackCommand(), makeThumbnailCommand(),
                                           makeBatchCommand(),  makeIconCommand()};
    // "Commands:" and each command's usage, as its own help gives it.
    QString description =
        QStringLiteral("Packs, inspects and unpacks TVK files (Tovrik images), and makes icons.\n\n"
                       "Commands:\n");
    QStringList names;
    for (const Command& command : commands) {
        description += QStringLiteral("  ") + command.description.usage.mid(4) + QLatin1Char('\n');
        names << command.description.name;
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(description + QStringLiteral("  help [COMMAND]"));
    parser.addPositionalArgument(QStringLiteral("command"),
                                 names.join(QStringLiteral(", ")) + QStringLiteral(" or help"),
                                 QStringLiteral("COMMAND [ARGUMENTS...]"));
    parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Everything after the command belongs to the command's own parser.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);

    if (!parser.parse(arguments))
        return reportUsageError(parser.errorText(), {});
    // Printed here: Qt would show a message box on Windows when no console is attached.
    if (parser.isSet(version)) {
        ConsoleText::write(stdout,
                           QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                         QCoreApplication::applicationVersion()));
        return Success;
    }
    const QStringList positional = parser.positionalArguments();
    const QString name = positional.value(0);
    if (name.isEmpty() ? helpAsked(parser) : positional == QStringList(QStringLiteral("help"))) {
        return showHelp(
            parser, QStringLiteral("tvk COMMAND [ARGUMENTS...]"),
            QStringLiteral(
                "'tvk help COMMAND' or 'tvk COMMAND --help' tells more about each.\n\n"
                "Example:\n"
                "  tvk pack --name \"Café\" --author \"Zoë\" left.ico right.ico -o cafe.tvk\n"
                "  tvk info cafe.tvk"));
    }
    if (name.isEmpty())
        return reportUsageError(QStringLiteral("no command given"), {});

    const bool helpOfCommand = name == QLatin1String("help");
    if (helpOfCommand && positional.size() > 2)
        return reportUsageError(QStringLiteral("unexpected argument '%1'").arg(positional.at(2)),
                                {});
    const QString commandName = helpOfCommand ? positional.at(1) : name;
    const auto command = std::ranges::find(
        commands, commandName, [](const Command& known) { return known.description.name; });
    if (command == commands.cend())
        return reportUsageError(QStringLiteral("unknown command '%1'").arg(commandName), {});
    // "tvk --help pack" asks for the command's help, as "tvk help pack" does.
    if (helpOfCommand || helpAsked(parser))
        return command->run({arguments.value(0), commandName, QStringLiteral("--help")});
    return command->run(arguments);
}

} // namespace Cli
