#include "host/Interruption.h"

#include <atomic>
#include <csignal>
#include <windows.h>

namespace Interruption {

namespace {
std::atomic<int> g_received{0};

// Runs on a thread of its own. Returning TRUE keeps the process running, so
// that the command can clean up; Windows ends it anyway a few seconds after a
// closed console, which is as long as any cleanup here takes.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    const int signal = event == CTRL_C_EVENT       ? SIGINT
                       : event == CTRL_BREAK_EVENT ? SIGBREAK
                                                   : SIGTERM;
    if (g_received.exchange(signal) != 0)
        return FALSE;
    return TRUE;
}
} // namespace

void catchSignals()
{
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

int received()
{
    return g_received.load();
}

} // namespace Interruption
