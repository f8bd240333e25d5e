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
                       "  batch MANIFEST.csv\n"
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
        parser.showVersion();
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
