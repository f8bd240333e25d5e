#include "cli/CliSupport.h"

#include "runtime/DisplayText.h"

#include <QTextStream>

#include <cstdlib>

namespace Cli {

void reportLine(const QString& text)
{
    // Messages shared with the window may span lines; a terminal line holds one.
    QString line = text;
    line.replace(QStringLiteral(":\n"), QStringLiteral(": "))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    // File names in it are escaped already; this catches what came from elsewhere.
    QTextStream(stderr) << DisplayText::escapeControls(line) << Qt::endl;
}

void reportFailure(const QString& message)
{
    reportLine(QStringLiteral("tvk: ") + message);
}

bool helpAsked(const QCommandLineParser& parser)
{
    return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"));
}

void showHelp(const QCommandLineParser& parser, const CommandHelp& help)
{
    // QCommandLineParser names the program by the path it was started with, and
    // cannot tell which options are required: the usage line is the command's own.
    QString text = parser.helpText();
    text.replace(0, text.indexOf(QLatin1Char('\n')), QStringLiteral("Usage: ") + help.usage);
    if (!help.epilog.isEmpty())
        text += QLatin1Char('\n') + help.epilog + QLatin1Char('\n');
    QTextStream(stdout) << text;
    std::exit(Success);
}

int reportUsageError(const QString& message, const QString& command)
{
    QTextStream err(stderr);
    const QString help = command.isEmpty() ? QStringLiteral("tvk --help")
                                           : QStringLiteral("tvk %1 --help").arg(command);
    err << "tvk: " << DisplayText::escapeControls(message) << " (see '" << help << "')" << Qt::endl;
    return UsageError;
}

bool parseCommand(QCommandLineParser& parser, const QStringList& arguments, qsizetype expected,
                  const CommandHelp& help, int& exitStatus)
{
    const QString command = arguments.value(1);
    parser.addHelpOption();
    QStringList withProgram = arguments.mid(1);
    withProgram[0] = QStringLiteral("tvk ") + command;
    if (!parser.parse(withProgram)) {
        exitStatus = reportUsageError(parser.errorText(), command);
        return false;
    }
    if (helpAsked(parser))
        showHelp(parser, help);
    const qsizetype given = parser.positionalArguments().size();
    if (given != expected) {
        exitStatus = reportUsageError(given < expected
                                          ? QStringLiteral("missing arguments")
                                          : QStringLiteral("unexpected argument '%1'")
                                                .arg(parser.positionalArguments().value(expected)),
                                      command);
        return false;
    }
    return true;
}

} // namespace Cli
