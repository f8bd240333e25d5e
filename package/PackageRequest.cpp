#include "package/PackageRequest.h"

QList<PackageRequest::Field> PackageRequest::missingFields(const PackageRequest& placeholders) const
{
    const std::pair<Field, const QString PackageRequest::*> fields[] = {
        {Field::Left, &PackageRequest::leftPath},
        {Field::Right, &PackageRequest::rightPath},
        {Field::Output, &PackageRequest::outputPath},
        {Field::Name, &PackageRequest::name},
        {Field::Author, &PackageRequest::author}};
    QList<Field> missing;
    for (const auto& [field, member] : fields) {
        const QString& text = this->*member;
        if (text.isEmpty() || text == placeholders.*member)
            missing << field;
    }
    return missing;
}
