#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "files/DisplayText.h"
#include "format/IcoDirectory.h"
#include "format/SingleByteText.h"
#include "format/SystemCodePage.h"
#include "host/ConsoleText.h"
#include "package/PictureIcon.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Cli {

namespace {

// The characters of each name shown: enough for any real name, never the gigabytes a crafted
// file may declare.
constexpr qint64 kShownCharacters = 1000;

// A name as stored, cut to what is shown: one byte is one character.
struct ShownText
{
    QString text;
    qint64 length = 0;
};

QString describe(const ShownText& text)
{
    QString shown = DisplayText::escapeControls(text.text);
    if (text.length <= text.text.size())
        return shown;
    return shown + QStringLiteral("… (%1 characters)").arg(text.length);
}

void insertText(QJsonObject& object, const QString& key, const ShownText& text)
{
    object.insert(key, text.text);
    object.insert(key + QStringLiteral("Length"), text.length);
    object.insert(key + QStringLiteral("Truncated"), text.length > text.text.size());
}

// QJsonDocument escapes C0 controls only; DEL and C1 controls could still
// steer a terminal, so they are escaped as JSON allows for any character.
QString escapeRemainingControls(QString json)
{
    for (char16_t c = 0x7F; c <= 0x9F; ++c)
        json.replace(QChar(c), QStringLiteral("\\u%1").arg(int(c), 4, 16, QLatin1Char('0')));
    return json;
}

struct IconSummary
{
    qint64 offset = 0;
    qint64 size = 0;
    // Set when the bytes look like an ICO file.
    std::optional<std::vector<IcoDirectory::Entry>> images;
    // Set when they are a picture instead, as IconMaker names its format.
    std::optional<QByteArray> picture;
};

IconSummary summaryOf(QFile& file, qint64 offset, qint64 size)
{
    IconSummary icon{offset, size, IcoDirectory::read(file, offset, size), std::nullopt};
    if (!icon.images && file.seek(offset))
        icon.picture =
            IconMaker::pictureFormat(file.read(std::min(size, qint64(IconMaker::kHeadBytes))));
    return icon;
}

QJsonObject toJson(const IconSummary& icon)
{
    QJsonObject object{{QStringLiteral("offset"), icon.offset},
                       {QStringLiteral("size"), icon.size},
                       {QStringLiteral("ico"), icon.images.has_value()}};
    if (icon.images)
        object.insert(QStringLiteral("images"),
                      QJsonArray::fromStringList(IcoDirectory::sizeNames(*icon.images)));
    if (icon.picture)
        object.insert(QStringLiteral("picture"), QString::fromLatin1(*icon.picture));
    return object;
}

QString describe(const IconSummary& icon)
{
    const QString bytes = QStringLiteral("%1 bytes").arg(icon.size);
    if (icon.picture) {
        return bytes + QStringLiteral(", %1 picture, not an ICO file")
                           .arg(IconMaker::formatName(*icon.picture));
    }
    if (!icon.images)
        return bytes + QStringLiteral(", not an ICO file");
    return bytes + QStringLiteral(", ICO file with images ") +
           IcoDirectory::sizeNames(*icon.images).join(QStringLiteral(", "));
}

int execute(const QCommandLineParser& parser)
{
    const QString path = parser.positionalArguments().constFirst();
    QFile file;
    const std::optional<TvkContents> contents = readPackage(file, path, kShownCharacters);
    if (!contents)
        return Failure;
    const ShownText name{SingleByteText::decode(contents->NameText), contents->NameLength};
    const ShownText author{SingleByteText::decode(contents->AuthorText), contents->AuthorLength};
    const IconSummary left = summaryOf(file, contents->leftOffset, contents->LeftLength);
    const IconSummary right = summaryOf(file, contents->rightOffset, contents->RightLength);

    if (parser.isSet(QStringLiteral("json"))) {
        QJsonObject object{{QStringLiteral("file"), path},
                           {QStringLiteral("left"), toJson(left)},
                           {QStringLiteral("right"), toJson(right)},
                           {QStringLiteral("size"), contents->fileSize},
                           {QStringLiteral("codePage"), int(SystemCodePage::number())}};
        insertText(object, QStringLiteral("name"), name);
        insertText(object, QStringLiteral("author"), author);
        ConsoleText::write(stdout, escapeRemainingControls(QString::fromUtf8(
                                       QJsonDocument(object).toJson(QJsonDocument::Compact))) +
                                       QLatin1Char('\n'));
    } else {
        ConsoleText::write(
            stdout, QStringLiteral("Name:   %1\nAuthor: %2\nText:   %3\nLeft:   %4\nRight:  %5\n"
                                   "Size:   %6 bytes\n")
                        .arg(describe(name), describe(author), SystemCodePage::name(),
                             describe(left), describe(right), QString::number(contents->fileSize)));
    }
    return Success;
}

} // namespace

Command makeInfoCommand()
{
    return {{.name = QStringLiteral("info"),
             .summary =
                 QStringLiteral("Shows what a TVK file holds: the names, the two icons and their "
                                "sizes."),
             .usage = QStringLiteral("tvk info [--json] FILE"),
             .notes = QStringLiteral("Names longer than 1,000 characters are shown cut, with their "
                                     "length.\n\n"
                                     "Examples:\n"
                                     "  tvk info cafe.tvk\n"
                                     "  tvk info --json cafe.tvk"),
             .options = {QCommandLineOption(QStringLiteral("json"),
                                            QStringLiteral("Print one JSON object, for scripts."))},
             .arguments = {{QStringLiteral("FILE"), QStringLiteral("The TVK file.")}}},
            execute};
}

} // namespace Cli
