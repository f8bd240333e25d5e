#pragma once

#include "ui/FileDialogService.h"
#include "ui/MessageService.h"

// The program's services: modal boxes and dialogs over the window they belong to, found as
// each shows (so that the services need no window when made): the active window, else the
// program's window while another program has the focus, else none.

// Shows each message in a modal QMessageBox with the program's title as caption.
class QtMessageService final : public MessageService
{
public:
    void showMessage(const QString& text, Kind kind) override;
};

class QtFileDialogService final : public FileDialogService
{
public:
    QString askOpenFile(const Request& request) override;
    QString askSaveFile(const Request& request) override;
};
