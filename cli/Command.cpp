#include "cli/Command.h"

#include "cli/CliSupport.h"

namespace Cli {

int Command::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(m_description.summary);
    parser.addOptions(m_description.options);
    QStringList names;
    for (const Argument& argument : std::as_const(m_description.arguments)) {
        parser.addPositionalArgument(argument.name, argument.description);
        names << argument.name;
    }
    int status = Success;
    if (!parseCommand(parser, arguments, names, {m_description.usage, m_description.notes}, status))
        return status;
    return execute(parser);
}

} // namespace Cli
