#pragma once

#include "base/Outcome.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>

// Opens an existing regular file for reading, or says why not ("The file does not exist.").
// `file` has no name then: callers keep the path for their messages.
class InputFile
{
    Q_DECLARE_TR_FUNCTIONS(InputFile)

public:
    static Outcome open(QFile& file, const QString& path);
};
