#include "package/ConvertCommand.h"

#include "runtime/MessageService.h"

namespace {
bool isMissing(const QString& text, const QString& placeholder)
{
    return text.isEmpty() || text == placeholder;
}
} // namespace

QStringList ConvertCommand::missingInputMessages(const PackageRequest& fields,
                                                 const PackageRequest& placeholders)
{
    QStringList messages;
    if (isMissing(fields.leftPath, placeholders.leftPath) ||
        isMissing(fields.rightPath, placeholders.rightPath))
        messages << tr("Please select both (left and right) ICO files!");
    if (isMissing(fields.outputPath, placeholders.outputPath))
        messages << tr("Please select output TVK file!");
    if (isMissing(fields.name, placeholders.name) || isMissing(fields.author, placeholders.author))
        messages << tr("Enter both Tovrik and Author names!");
    return messages;
}

bool ConvertCommand::run(const PackageRequest& fields, const PackageRequest& placeholders,
                         MessageService& messages, const Writer& write)
{
    const QStringList missing = missingInputMessages(fields, placeholders);
    for (const QString& message : missing)
        messages.showMessage(message, MessageService::Kind::Warning);
    if (!missing.isEmpty())
        return false;

    const WriteResult outcome = write ? write(fields) : PackageWriter::write(fields);
    switch (outcome.status) {
    case WriteResult::Status::Written:
        messages.showMessage(tr("Ready!"), MessageService::Kind::Information);
        return true;
    case WriteResult::Status::Refused:
        messages.showMessage(outcome.message, MessageService::Kind::Warning);
        return false;
    case WriteResult::Status::Failed:
        messages.showMessage(outcome.message, MessageService::Kind::Error);
        return false;
    case WriteResult::Status::Cancelled:
        // The user asked for it; there is nothing to tell.
        return false;
    }
    return false;
}
