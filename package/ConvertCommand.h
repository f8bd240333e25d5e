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
    // names. A text is missing when it is empty or still its placeholder, the
    // text its box starts with (the window's form holds them).
    static QStringList missingInputMessages(const PackageRequest& fields,
                                            const PackageRequest& placeholders);

    // Writes the package of the request: by default PackageWriter::write, here;
    // the window runs it on a worker thread, with its progress shown.
    using Writer = std::function<WriteResult(const PackageRequest& request)>;

    // Runs the command to its end, telling the user everything through messages,
    // each once the writing has ended. Returns true when the file was written.
    static bool run(const PackageRequest& fields, const PackageRequest& placeholders,
                    MessageService& messages, const Writer& write = {});
};
