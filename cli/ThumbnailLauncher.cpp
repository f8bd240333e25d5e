#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/ThumbnailDescription.h"

#include "host/ProcessImage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace Cli {

namespace {

// Beside `tvk` in the build, in the package's libexec folder once installed.
QString thumbnailHelper()
{
    const QDir here(QCoreApplication::applicationDirPath());
    const QString name = helperFileName(QStringLiteral("tvk-thumbnail"));
    for (const QString& candidate :
         {here.filePath(name), here.filePath(QStringLiteral(TVK_LIBEXEC_FROM_BIN "/") + name)}) {
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    }
    return {};
}

// Parses nothing itself: every argument, --help included, is the helper's.
class ThumbnailLauncher final : public Command
{
public:
    ThumbnailLauncher() : Command(thumbnailDescription()) {}

    int run(const QStringList& arguments) override;
};

int ThumbnailLauncher::run(const QStringList& arguments)
{
    const QString helper = thumbnailHelper();
    if (helper.isEmpty()) {
        reportFailure(QStringLiteral("Cannot make thumbnails: tvk-thumbnail is not installed."));
        return Failure;
    }
    // Run in this process's place: a signal to it (a file manager's timeout)
    // reaches the helper itself, and no process of ours is left behind.
    if (ProcessImage::canReplace()) {
        const QString reason =
            ProcessImage::replace(helper, QStringList{helper} + arguments.mid(1));
        reportFailure(QStringLiteral("Cannot make thumbnails: %1").arg(reason));
        return Failure;
    }
    QProcess process;
    // Its output, failures and exit status are this command's own.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.start(helper, arguments.mid(1));
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit) {
        reportFailure(QStringLiteral("Cannot make thumbnails: tvk-thumbnail failed: %1.")
                          .arg(process.errorString()));
        return Failure;
    }
    return process.exitCode();
}

} // namespace

std::unique_ptr<Command> makeThumbnailLauncher()
{
    return std::make_unique<ThumbnailLauncher>();
}

} // namespace Cli
