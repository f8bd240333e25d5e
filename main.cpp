#include "QtFileDialogService.h"
#include "QtMessageService.h"
#include "SettingsStore.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TVK_Mak"));
    QApplication::setApplicationVersion(QStringLiteral("1.00"));
    QApplication::setDesktopFileName(QStringLiteral("TVK_Mak"));

    SettingsStore settings;
    QtMessageService messages;
    QtFileDialogService dialogs;
    frmMain window(settings, messages, dialogs);
    messages.setParentWindow(&window);
    dialogs.setParentWindow(&window);
    window.show();
    return QApplication::exec();
}
