#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <optional>

// Opens an existing regular file for reading, without ever waiting on a FIFO or
// device, and checks what was opened on the open handle itself. Returns nothing
// when `file` is open, else why not, as a sentence for the user ("The file does
// not exist."). `file` has no name of its own then: callers keep the path for
// their messages.
class InputFile
{
    Q_DECLARE_TR_FUNCTIONS(InputFile)

public:
    static std::optional<QString> open(QFile& file, const QString& path);
};
