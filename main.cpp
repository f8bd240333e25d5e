#include "runtime/Interruption.h"
#include "runtime/ProgramInfo.h"
#include "runtime/QtFileDialogService.h"
#include "runtime/QtMessageService.h"
#include "settings/SettingsStore.h"
#include "ui/ProgramArguments.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QTimer>

namespace {
// A signal to stop (a session's end, kill, Ctrl+C in a terminal) closes the
// window as its close button does, so that a conversion under way is cancelled
// and the icons of an opened TVK file are removed, rather than left behind.
constexpr int kSignalCheckMs = 200;
} // namespace

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

    SettingsStore settings;
    QtMessageService messages;
    QtFileDialogService dialogs;
    frmMain window(settings, messages, dialogs);
    messages.setParentWindow(&window);
    dialogs.setParentWindow(&window);
    Interruption::catchSignals();
    QTimer signalCheck;
    QObject::connect(&signalCheck, &QTimer::timeout, &window, [&window] {
        if (Interruption::received() != 0) {
            window.close();
            QApplication::quit();
        }
    });
    signalCheck.start(kSignalCheckMs);
    window.show();
    if (!arguments.packagePath.isEmpty())
        window.openPackage(arguments.packagePath);
    return QApplication::exec();
}
