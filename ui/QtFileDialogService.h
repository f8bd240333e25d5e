#pragma once

#include "ui/FileDialogService.h"

#include <QPointer>

class QWidget;

// Answers file requests with a modal QFileDialog.
class QtFileDialogService final : public FileDialogService
{
public:
    explicit QtFileDialogService(QWidget* parentWindow = nullptr);
    void setParentWindow(QWidget* parentWindow);

    QString askOpenFile(const Request& request) override;
    QString askSaveFile(const Request& request) override;

private:
    QString ask(const Request& request, bool forSaving);

    QPointer<QWidget> m_parentWindow;
};
