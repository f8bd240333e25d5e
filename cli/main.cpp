#include "cli/CliSupport.h"
#include "cli/Dispatch.h"

// `tvk`: packs, inspects and unpacks TVK files from scripts and terminals.
int main(int argc, char* argv[])
{
    return Cli::runProgram(argc, argv, Cli::runCommand);
}
