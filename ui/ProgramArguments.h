#pragma once

#include "ui/FileDrop.h"

#include <QString>

#include <optional>

// The window program's command line: "TVK_Mak [FILE...]", with --help and
// --version. One TVK file is opened; several files (dropped on the program's
// icon, "Send to") fill the boxes as a drop on the window does. Read before any
// window system is opened, so that help and version work without a display; what
// is printed is also shown in a message box where nobody would see it.
namespace ProgramArguments {

inline constexpr int kRefused = 1;
inline constexpr int kUsageError = 2;

struct Reading
{
    // Set when the program has done what it was asked (help, version) or was
    // asked wrongly, with the status to exit with; the window opens otherwise.
    std::optional<int> exitStatus;
    // What was printed before exiting: help or version, or why the arguments are refused.
    QString told;
    bool refused = false;
    // The TVK file to open, if one was given alone.
    QString packagePath;
    // Otherwise the files for the boxes, if any were given.
    std::optional<FileDrop::Placement> files;
};

Reading read(int argc, char* argv[]);

// Shows what `read` told in a message box where the console is not seen (a program
// started from a file manager, or by "Send to"). Without a display, the printing was all.
void showUnseen(int argc, char* argv[], const Reading& reading);

} // namespace ProgramArguments
