#pragma once

#include "package/PackageWriter.h"

#include <QCoreApplication>
#include <QStringList>

class MessageService;

// "Convert!": checks the five texts of the main window, tells the user what is
// missing, and otherwise writes the TVK file and says "Ready!".
class ConvertCommand
{
    Q_DECLARE_TR_FUNCTIONS(ConvertCommand)

public:
    // One message for each group of missing texts, in the order icons, output,
    // names. A text is missing when it is empty or still its placeholder.
    static QStringList missingInputMessages(const PackageRequest& fields);

    // Runs the command to its end, telling the user everything through messages.
    // `progress` follows the writing; `writingDone` runs once it has ended,
    // before the outcome is told. Returns true when the file was written.
    static bool run(const PackageRequest& fields, MessageService& messages,
                    const WriteProgress& progress = {},
                    const std::function<void()>& writingDone = {});
};
