#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include <QCommandLineParser>

namespace Cli {
namespace {

struct Command
{
    const char* name;
    int (*run)(const QStringList& arguments);
};

constexpr Command kCommands[] = {
    {"pack", runPack},           {"info", runInfo},   {"unpack", runUnpack},
    {"thumbnail", runThumbnail}, {"batch", runBatch},
};

const Command* findCommand(const QString& name)
{
    for (const Command& command : kCommands) {
        if (name == QLatin1String(command.name))
            return &command;
    }
    return nullptr;
}

int runCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Packs, inspects and unpacks TVK files (Tovrik images).\n\n"
                       "Commands:\n"
                       "  pack --name NAME --author AUTHOR LEFT RIGHT -o OUTPUT\n"
                       "  info [--json] FILE\n"
                       "  unpack [-d DIR] [--force] FILE\n"
                       "  thumbnail [--size N] FILE OUT.png\n"
                       "  batch [--check] MANIFEST.csv\n"
                       "  help [COMMAND]"));
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("pack, info, unpack, thumbnail, batch or help"),
                                 QStringLiteral("COMMAND [ARGUMENTS...]"));
    parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Everything after the command belongs to the command's own parser.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const CommandHelp help{
        QStringLiteral("tvk COMMAND [ARGUMENTS...]"),
        QStringLiteral(
            "'tvk help COMMAND' or 'tvk COMMAND --help' tells more about each.\n\n"
            "Example:\n"
            "  tvk pack --name \"Café\" --author \"Zoë\" left.ico right.ico -o cafe.tvk\n"
            "  tvk info cafe.tvk")};

    if (!parser.parse(arguments))
        return reportUsageError(parser.errorText(), {});
    if (parser.isSet(version))
        showVersion();
    const QStringList positional = parser.positionalArguments();
    const QString name = positional.value(0);
    if (helpAsked(parser) && name.isEmpty())
        showHelp(parser, help);
    if (name.isEmpty())
        return reportUsageError(QStringLiteral("no command given"), {});

    if (name == QLatin1String("help")) {
        if (positional.size() == 1)
            showHelp(parser, help);
        if (positional.size() > 2)
            return reportUsageError(
                QStringLiteral("unexpected argument '%1'").arg(positional.at(2)), {});
        if (const Command* command = findCommand(positional.at(1)))
            return command->run({arguments.value(0), positional.at(1), QStringLiteral("--help")});
        return reportUsageError(QStringLiteral("unknown command '%1'").arg(positional.at(1)), {});
    }
    if (const Command* command = findCommand(name)) {
        // "tvk --help pack" asks for the command's help.
        if (helpAsked(parser))
            return command->run({arguments.value(0), name, QStringLiteral("--help")});
        return command->run(arguments);
    }
    return reportUsageError(QStringLiteral("unknown command '%1'").arg(name), {});
}

} // namespace
} // namespace Cli

// `tvk`: packs, inspects and unpacks TVK files from scripts and terminals.
int main(int argc, char* argv[])
{
    return Cli::runProgram(argc, argv, Cli::runCommand);
}
