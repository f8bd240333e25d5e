#pragma once

#include "base/Outcome.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// The program's own folder in the temporary folder (for an opened TVK file's icons), made
// only where no other user can replace it. Removed file by file, never recursively (so nothing
// outside it is touched), when this object ends or the program calls exit() (as Qt does when
// the display goes).
class PrivateFolder
{
    Q_DECLARE_TR_FUNCTIONS(PrivateFolder)
    Q_DISABLE_COPY_MOVE(PrivateFolder)

public:
    PrivateFolder() = default;
    ~PrivateFolder();

    // Makes "<temporary folder>/<prefix>-XXXXXX", or says why not.
    Outcome create(const QString& prefix);
    // A file of this folder for the caller to make, removed with the folder.
    QString filePath(const QString& name);
    // Removes the files given out by filePath(), then the folder if it is empty.
    void remove();

private:
    QString m_path;
    QStringList m_files;
};
