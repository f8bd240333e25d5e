#include "cli/CliSupport.h"
#include "cli/Commands.h"

// `tvk-thumbnail`: the thumbnail command on its own, started by `tvk thumbnail`.
// It alone needs Qt's image code, which would cost every other `tvk` command
// milliseconds and megabytes at start.
int main(int argc, char* argv[])
{
    return Cli::runProgram(argc, argv, Cli::makeThumbnail);
}
