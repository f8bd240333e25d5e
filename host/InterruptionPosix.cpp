#include "host/Interruption.h"

#include <atomic>
#include <csignal>

namespace Interruption {

namespace {
std::atomic<int> g_received{0};

extern "C" void onSignal(int signal)
{
    // A second request is not waited on: the default action ends the program.
    if (g_received.exchange(signal) != 0) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}
} // namespace

void catchSignals()
{
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

int received()
{
    return g_received.load();
}

} // namespace Interruption
