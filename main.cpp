#include "host/Interruption.h"
#include "host/ProgramInfo.h"
#include "settings/SettingsStore.h"
#include "ui/ProgramArguments.h"
#include "ui/QtServices.h"
#include "ui/SystemTheme.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    const ProgramArguments::Reading arguments = ProgramArguments::read(argc, argv);
    if (arguments.exitStatus)
        return *arguments.exitStatus;

    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramInfo::title);
    QApplication::setApplicationVersion(ProgramInfo::version);
    // The desktop entry is named after the program.
    QApplication::setDesktopFileName(ProgramInfo::title);
    SystemTheme::apply(app);

    SettingsStore settings = SettingsStore::forUser();
    QtMessageService messages;
    QtFileDialogService dialogs;
    frmMain window(settings, messages, dialogs);
    Interruption::catchSignals();
    // A signal to stop (a session's end, kill, Ctrl+C in a terminal) closes the
    // window as its close button does, so that a conversion under way is cancelled
    // and the icons of an opened TVK file are removed, rather than left behind.
    QTimer signalCheck;
    QObject::connect(&signalCheck, &QTimer::timeout, &window, [&window] {
        if (Interruption::received() != 0) {
            window.close();
            QApplication::quit();
        }
    });
    signalCheck.start(std::chrono::milliseconds(200));
    window.show();
    // Opened once the event loop runs, so that a signal while its message is
    // shown ends the program too.
    if (!arguments.packagePath.isEmpty()) {
        QTimer::singleShot(0, &window,
                           [&window, &arguments] { window.loadPackage(arguments.packagePath); });
    }
    if (arguments.files)
        window.placeFiles(*arguments.files);
    const int status = QApplication::exec();
    // Stopped by a signal: told as the shell tells a program a signal ended.
    if (const int signal = Interruption::received(); signal != 0)
        return Interruption::exitStatus(signal);
    return status;
}
