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
    // Qt's own diagnostics are for developers: in normal use every failure is
    // the one line `tvk` prints itself. QT_LOGGING_RULES='*=true' shows them,
    // as it takes precedence over these rules.
    QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
#ifndef Q_OS_WIN
    // Arguments are bytes; Qt decodes them as UTF-8 and turns every invalid byte
    // into U+FFFD, which would name another file. Such an argument is refused.
    // Windows gives Qt the exact wide command line instead of these bytes.
    for (int i = 1; i < argc; ++i) {
        if (const std::optional<QString> shown = DisplayText::notUtf8(argv[i])) {
            reportFailure(QStringLiteral("The name '%1' is not valid UTF-8, so it cannot be "
                                         "used exactly as given.")
                              .arg(*shown));
            return Failure;
        }
    }
#endif
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
