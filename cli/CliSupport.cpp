#include "cli/CliSupport.h"

#include "files/DisplayText.h"
#include "host/ConsoleText.h"
#include "host/Interruption.h"
#include "host/ProgramInfo.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstdlib>
#include <exception>

namespace Cli {

namespace {

#ifndef Q_OS_WIN
// Arguments are bytes; Qt decodes them as UTF-8 and turns every invalid byte
// into U+FFFD, which would name another file. Such an argument is refused.
int refuseInvalidUtf8(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (const std::optional<QString> shown = DisplayText::notUtf8(argv[i])) {
            reportFailure(QStringLiteral("The name '%1' is not valid UTF-8, so it cannot be "
                                         "used exactly as given.")
                              .arg(*shown));
            return Failure;
        }
    }
    return Success;
}
#endif

} // namespace

void printOut(const QString& text)
{
    ConsoleText::write(stdout, text);
}

void printError(const QString& text)
{
    ConsoleText::write(stderr, text);
}

int showVersion()
{
    printOut(QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                           QCoreApplication::applicationVersion()));
    return Success;
}

void reportLine(const QString& text)
{
    // Messages shared with the window may span lines; a terminal line holds one.
    QString line = text;
    line.replace(QStringLiteral(":\n"), QStringLiteral(": "))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    // File names in it are escaped already; this catches what came from elsewhere.
    printError(DisplayText::escapeControls(line) + QLatin1Char('\n'));
}

void reportFailure(const QString& message)
{
    reportLine(QStringLiteral("tvk: ") + message);
}

int reportCannotRead(const QString& path, const QString& reason)
{
    reportFailure(
        QStringLiteral("Cannot read file %1: %2").arg(DisplayText::displayPath(path), reason));
    return Failure;
}

bool interrupted()
{
    return Interruption::received() != 0;
}

bool helpAsked(const QCommandLineParser& parser)
{
    return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"));
}

int showHelp(const QCommandLineParser& parser, const CommandHelp& help)
{
    // QCommandLineParser names the program by the path it was started with, and
    // cannot tell which options are required: the usage line is the command's own.
    QString text = parser.helpText();
    text.replace(0, text.indexOf(QLatin1Char('\n')), QStringLiteral("Usage: ") + help.usage);
    if (!help.epilog.isEmpty())
        text += QLatin1Char('\n') + help.epilog + QLatin1Char('\n');
    printOut(text);
    return Success;
}

int reportUsageError(const QString& message, const QString& command)
{
    // Qt's parser ends its messages with a full stop; the hint follows here.
    QString line = message;
    if (line.endsWith(QLatin1Char('.')))
        line.chop(1);
    const QString help = command.isEmpty() ? QStringLiteral("tvk --help")
                                           : QStringLiteral("tvk %1 --help").arg(command);
    printError(QStringLiteral("tvk: %1 (see '%2')\n").arg(DisplayText::escapeControls(line), help));
    return UsageError;
}

bool parseCommand(QCommandLineParser& parser, const QStringList& arguments,
                  const QStringList& positionals, const CommandHelp& help, int& exitStatus)
{
    const QString command = arguments.value(1);
    parser.addHelpOption();
    // A helper started with no arguments at all has no command's name either.
    QStringList withProgram = arguments.mid(1);
    if (withProgram.isEmpty())
        withProgram << QString();
    withProgram[0] = QStringLiteral("tvk ") + command;
    if (!parser.parse(withProgram)) {
        exitStatus = reportUsageError(parser.errorText(), command);
        return false;
    }
    if (helpAsked(parser)) {
        exitStatus = showHelp(parser, help);
        return false;
    }
    const qsizetype given = parser.positionalArguments().size();
    const qsizetype expected = positionals.size();
    if (given != expected) {
        exitStatus = reportUsageError(
            given < expected ? QStringLiteral("missing %1")
                                   .arg(positionals.mid(given).join(QStringLiteral(" and ")))
                             : QStringLiteral("unexpected argument '%1'")
                                   .arg(parser.positionalArguments().value(expected)),
            command);
        return false;
    }
    return true;
}

int runProgram(int argc, char* argv[], int (*command)(const QStringList& arguments))
{
    // Qt's own diagnostics are for developers: in normal use every failure is
    // the one line `tvk` prints itself. QT_LOGGING_RULES='*=true' shows them,
    // as it takes precedence over these rules.
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
#ifndef Q_OS_WIN
    // Windows gives Qt the exact wide command line instead of these bytes.
    if (refuseInvalidUtf8(argc, argv) != Success)
        return Failure;
#endif
    try {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("tvk"));
        QCoreApplication::setApplicationVersion(ProgramInfo::version);
        // From here a signal lets the command remove what it made before it ends.
        Interruption::catchSignals();
        const int status = command(QCoreApplication::arguments());
        if (const int signal = Interruption::received(); signal != 0 && status != Success) {
            reportFailure(QStringLiteral("Interrupted; the files being written were removed."));
            return Interruption::exitStatus(signal);
        }
        return status;
    } catch (const std::exception& failure) {
        reportFailure(
            QStringLiteral("Unexpected failure: %1.").arg(QString::fromLocal8Bit(failure.what())));
    } catch (...) {
        reportFailure(QStringLiteral("Unexpected failure."));
    }
    return Failure;
}

} // namespace Cli
