#pragma once

#include "runtime/FileDialogService.h"

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

    // "Description|pattern|Description|pattern" as the windows word their filters,
    // turned into the name filters QFileDialog shows.
    static QStringList toNameFilters(const QString& filter);

private:
    QString ask(const Request& request, bool forSaving);

    QPointer<QWidget> m_parentWindow;
};
