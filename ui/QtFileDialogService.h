#pragma once

#include "ui/FileDialogService.h"

// Answers file requests with a modal QFileDialog over the window that is active
// then (DialogOwner).
class QtFileDialogService final : public FileDialogService
{
public:
    QString askOpenFile(const Request& request) override;
    QString askSaveFile(const Request& request) override;

private:
    QString ask(const Request& request, bool forSaving);
};
