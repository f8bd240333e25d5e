#include "runtime/ProgramInfo.h"
#include "runtime/QtFileDialogService.h"
#include "runtime/QtMessageService.h"
#include "settings/SettingsStore.h"
#include "ui/ProgramArguments.h"
#include "ui/frmMain.h"

#include <QApplication>

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
    window.show();
    if (!arguments.packagePath.isEmpty())
        window.openPackage(arguments.packagePath);
    return QApplication::exec();
}
