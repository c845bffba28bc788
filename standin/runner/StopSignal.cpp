#include "StopSignal.h"

#include <atomic>
#include <csignal>
#include <iterator>

namespace runner {

namespace {
// The handler may run on any of the runner's threads.
std::atomic<int> g_stop_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
// Written before the handler is installed, only read after.
bool g_caught[std::size(kStopSignals)];

extern "C" void note_stop_signal(int signal)
{
    g_stop_signal.store(signal, std::memory_order_relaxed);
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
        if (g_caught[i])
            std::signal(kStopSignals[i], SIG_DFL);
}
} // namespace

void catch_stop_signals()
{
    std::signal(SIGPIPE, SIG_IGN);
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
        struct sigaction now {};
        g_caught[i] = sigaction(kStopSignals[i], nullptr, &now) == 0 && now.sa_handler != SIG_IGN;
        if (g_caught[i])
            std::signal(kStopSignals[i], note_stop_signal);
    }
}

int stop_signal() { return g_stop_signal.load(std::memory_order_relaxed); }

} // namespace runner
