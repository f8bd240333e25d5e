#include "CliSupport.h"
#include "Commands.h"

#include <QCoreApplication>

// `tvk`: packs, inspects and unpacks TVK files from scripts and terminals.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tvk"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.00"));

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

    const QStringList arguments = QCoreApplication::arguments();
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
