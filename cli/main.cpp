#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "files/DisplayText.h"
#include "host/Interruption.h"
#include "host/ProgramInfo.h"

#include <QCoreApplication>
#include <QLoggingCategory>

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
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("tvk"));
        QCoreApplication::setApplicationVersion(ProgramInfo::version);
        // From here a signal lets the command remove what it made before it ends.
        Interruption::catchSignals();
        const int status = runCommand(QCoreApplication::arguments());
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
