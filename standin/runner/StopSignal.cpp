#include "StopSignal.h"

#include <atomic>
#include <csignal>

namespace runner {

namespace {
// The handler may run on any of the runner's threads.
std::atomic<int> g_stop_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

// The first signal asks for a stop between frames; a second one ends the run
// at once, as it would without the handler.
extern "C" void note_stop_signal(int signal)
{
    g_stop_signal.store(signal, std::memory_order_relaxed);
    std::signal(signal, SIG_DFL);
}
} // namespace

void catch_stop_signals()
{
    std::signal(SIGINT, note_stop_signal);
    std::signal(SIGTERM, note_stop_signal);
}

int stop_signal() { return g_stop_signal.load(std::memory_order_relaxed); }

} // namespace runner
