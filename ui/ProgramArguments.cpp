#include "ui/ProgramArguments.h"

#include "files/DisplayText.h"
#include "host/ConsoleText.h"
#include "host/ProgramInfo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ProgramArguments {

namespace {

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        ProgramInfo::description +
        QStringLiteral(": packs an image's name, its author's name and two icons into a TVK "
                       "file."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("A TVK file to open in the window, to change it and convert it again; or "
                       "up to two .ico files and a .tvk file for the boxes, as a drop fills "
                       "them."),
        QStringLiteral("[FILE...]"));
    // Qt's window-system options, for QApplication: accepted to reach it, left out of the help.
    const auto add = [&parser](const char* name, const QString& valueName) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), valueName);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    };
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
          "qwindowicon", "qwindowtitle", "display", "geometry", "style", "stylesheet", "session"})
        add(name, QStringLiteral("value"));
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
        add(name, QString());
}

Reading usageError(const QString& message)
{
    ConsoleText::write(stderr, QStringLiteral("%1: %2 (see '%1 --help')\n")
                                   .arg(ProgramInfo::title, DisplayText::escapeControls(message)));
    return {kUsageError, {}, {}};
}

// One TVK file to open, or files for the boxes as a drop places them.
Reading filesToOpen(QStringList files)
{
    if (files.isEmpty())
        return {};
    if (files.size() == 1 &&
        QFileInfo(files.constFirst()).suffix().compare(QLatin1String("tvk"), Qt::CaseInsensitive) ==
            0)
        return {std::nullopt, files.constFirst(), std::nullopt};
    // Named as the boxes show paths: whole, from wherever the program was started.
    for (QString& file : files)
        file = QDir::current().absoluteFilePath(file);
    std::optional<FileDrop::Placement> placement = FileDrop::onWindow(files);
    if (!placement)
        return usageError(QStringLiteral("Give one TVK file to open, or at most two .ico files "
                                         "and one .tvk file"));
    return {std::nullopt, QString(), std::move(placement)};
}

} // namespace

Reading read(int argc, char* argv[])
{
    if (const std::optional<QString> refused = DisplayText::notUtf8Argument(argc, argv)) {
        ConsoleText::write(stderr, QStringLiteral("%1: %2\n").arg(ProgramInfo::title, *refused));
        return {kRefused, {}, {}};
    }
    // An application object of its own, which needs no display, for the
    // arguments as the system passed them (on Windows, in wide characters).
    QCoreApplication reader(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    describe(parser);

    if (!parser.parse(QCoreApplication::arguments())) {
        QString error = parser.errorText();
        if (error.endsWith(QLatin1Char('.')))
            error.chop(1);
        return usageError(error);
    }
    if (parser.isSet(help)) {
        // Named as it is typed, not by the path it was started from.
        QString text = parser.helpText();
        const QString usage =
            QStringLiteral("Usage: ") + QCoreApplication::arguments().constFirst();
        if (text.startsWith(usage))
            text.replace(0, usage.size(), QStringLiteral("Usage: ") + ProgramInfo::title);
        ConsoleText::write(stdout, text);
        return {0, {}, {}};
    }
    if (parser.isSet(version)) {
        ConsoleText::write(stdout,
                           QStringLiteral("%1 %2\n").arg(ProgramInfo::title, ProgramInfo::version));
        return {0, {}, {}};
    }
    return filesToOpen(parser.positionalArguments());
}

} // namespace ProgramArguments
