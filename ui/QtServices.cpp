#include "ui/QtServices.h"

#include "files/DisplayText.h"
#include "host/ProgramInfo.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMessageBox>
#include <QShortcut>

#include <algorithm>

namespace {

QWidget* dialogOwner()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    // While another program has the focus, the box still belongs to the program's
    // window, rather than to a tooltip or menu that happens to be shown.
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto shown = std::find_if(windows.cbegin(), windows.cend(), [](const QWidget* window) {
        return window->isVisible() && window->windowType() == Qt::Window;
    });
    return shown == windows.cend() ? nullptr : *shown;
}

QString askFile(const FileDialogService::Request& request, bool forSaving)
{
    QFileDialog dialog(dialogOwner(), request.title, request.initialFolder);
    dialog.setNameFilter(request.filter);
    dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

} // namespace

void QtMessageService::showMessage(const QString& text, Kind kind)
{
    // In the order of Kind.
    constexpr QMessageBox::Icon icons[] = {QMessageBox::Information, QMessageBox::Warning,
                                           QMessageBox::Critical};
    // A long file name wraps anywhere, so the box stays on the screen and shows it whole.
    QMessageBox box(icons[int(kind)], ProgramInfo::title, DisplayText::breakableAnywhere(text),
                    QMessageBox::Ok, dialogOwner());
    // Copied as it is, without the breaks: a path copied from the box is the path.
    const QShortcut copy(QKeySequence::Copy, &box);
    QObject::connect(&copy, &QShortcut::activated, &box,
                     [&text] { QApplication::clipboard()->setText(text); });
    box.exec();
}

QString QtFileDialogService::askOpenFile(const Request& request)
{
    return askFile(request, false);
}

QString QtFileDialogService::askSaveFile(const Request& request)
{
    return askFile(request, true);
}
