#pragma once

#include "base/Outcome.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// A folder of the program's own in the temporary folder, for files it makes for
// a while (the icons of an opened TVK file), made only where no other user can
// rename or replace it. Removed file by file, never recursively (nothing outside
// it is ever touched, whatever is put in its place), when this object ends or
// the program ends by exit() without unwinding (as Qt does when the display goes).
class PrivateFolder
{
    Q_DECLARE_TR_FUNCTIONS(PrivateFolder)
    Q_DISABLE_COPY_MOVE(PrivateFolder)

public:
    PrivateFolder() = default;
    ~PrivateFolder();

    // Makes "<temporary folder>/<prefix>-XXXXXX", or says why not.
    Outcome create(const QString& prefix);
    // A file of this folder, to be made by the caller and removed with the folder.
    QString filePath(const QString& name);
    // Removes the files given out by filePath(), then the folder if it is empty.
    void remove();

private:
    QString m_path;
    QStringList m_files;
};
