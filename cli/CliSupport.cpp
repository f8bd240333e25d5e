#include "cli/CliSupport.h"

#include "runtime/DisplayText.h"

#include <QTextStream>

#include <cstdlib>

namespace Cli {

void reportFailure(const QString& message)
{
    QTextStream err(stderr);
    // Messages shared with the window may span lines; a terminal line holds one.
    QString line = message;
    line.replace(QStringLiteral(":\n"), QStringLiteral(": "))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    // File names in it are escaped already; this catches what came from elsewhere.
    err << "tvk: " << DisplayText::escapeControls(line) << Qt::endl;
}

void showHelp(const QCommandLineParser& parser, const QString& usage)
{
    // QCommandLineParser names the program by the path it was started with.
    QString text = parser.helpText();
    const qsizetype firstLineEnd = text.indexOf(QLatin1Char('\n'));
    const qsizetype options = text.indexOf(QStringLiteral(" [options]"));
    if (options >= 0 && options < firstLineEnd)
        text.replace(0, options, QStringLiteral("Usage: ") + usage);
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
                  int& exitStatus)
{
    const QString command = arguments.value(1);
    const QCommandLineOption help = parser.addHelpOption();
    QStringList withProgram = arguments.mid(1);
    withProgram[0] = QStringLiteral("tvk ") + command;
    if (!parser.parse(withProgram)) {
        exitStatus = reportUsageError(parser.errorText(), command);
        return false;
    }
    if (parser.isSet(help))
        showHelp(parser, QStringLiteral("tvk ") + command);
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
