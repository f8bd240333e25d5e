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
    // PackageWriter::write by default; the window runs it on a worker, its progress shown.
    using Writer = std::function<Outcome(const PackageRequest& request)>;

    // Tells what is missing (empty, or still the text its box starts with), one message for
    // each group of texts in the order icons, output, names. Otherwise runs the writer and,
    // once it has ended, tells "Ready!", a refusal as a warning, a failure as an error,
    // nothing for a cancel. Gives the writer's outcome, or none when something was missing.
    static std::optional<Outcome> run(const PackageRequest& inputs,
                                      const PackageRequest& placeholders, MessageService& messages,
                                      const Writer& write = {});
};
