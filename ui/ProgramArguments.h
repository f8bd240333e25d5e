#pragma once

#include <QString>

#include <optional>

// The window program's command line: "TVK_Mak [FILE]", FILE being a TVK file to
// open, with --help and --version. Read before any window system is opened, so
// that those two work without a display.
namespace ProgramArguments {

inline constexpr int kRefused = 1;
inline constexpr int kUsageError = 2;

struct Reading
{
    // Set when the program has done what it was asked (help, version) or was
    // asked wrongly, with the status to exit with; the window opens otherwise.
    std::optional<int> exitStatus;
    QString packagePath;
};

Reading read(int argc, char* argv[]);

} // namespace ProgramArguments
