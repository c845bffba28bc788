// SIGINT, SIGTERM and SIGHUP (a closed terminal) during a render: noted, so
// that the run stops between frames and commits the whole frames it has
// instead of dying mid-write. A second one ends the run at once, as it would
// without the handler.
#pragma once

namespace runner {

// From here on the stop signals only set a flag, except one ignored at
// start (a run under nohup, or in the background), which stays ignored.
// SIGPIPE is ignored: a closed output must not kill a render mid-write.
void catch_stop_signals();
// The signal that arrived, or 0.
int stop_signal();

} // namespace runner
