#include "ui/QtFileDialogService.h"

#include "ui/DialogOwner.h"

#include <QFileDialog>

QString QtFileDialogService::askOpenFile(const Request& request)
{
    return ask(request, false);
}

QString QtFileDialogService::askSaveFile(const Request& request)
{
    return ask(request, true);
}

QString QtFileDialogService::ask(const Request& request, bool forSaving)
{
    QFileDialog dialog(DialogOwner::current(), request.title, request.initialFolder);
    dialog.setNameFilter(request.filter);
    if (forSaving) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}
