#include "cli/Command.h"

#include "cli/CliSupport.h"

namespace Cli {

int Command::run(const QStringList& arguments) const
{
    QCommandLineParser parser;
    parser.setApplicationDescription(description.summary);
    parser.addOptions(description.options);
    QStringList positionals;
    for (const Argument& argument : std::as_const(description.arguments)) {
        parser.addPositionalArgument(argument.name, argument.description);
        positionals << argument.name;
    }
    const QString command = arguments.value(1);
    parser.addHelpOption();
    // A helper started with no arguments at all has no command's name either.
    QStringList withProgram = arguments.mid(1);
    if (withProgram.isEmpty())
        withProgram << QString();
    withProgram[0] = QStringLiteral("tvk ") + command;
    if (!parser.parse(withProgram))
        return reportUsageError(parser.errorText(), command);
    if (helpAsked(parser))
        return showHelp(parser, description.usage, description.notes);
    // A missing argument is told by its name.
    const qsizetype given = parser.positionalArguments().size();
    const qsizetype expected = positionals.size();
    if (given != expected) {
        return reportUsageError(given < expected
                                    ? QStringLiteral("missing %1")
                                          .arg(positionals.mid(given).join(QStringLiteral(" and ")))
                                    : QStringLiteral("unexpected argument '%1'")
                                          .arg(parser.positionalArguments().value(expected)),
                                command);
    }
    return execute(parser);
}

} // namespace Cli
