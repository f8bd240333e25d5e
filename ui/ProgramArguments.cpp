#include "ui/ProgramArguments.h"

#include "files/DisplayText.h"
#include "host/ConsoleText.h"
#include "host/ProgramInfo.h"
#include "pictures/IconMaker.h"
#include "ui/QtServices.h"
#include "ui/SystemTheme.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdlib>
#include <span>

namespace ProgramArguments {

namespace {

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        ProgramInfo::description +
        QStringLiteral(": packs an image's name, its author's name and two icons into a TVK "
                       "file."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    QStringList suffixes(QStringLiteral(".ico"));
    for (const char* suffix : IconMaker::kPictureSuffixes)
        suffixes << QLatin1Char('.') + QLatin1String(suffix);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("A TVK file to open in the window, to change it and convert it again; or "
                       "up to two icons or pictures (%1) and a .tvk file for the boxes, as a "
                       "drop fills them.")
            .arg(suffixes.join(QStringLiteral(", "))),
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

Reading refusal(int status, const QString& line, const QString& told)
{
    ConsoleText::write(stderr, QStringLiteral("%1: %2\n").arg(ProgramInfo::title, line));
    Reading reading;
    reading.exitStatus = status;
    reading.told = told;
    reading.refused = true;
    return reading;
}

// `told` says more than the line, where it has room.
Reading usageError(const QString& message, const QString& told = QString())
{
    const QString escaped = DisplayText::escapeControls(message);
    return refusal(kUsageError,
                   QStringLiteral("%1 (see '%2 --help')").arg(escaped, ProgramInfo::title),
                   told.isEmpty() ? escaped + QLatin1Char('.') : told);
}

Reading shown(const QString& text)
{
    ConsoleText::write(stdout, text);
    Reading reading;
    reading.exitStatus = 0;
    reading.told = text.trimmed();
    return reading;
}

// One TVK file to open, or files for the boxes as a drop places them.
Reading filesToOpen(QStringList files)
{
    Reading reading;
    if (files.isEmpty())
        return reading;
    if (files.size() == 1 &&
        QFileInfo(files.constFirst()).suffix().compare(QLatin1String("tvk"), Qt::CaseInsensitive) ==
            0) {
        reading.packagePath = files.constFirst();
        return reading;
    }
    // Named as the boxes show paths: whole, from wherever the program was started.
    for (QString& file : files)
        file = QDir::current().absoluteFilePath(file);
    Result<FileDrop::Placement> placement = FileDrop::onWindow(files);
    if (placement.failed()) {
        const QString rule = QStringLiteral("Give one TVK file to open, or at most two icons or "
                                            "pictures and one .tvk file");
        // Each misfit on a line of its own in the box, which shows a dozen at most.
        QStringList misfits = placement.reason().split(QLatin1Char('\n'));
        constexpr qsizetype kMostShown = 12;
        if (misfits.size() > kMostShown) {
            const qsizetype more = misfits.size() - kMostShown + 1;
            misfits.resize(kMostShown - 1);
            misfits << QStringLiteral("And %1 more files that do not fit.").arg(more);
        }
        return usageError(placement.reason().replace(QLatin1Char('\n'), QLatin1Char(' ')) +
                              QLatin1Char(' ') + rule,
                          QStringLiteral("Cannot place these files in the window:\n%1\n\n%2.")
                              .arg(misfits.join(QLatin1Char('\n')), rule));
    }
    reading.files = std::move(placement.value());
    return reading;
}

} // namespace

Reading read(int argc, char* argv[])
{
    if (const std::optional<QString> refused = DisplayText::notUtf8Argument(argc, argv))
        return refusal(kRefused, *refused, *refused);
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
        return shown(text);
    }
    if (parser.isSet(version))
        return shown(QStringLiteral("%1 %2\n").arg(ProgramInfo::title, ProgramInfo::version));
    return filesToOpen(parser.positionalArguments());
}

namespace {

// The window system named by the arguments or the environment, if any.
QString platformNamed(int argc, char* argv[])
{
    const std::span<char*> arguments(argv, size_t(argc));
    for (size_t i = 1; i + 1 < arguments.size(); ++i) {
        if (qstrcmp(arguments[i], "-platform") == 0 || qstrcmp(arguments[i], "--platform") == 0)
            return QString::fromLocal8Bit(arguments[i + 1]);
    }
    return qEnvironmentVariable("QT_QPA_PLATFORM");
}

// Whether a message box is all that would be seen: on Windows, whose window program has no
// console; elsewhere for a refusal, once standard error is no terminal, if a window system is
// named (without one, QApplication would only say that it cannot start).
bool boxWanted(int argc, char* argv[], const Reading& reading)
{
    const QString platform = platformNamed(argc, argv);
    // Nobody could see or answer a box there.
    if (platform.startsWith(QLatin1String("offscreen")) ||
        platform.startsWith(QLatin1String("minimal")))
        return false;
#ifdef Q_OS_WIN
    Q_UNUSED(reading)
    // Windows' own is the one built in; Qt tells another that cannot start in a box of its own.
    return platform.isEmpty() || platform.startsWith(QLatin1String("windows"));
#else
    return reading.refused && !ConsoleText::standardErrorIsTerminal() &&
           (!platform.isEmpty() || qEnvironmentVariableIsSet("DISPLAY") ||
            qEnvironmentVariableIsSet("WAYLAND_DISPLAY"));
#endif
}

// The status to exit with when the display named cannot be opened after all.
int& statusWithoutDisplay()
{
    static int status = 0;
    return status;
}

// While the box's application starts: Qt's complaints that no display can be opened
// are not the user's business, and its abort becomes the exit the program was to make.
void startingQuietly(QtMsgType type, const QMessageLogContext& /*context*/,
                     const QString& /*message*/)
{
    if (type == QtFatalMsg)
        std::_Exit(statusWithoutDisplay());
}

} // namespace

void showUnseen(int argc, char* argv[], const Reading& reading)
{
    if (reading.told.isEmpty() || !reading.exitStatus || !boxWanted(argc, argv, reading))
        return;
    statusWithoutDisplay() = *reading.exitStatus;
    const QtMessageHandler previous = qInstallMessageHandler(startingQuietly);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(ProgramInfo::title);
    // Looks as the window would.
    SystemTheme::apply(app);
    QtMessageService().showMessage(reading.told, reading.refused
                                                     ? MessageService::Kind::Warning
                                                     : MessageService::Kind::Information);
}

} // namespace ProgramArguments
