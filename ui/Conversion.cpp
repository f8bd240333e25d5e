#include "ui/Conversion.h"

#include "ui/MessageService.h"

QStringList Conversion::missingInputMessages(const PackageRequest& inputs,
                                             const PackageRequest& placeholders)
{
    using Input = PackageRequest::Input;
    const QList<Input> missing = inputs.missingInputs(placeholders);
    QStringList messages;
    if (missing.contains(Input::Left) || missing.contains(Input::Right))
        messages << tr("Please select both (left and right) ICO files!");
    if (missing.contains(Input::Output))
        messages << tr("Please select output TVK file!");
    if (missing.contains(Input::Name) || missing.contains(Input::Author))
        messages << tr("Enter both Tovrik and Author names!");
    return messages;
}

std::optional<Outcome> Conversion::run(const PackageRequest& inputs,
                                       const PackageRequest& placeholders, MessageService& messages,
                                       const Writer& write)
{
    const QStringList missing = missingInputMessages(inputs, placeholders);
    for (const QString& message : missing)
        messages.showMessage(message, MessageService::Kind::Warning);
    if (!missing.isEmpty())
        return std::nullopt;

    Outcome written = write ? write(inputs) : PackageWriter::write(inputs);
    if (written.isDone())
        messages.showMessage(tr("Ready!"), MessageService::Kind::Information);
    else if (written.failed())
        messages.showMessage(written.reason(), written.refused() ? MessageService::Kind::Warning
                                                                 : MessageService::Kind::Error);
    return written;
}
