#include "host/Interruption.h"

#include <QtGlobal>

#include <atomic>
#include <csignal>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace Interruption {

namespace {
std::atomic<int> g_received{0};

#ifdef Q_OS_WIN
// Runs on a thread of its own. TRUE keeps the process running to clean up; Windows ends it
// anyway a few seconds after a closed console, as long as any cleanup here takes.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    const int signal = event == CTRL_C_EVENT       ? SIGINT
                       : event == CTRL_BREAK_EVENT ? SIGBREAK
                                                   : SIGTERM;
    return g_received.exchange(signal) == 0;
}
#else
extern "C" void onSignal(int signal)
{
    // A second request is not waited on: the default action ends the program.
    if (g_received.exchange(signal) != 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}
#endif
} // namespace

void catchSignals()
{
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
#endif
}

int received()
{
    return g_received.load();
}

} // namespace Interruption
