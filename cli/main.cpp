#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "files/DisplayText.h"
#include "host/Interruption.h"
#include "host/ProgramInfo.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <memory>

#include <array>
#include <exception>

using namespace Cli;

// `tvk`: packs, inspects and unpacks TVK files from scripts and terminals. Any
// exception ends it with one line and exit status 1.
int main(int argc, char* argv[])
{
    // Qt's diagnostics are for developers; `tvk` prints each failure itself on one line.
    // QT_LOGGING_RULES='*=true' shows them, as it takes precedence over these rules.
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
    if (const std::optional<QString> refused = DisplayText::notUtf8Argument(argc, argv))
        return reportFailure(*refused);
    try {
        // As the system gives them (on Windows, the wide command line, which Qt reads only for
        // the arguments main() was given).
        auto app = std::make_unique<QCoreApplication>(argc, argv);
        const QStringList arguments = QCoreApplication::arguments();
        // Text in an SVG drawing needs fonts, which only a QGuiApplication has: the commands
        // that make icons run in one, on a platform that needs no display, and given none of
        // the user's arguments, which it could take for options of its own ("-reverse").
        int guiArgc = 3;
        std::array<char*, 4> guiArgv = {argv[0], const_cast<char*>("-platform"),
                                        const_cast<char*>("minimal:enable_fonts"), nullptr};
        if (QStringList{QStringLiteral("icon"), QStringLiteral("pack"), QStringLiteral("batch")}
                .contains(arguments.value(1))) {
            app.reset();
            app = std::make_unique<QGuiApplication>(guiArgc, guiArgv.data());
        }
        QCoreApplication::setApplicationName(QStringLiteral("tvk"));
        QCoreApplication::setApplicationVersion(ProgramInfo::version);
        // From here a signal lets the command remove what it made before it ends.
        Interruption::catchSignals();
        const int status = runCommand(arguments);
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
