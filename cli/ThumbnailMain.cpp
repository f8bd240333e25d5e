#include "cli/CliSupport.h"
#include "cli/Commands.h"

// `tvk-thumbnail`: the thumbnail command on its own, started by `tvk thumbnail`
// and by file managers. It alone decodes pictures (libpng), which every other
// `tvk` command would load at start for nothing.
int main(int argc, char* argv[])
{
    return Cli::runProgram(argc, argv, [](const QStringList& arguments) {
        return Cli::makeThumbnailCommand()->run(arguments);
    });
}
