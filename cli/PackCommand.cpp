#include "cli/CliSupport.h"
#include "cli/Commands.h"

#include "format/SystemCodePage.h"
#include "package/PackageWriter.h"

namespace Cli {

namespace {

int execute(const QCommandLineParser& parser)
{
    for (const char* required : {"name", "author", "output"}) {
        if (!parser.isSet(QLatin1String(required))) {
            return reportUsageError(QStringLiteral("--%1 is required").arg(QLatin1String(required)),
                                    QStringLiteral("pack"));
        }
    }
    const PackageRequest request{parser.positionalArguments().at(0),
                                 parser.positionalArguments().at(1),
                                 parser.value(QStringLiteral("output")),
                                 parser.value(QStringLiteral("name")),
                                 parser.value(QStringLiteral("author")),
                                 pictureStorage(parser),
                                 pictureStorage(parser)};
    // The first missing text, in the order the window asks for them, told by the
    // argument that gave it: "--name is empty".
    if (const QList<PackageRequest::Input> missing = request.missingInputs(); !missing.isEmpty()) {
        const char* const arguments[] = {"LEFT", "RIGHT", "--output", "--name", "--author"};
        return reportFailure(
            QStringLiteral("%1 is empty").arg(QLatin1String(arguments[int(missing.first())])));
    }
    for (const QString& note : madeIconNotes(request))
        reportLine(QStringLiteral("tvk: ") + note);
    const Outcome written =
        PackageWriter::write(request, [](qint64, qint64) { return !interrupted(); });
    if (written.failed())
        reportFailure(written.reason());
    return written.isDone() ? Success : Failure;
}

// What the names may hold, in the code page they are stored in.
QString namesNote()
{
    if (SystemCodePage::number() == 1252) {
        return QStringLiteral(
            "The two names may hold any character of Windows-1252: the letters of Western\n"
            "European languages, digits, punctuation, the euro sign and typographic quotes;\n");
    }
    return QStringLiteral("The two names may hold any character that %1, the system's code "
                          "page,\nstores in one byte; ")
        .arg(SystemCodePage::name());
}

} // namespace

Command makePackCommand()
{
    return {
        {.name = QStringLiteral("pack"),
         .summary = QStringLiteral(
             "Packs two icon files, an image name and an author's name into a TVK file."),
         .usage = QStringLiteral("tvk pack --name NAME --author AUTHOR LEFT RIGHT -o OUTPUT"),
         .notes =
             namesNote() +
             QStringLiteral(
                 "a name with any other character is refused. An icon file is packed byte for\n"
                 "byte, except a picture (PNG, JPEG, BMP, GIF, WebP or SVG), which is made into\n"
                 "an icon as 'tvk icon' makes one, and said so on standard error; --as-is packs\n"
                 "it as it is. An existing OUTPUT is replaced, whole and only once the new file\n"
                 "is on disk.\n\n"
                 "Example:\n"
                 "  tvk pack --name \"Café\" --author \"Zoë\" left.ico right.ico -o cafe.tvk"),
         .options = {QCommandLineOption({QStringLiteral("n"), QStringLiteral("name")},
                                        QStringLiteral("The image's name."),
                                        QStringLiteral("NAME")),
                     QCommandLineOption({QStringLiteral("a"), QStringLiteral("author")},
                                        QStringLiteral("The author's name."),
                                        QStringLiteral("AUTHOR")),
                     QCommandLineOption({QStringLiteral("o"), QStringLiteral("output")},
                                        QStringLiteral("The TVK file to write."),
                                        QStringLiteral("OUTPUT")),
                     asIsOption()},
         .arguments = {{QStringLiteral("LEFT"), QStringLiteral("The left icon file.")},
                       {QStringLiteral("RIGHT"), QStringLiteral("The right icon file.")}}},
        execute};
}

} // namespace Cli
