#include "CliSupport.h"
#include "Commands.h"
#include "OpenPackage.h"

#include "IcoProbe.h"
#include "SingleByteText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {

struct IconSummary
{
    qint64 offset = 0;
    qint64 size = 0;
    std::optional<QList<QSize>> images; // set when the bytes look like an ICO file
};

QStringList imageSizes(const QList<QSize>& images)
{
    QStringList sizes;
    for (const QSize& size : images)
        sizes << QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
    return sizes;
}

QJsonObject toJson(const IconSummary& icon)
{
    QJsonObject object{{QStringLiteral("offset"), icon.offset},
                       {QStringLiteral("size"), icon.size},
                       {QStringLiteral("ico"), icon.images.has_value()}};
    if (icon.images)
        object.insert(QStringLiteral("images"),
                      QJsonArray::fromStringList(imageSizes(*icon.images)));
    return object;
}

QString describe(const IconSummary& icon)
{
    const QString bytes = QStringLiteral("%1 bytes").arg(icon.size);
    if (!icon.images)
        return bytes + QStringLiteral(", not an ICO file");
    return bytes + QStringLiteral(", ICO file with images ") +
           imageSizes(*icon.images).join(QStringLiteral(", "));
}

} // namespace

int runInfo(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows what a TVK file holds: the names, the two icons and their sizes."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print one JSON object, for scripts."));
    parser.addOption(json);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The TVK file."));

    int status = Success;
    if (!parseCommand(parser, arguments, 1, status))
        return status;

    QFile file(parser.positionalArguments().constFirst());
    const std::optional<TvkContents> contents = openPackage(file);
    if (!contents)
        return Failure;
    const QString name = decodeSingleByte(contents->NameText);
    const QString author = decodeSingleByte(contents->AuthorText);
    const IconSummary left{contents->leftOffset, contents->LeftLength,
                           probeIco(file, contents->leftOffset, contents->LeftLength)};
    const IconSummary right{contents->rightOffset, contents->RightLength,
                            probeIco(file, contents->rightOffset, contents->RightLength)};

    QTextStream out(stdout);
    if (parser.isSet(json)) {
        const QJsonObject object{{QStringLiteral("file"), file.fileName()},
                                 {QStringLiteral("name"), name},
                                 {QStringLiteral("author"), author},
                                 {QStringLiteral("left"), toJson(left)},
                                 {QStringLiteral("right"), toJson(right)},
                                 {QStringLiteral("size"), contents->fileSize}};
        out << QJsonDocument(object).toJson(QJsonDocument::Compact) << Qt::endl;
    } else {
        out << "Name:   " << name << '\n'
            << "Author: " << author << '\n'
            << "Left:   " << describe(left) << '\n'
            << "Right:  " << describe(right) << '\n'
            << "Size:   " << contents->fileSize << " bytes" << Qt::endl;
    }
    return Success;
}
