#pragma once

#include "base/Outcome.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <memory>

class QLockFile;

// The program's own folder in the temporary folder (for an opened TVK file's icons), made
// only where no other user can replace it. Removed file by file, never recursively (so nothing
// outside it is touched), when this object ends or the program calls exit() (as Qt does when
// the display goes). A lock file inside names the process that owns it, so that a folder left
// by a process that ended by force (a crash, a kill) is known as abandoned.
class PrivateFolder
{
    Q_DECLARE_TR_FUNCTIONS(PrivateFolder)
    Q_DISABLE_COPY_MOVE(PrivateFolder)

public:
    PrivateFolder();
    ~PrivateFolder();

    // Makes "<temporary folder>/<prefix>-XXXXXX", or says why not.
    Outcome create(const QString& prefix);
    // A file of this folder for the caller to make, removed with the folder.
    QString filePath(const QString& name);
    // Removes the files given out by filePath(), then the folder if it is empty.
    void remove();

    // Removes the folders made with this prefix whose process is gone; those of running
    // processes, and folders without an owner's lock (not made here), stay.
    static void removeAbandoned(const QString& prefix);

private:
    QString m_path;
    QStringList m_files;
    std::unique_ptr<QLockFile> m_owner;
};
