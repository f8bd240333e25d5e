#include "cli/Command.h"

#include "cli/CliSupport.h"

namespace Cli {

int ParsedCommand::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description().summary);
    parser.addOptions(description().options);
    QStringList names;
    for (const Argument& argument : std::as_const(description().arguments)) {
        parser.addPositionalArgument(argument.name, argument.description);
        names << argument.name;
    }
    int status = Success;
    if (!parseCommand(parser, arguments, names, {description().usage, description().notes}, status))
        return status;
    return execute(parser);
}

} // namespace Cli
