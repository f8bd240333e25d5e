#include "cli/Command.h"

#include "cli/CliSupport.h"

namespace Cli {

int Command::run(const QStringList& arguments) const
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description.summary);
    parser.addOptions(description.options);
    QStringList names;
    for (const Argument& argument : std::as_const(description.arguments)) {
        parser.addPositionalArgument(argument.name, argument.description);
        names << argument.name;
    }
    parser.addHelpOption();
    const QString command = arguments.value(1);
    if (!parser.parse(QStringList(QStringLiteral("tvk ") + command) + arguments.mid(2)))
        return reportUsageError(parser.errorText(), command);
    if (helpAsked(parser))
        return showHelp(parser, description.usage, description.notes);
    // A missing argument is told by its name.
    const QStringList given = parser.positionalArguments();
    if (given.size() < names.size()) {
        return reportUsageError(
            QStringLiteral("missing %1").arg(names.mid(given.size()).join(QStringLiteral(" and "))),
            command);
    }
    if (given.size() > names.size() && !description.lastRepeats)
        return reportUsageError(
            QStringLiteral("unexpected argument '%1'").arg(given.at(names.size())), command);
    return execute(parser);
}

} // namespace Cli
