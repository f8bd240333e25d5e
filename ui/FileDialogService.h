#pragma once

#include <QString>

// How the program asks the user for a file. Each call returns the full path as
// the dialog gives it, or the empty text when the user cancels.
class FileDialogService
{
public:
    struct Request
    {
        QString title;
        // Qt's name filters, ";;" between them, the first chosen at the start:
        // "ICON files (*.ico);;Pictures (*.png)".
        QString filter;
        QString initialFolder;
    };

    virtual ~FileDialogService() = default;
    virtual QString askOpenFile(const Request& request) = 0;
    virtual QString askSaveFile(const Request& request) = 0;
};
