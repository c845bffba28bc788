// SIGINT and SIGTERM during a render: noted, so that the run stops between
// frames and removes its temporaries instead of dying mid-write.
#pragma once

namespace runner {

// From here on the two signals only set a flag.
void catch_stop_signals();
// The signal that arrived, or 0.
int stop_signal();

} // namespace runner
