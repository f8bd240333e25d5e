#include "ui/Conversion.h"

#include "ui/MessageService.h"

QStringList Conversion::missingInputMessages(const PackageRequest& fields,
                                             const PackageRequest& placeholders)
{
    using Field = PackageRequest::Field;
    const QList<Field> missing = fields.missingFields(placeholders);
    QStringList messages;
    if (missing.contains(Field::Left) || missing.contains(Field::Right))
        messages << tr("Please select both (left and right) ICO files!");
    if (missing.contains(Field::Output))
        messages << tr("Please select output TVK file!");
    if (missing.contains(Field::Name) || missing.contains(Field::Author))
        messages << tr("Enter both Tovrik and Author names!");
    return messages;
}

Conversion::Ended Conversion::run(const PackageRequest& fields, const PackageRequest& placeholders,
                                  MessageService& messages, const Writer& write)
{
    const QStringList missing = missingInputMessages(fields, placeholders);
    for (const QString& message : missing)
        messages.showMessage(message, MessageService::Kind::Warning);
    if (!missing.isEmpty())
        return Ended::InputMissing;

    const WriteResult outcome = write ? write(fields) : PackageWriter::write(fields);
    switch (outcome.status) {
    case WriteResult::Status::Written:
        messages.showMessage(tr("Ready!"), MessageService::Kind::Information);
        return Ended::Written;
    case WriteResult::Status::Refused:
        messages.showMessage(outcome.message, MessageService::Kind::Warning);
        return Ended::Refused;
    case WriteResult::Status::Failed:
        messages.showMessage(outcome.message, MessageService::Kind::Error);
        return Ended::Failed;
    case WriteResult::Status::Cancelled:
        // The user asked for it; there is nothing to tell.
        return Ended::Cancelled;
    }
    return Ended::Failed;
}
