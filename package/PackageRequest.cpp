#include "package/PackageRequest.h"

QList<PackageRequest::Input> PackageRequest::missingInputs(const PackageRequest& placeholders) const
{
    const std::pair<Input, const QString PackageRequest::*> inputs[] = {
        {Input::Left, &PackageRequest::leftPath},
        {Input::Right, &PackageRequest::rightPath},
        {Input::Output, &PackageRequest::outputPath},
        {Input::Name, &PackageRequest::name},
        {Input::Author, &PackageRequest::author}};
    QList<Input> missing;
    for (const auto& [input, member] : inputs) {
        const QString& text = this->*member;
        if (text.isEmpty() || text == placeholders.*member)
            missing << input;
    }
    return missing;
}
