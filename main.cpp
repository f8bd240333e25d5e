#include "files/PrivateFolder.h"
#include "host/Interruption.h"
#include "host/ProgramInfo.h"
#include "settings/SettingsStore.h"
#include "ui/ProgramArguments.h"
#include "ui/QtServices.h"
#include "ui/SystemTheme.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QTimer>

#include <thread>

int main(int argc, char* argv[])
{
    const ProgramArguments::Reading arguments = ProgramArguments::read(argc, argv);
    if (arguments.exitStatus) {
        ProgramArguments::showUnseen(argc, argv, arguments);
        return *arguments.exitStatus;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramInfo::title);
    QApplication::setApplicationVersion(ProgramInfo::version);
    // The desktop entry is named after the program.
    QApplication::setDesktopFileName(ProgramInfo::title);
    SystemTheme::apply(app);
    // Folders left by runs that ended by force (a crash, a kill, a hard log-off) go, beside
    // the window since the temporary folder may stall; it takes milliseconds.
    std::thread([] { PrivateFolder::removeAbandoned(ProgramInfo::title); }).detach();

    SettingsStore settings = SettingsStore::forUser();
    QtMessageService messages;
    QtFileDialogService dialogs;
    frmMain window(settings, messages, dialogs);
    Interruption::catchSignals();
    // A signal to stop (a session's end, kill, Ctrl+C) closes the window as its close button
    // does: a conversion under way is cancelled and an opened TVK file's icons are removed.
    QTimer signalCheck;
    QObject::connect(&signalCheck, &QTimer::timeout, &window, [&window] {
        if (Interruption::received() != 0) {
            window.close();
            QApplication::quit();
        }
    });
    signalCheck.start(std::chrono::milliseconds(200));
    // Windows asks a program to end (the Restart Manager, for an installer that needs its
    // files; a logoff) with WM_QUERYENDSESSION and WM_ENDSESSION, which Qt answers with
    // aboutToQuit and a quit that a conversion's progress dialog refuses: the window is
    // closed as its close button closes it, so that the program ends once the job has.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window] { window.close(); });
    window.show();
    // Opened once the event loop runs, so that a signal while its message shows ends it too.
    if (!arguments.packagePath.isEmpty()) {
        QTimer::singleShot(0, &window,
                           [&window, &arguments] { window.loadPackage(arguments.packagePath); });
    }
    if (arguments.files)
        window.placeFiles(*arguments.files);
    const int status = QApplication::exec();
    const int signal = Interruption::received();
    return signal != 0 ? Interruption::exitStatus(signal) : status;
}
