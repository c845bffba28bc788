// Splits a run of rows across the host's worker threads, as the real host
// does for its pixel iteration and transfers.
#pragma once

#include <functional>
#include <memory>

namespace standin {

struct BandRun;

// Calls work(first, end) on contiguous bands that cover [0, rows), run by at
// most `threads` threads (0: one a core), the host's workers and the
// caller's; returns when all are done. Calls from several threads at once
// share the workers. `work` must not throw.
void for_row_bands(int rows, int threads, const std::function<void(int first, int end)>& work);

// Bands posted to the host's workers, which start on them at once while the
// poster goes on with other work: by at most `threads` - 1 workers, so that
// the poster keeps a core of its own; the poster takes what is left at
// wait(). `work` must not throw, and what it writes is the run's until
// wait() returns.
class PostedBands {
public:
    PostedBands(int rows, int threads, std::function<void(int first, int end)> work);
    // Waits.
    ~PostedBands();
    PostedBands(const PostedBands&) = delete;
    PostedBands& operator=(const PostedBands&) = delete;

    // Runs the bands that no worker has taken yet on the calling thread,
    // then waits for the rest. Once done, later calls return at once.
    void wait();
    // Starts no more bands and waits for those under way: for work whose
    // result nobody will read.
    void cancel();

private:
    std::unique_ptr<BandRun> run_;
};

// The number of threads `threads` stands for (0: every core, at least 1).
int effective_threads(int threads);

} // namespace standin
