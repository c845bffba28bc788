// Splits a run of rows across the host's worker threads, as the real host
// does for its pixel iteration and transfers.
#pragma once

#include <functional>

namespace standin {

// Calls work(first, end) on contiguous bands that cover [0, rows), run by at
// most `threads` threads (0: one a core), the host's workers and the
// caller's; returns when all are done. Calls from several threads at once
// share the workers. `work` must not throw.
void for_row_bands(int rows, int threads, const std::function<void(int first, int end)>& work);

// The number of threads `threads` stands for (0: every core, at least 1).
int effective_threads(int threads);

} // namespace standin
