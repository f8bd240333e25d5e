#pragma once

// The signals that ask a program to stop (SIGINT, SIGTERM and SIGHUP; Ctrl+C,
// Ctrl+Break and a closed console on Windows), caught so that a command can
// remove the files it made before it ends. A second one ends it at once.
namespace Interruption {

void catchSignals();

// The signal received since catchSignals(), or 0.
int received();

// What a shell shows for a program a signal ended: 128 plus its number.
inline int exitStatus(int signal)
{
    return 128 + signal;
}

} // namespace Interruption
