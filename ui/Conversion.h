#pragma once

#include "package/PackageWriter.h"

#include <QCoreApplication>
#include <QString>

#include <functional>
#include <optional>

class MessageService;

// What "Convert!" does with the five texts of the main window: tells the user
// what is missing, and otherwise writes the TVK file and says "Ready!".
class Conversion
{
    Q_DECLARE_TR_FUNCTIONS(Conversion)

public:
    // Writes the package of the request: by default PackageWriter::write, here;
    // the window runs it on a worker thread, with its progress shown.
    using Writer = std::function<Outcome(const PackageRequest& request)>;

    // Tells what is missing, one message for each group of missing texts, in the
    // order icons, output, names: a text is missing when it is empty or still its
    // placeholder, the text its box starts with (the window's form holds them).
    // Otherwise runs the writer to its end, telling the user everything through
    // messages, each once the writing has ended: "Ready!", a refusal as a
    // warning, a failure as an error, nothing for a cancel. Gives the writer's
    // outcome, or none when something was missing (told, and nothing written).
    static std::optional<Outcome> run(const PackageRequest& inputs,
                                      const PackageRequest& placeholders, MessageService& messages,
                                      const Writer& write = {});
};
