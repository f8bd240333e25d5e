#include "ui/Conversion.h"

#include "ui/MessageService.h"

std::optional<Outcome> Conversion::run(const PackageRequest& inputs,
                                       const PackageRequest& placeholders, MessageService& messages,
                                       const Writer& write)
{
    using Input = PackageRequest::Input;
    const QList<Input> missing = inputs.missingInputs(placeholders);
    const auto tell = [&messages](const QString& text) {
        messages.showMessage(text, MessageService::Kind::Warning);
    };
    if (missing.contains(Input::Left) || missing.contains(Input::Right))
        tell(tr("Please select both (left and right) ICO files!"));
    if (missing.contains(Input::Output))
        tell(tr("Please select output TVK file!"));
    if (missing.contains(Input::Name) || missing.contains(Input::Author))
        tell(tr("Enter both Tovrik and Author names!"));
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
