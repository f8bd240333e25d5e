#pragma once

#include "base/Outcome.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// A folder of the program's own in the temporary folder, for files it makes for
// a while (the icons of an opened TVK file). It is made only where no other user
// can rename or replace it, and removed file by file, never recursively: nothing
// outside it is ever touched, whatever has been put in its place. It is removed
// when this object ends, and also when the program ends by exit() without
// unwinding (as Qt ends it when the display goes away).
class PrivateFolder
{
    Q_DECLARE_TR_FUNCTIONS(PrivateFolder)
    Q_DISABLE_COPY_MOVE(PrivateFolder)

public:
    PrivateFolder() = default;
    ~PrivateFolder();

    // Makes "<temporary folder>/<prefix>-XXXXXX", or says why not.
    Outcome create(const QString& prefix);
    const QString& path() const { return m_path; }
    // A file of this folder, to be made by the caller and removed with the folder.
    QString filePath(const QString& name);
    // Removes the files given out by filePath(), then the folder if it is empty.
    void remove();

private:
    QString m_path;
    QStringList m_files;
};
