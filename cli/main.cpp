#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "runtime/ProgramInfo.h"

#include <QCoreApplication>

#include <exception>

namespace Cli {
namespace {

// Qt's own diagnostics are for developers: in normal use every failure is the
// one line `tvk` prints itself. TVK_DEBUG lets them through.
void quietMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    static const bool debugging = qEnvironmentVariableIsSet("TVK_DEBUG");
    if (debugging || type == QtFatalMsg)
        qt_message_output(type, context, message);
}

// Arguments are bytes; Qt decodes them as UTF-8 and turns every invalid byte
// into U+FFFD, which would name another file. Such an argument is refused.
int refuseInvalidUtf8(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (QString::fromUtf8(argument).toUtf8() == argument)
            continue;
        QString shown;
        for (const char byte : argument) {
            const auto value = static_cast<uchar>(byte);
            shown += value >= 0x20 && value < 0x7F
                         ? QString(QLatin1Char(byte))
                         : QStringLiteral("\\x%1").arg(value, 2, 16, QLatin1Char('0'));
        }
        reportFailure(QStringLiteral("The name '%1' is not valid UTF-8, so it cannot be used "
                                     "exactly as given.")
                          .arg(shown));
        return Failure;
    }
    return Success;
}

int runCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Packs, inspects and unpacks TVK files (Tovrik images).\n\n"
                       "Commands:\n"
                       "  pack --name NAME --author AUTHOR LEFT RIGHT -o OUTPUT\n"
                       "  info FILE [--json]\n"
                       "  unpack FILE [-d DIR] [--force]\n\n"
                       "'tvk COMMAND --help' tells more about each."));
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("pack, info or unpack"),
                                 QStringLiteral("COMMAND [ARGUMENTS...]"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Everything after the command belongs to the command's own parser.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);

    if (!parser.parse(arguments))
        return reportUsageError(parser.errorText(), {});
    if (parser.isSet(version))
        parser.showVersion();
    const QString command = parser.positionalArguments().value(0);
    if (parser.isSet(help) && command.isEmpty())
        showHelp(parser, QStringLiteral("tvk"));
    if (command.isEmpty())
        return reportUsageError(QStringLiteral("no command given"), {});

    if (command == QLatin1String("pack"))
        return runPack(arguments);
    if (command == QLatin1String("info"))
        return runInfo(arguments);
    if (command == QLatin1String("unpack"))
        return runUnpack(arguments);
    return reportUsageError(QStringLiteral("unknown command '%1'").arg(command), {});
}

} // namespace
} // namespace Cli

// `tvk`: packs, inspects and unpacks TVK files from scripts and terminals.
int main(int argc, char* argv[])
{
    using namespace Cli;
    qInstallMessageHandler(quietMessageHandler);
    if (refuseInvalidUtf8(argc, argv) != Success)
        return Failure;
    try {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("tvk"));
        QCoreApplication::setApplicationVersion(ProgramInfo::version);
        return runCommand(QCoreApplication::arguments());
    } catch (const std::exception& failure) {
        reportFailure(
            QStringLiteral("Unexpected failure: %1.").arg(QString::fromLocal8Bit(failure.what())));
    } catch (...) {
        reportFailure(QStringLiteral("Unexpected failure."));
    }
    return Failure;
}
