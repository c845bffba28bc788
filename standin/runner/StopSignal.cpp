#include "StopSignal.h"

#include <csignal>

namespace runner {

namespace {
volatile std::sig_atomic_t g_stop_signal = 0;

extern "C" void note_stop_signal(int signal) { g_stop_signal = signal; }
} // namespace

void catch_stop_signals()
{
    std::signal(SIGINT, note_stop_signal);
    std::signal(SIGTERM, note_stop_signal);
}

int stop_signal() { return g_stop_signal; }

} // namespace runner
