#include "PixelThreads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace standin {

// A run of bands: band b covers [rows * b / bands, rows * (b + 1) / bands).
struct BandRun {
    std::function<void(int, int)> owned; // a posted run's work
    const std::function<void(int, int)>* work = &owned;
    int rows = 0, bands = 1;
    std::atomic<int> next{0};
    int done = 0;        // bands finished, under the pool's mutex
    int active = 0;      // workers inside take_bands, under the pool's mutex
    int seats = 0;       // workers that may still join, under the pool's mutex
    bool queued = false; // in the pool's queue until finished
    bool open() const { return seats > 0 && next.load(std::memory_order_relaxed) < bands; }
};

namespace {

constexpr int kBandsPerThread = 4;

// Several bands a thread: a thread that the system leaves waiting, or that
// meets costlier rows, holds the others back by a small band only.
void split(BandRun& run, int rows, int threads)
{
    const int count = std::min(rows, effective_threads(threads));
    run.rows = rows;
    run.bands = count == 1 ? 1 : std::min(rows, count * kBandsPerThread);
    run.seats = count - 1;
}

// Workers that live as long as the program, so that a frame's iteration
// does not pay for starting threads. Several runs may be under way at once
// (hosts rendering on their own threads): each is queued, its band b covers
// [rows * b / bands, rows * (b + 1) / bands), and its bands are taken by the
// workers, oldest run first, and by the run's own caller, by no more threads
// than the run asked for.
class RowPool {
public:
    static RowPool& instance()
    {
        static RowPool pool;
        return pool;
    }

    // Queues the run for at most run.seats workers, who start on it at once;
    // without workers (or seats) it waits for finish(). `run` stays where it
    // is until finish() returns.
    void post(BandRun& run)
    {
        if (workers_.empty() || run.seats <= 0)
            return;
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(&run);
            run.queued = true;
        }
        wake_.notify_all();
    }

    // Takes the bands left on the calling thread (or, with `skip`, counts
    // them done unrun), then waits for the workers.
    void finish(BandRun& run, bool skip = false)
    {
        if (skip) {
            const int left = run.bands - std::min(run.bands, run.next.exchange(run.bands));
            std::lock_guard lock(mutex_);
            run.done += left;
        }
        take_bands(run);
        if (!run.queued)
            return;
        std::unique_lock lock(mutex_);
        finished_.wait(lock, [&] { return run.done == run.bands && run.active == 0; });
        std::erase(jobs_, &run);
        run.queued = false;
    }

private:
    RowPool()
    {
        const unsigned workers = std::max(2u, std::thread::hardware_concurrency()) - 1;
        try {
            for (unsigned i = 0; i < workers; ++i)
                workers_.emplace_back([this] { serve(); });
        } catch (const std::system_error&) {
            // Fewer workers than cores: the bands still all run.
        }
    }

    ~RowPool()
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : workers_)
            t.join();
    }

    // Call with mutex_ held.
    BandRun* open_job() const
    {
        const auto it = std::find_if(jobs_.begin(), jobs_.end(), [](const BandRun* j) { return j->open(); });
        return it == jobs_.end() ? nullptr : *it;
    }

    void take_bands(BandRun& job)
    {
        for (;;) {
            const int b = job.next.fetch_add(1);
            if (b >= job.bands)
                return;
            (*job.work)(int((long long)job.rows * b / job.bands), int((long long)job.rows * (b + 1) / job.bands));
            std::lock_guard lock(mutex_);
            ++job.done;
        }
    }

    void serve()
    {
        for (;;) {
            BandRun* job = nullptr;
            {
                std::unique_lock lock(mutex_);
                // The job is kept from the check that woke us: bands are taken
                // outside the lock, so a second look may find none open.
                wake_.wait(lock, [&] { return stop_ || (job = open_job()) != nullptr; });
                if (stop_)
                    return;
                --job->seats;
                ++job->active;
            }
            take_bands(*job);
            {
                std::lock_guard lock(mutex_);
                --job->active;
            }
            finished_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    std::vector<BandRun*> jobs_; // runs under way, oldest first
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

} // namespace

int effective_threads(int threads)
{
    if (threads > 0)
        return threads;
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

void for_row_bands(int rows, int threads, const std::function<void(int, int)>& work)
{
    if (rows <= 0)
        return;
    BandRun run;
    run.work = &work;
    split(run, rows, threads);
    if (run.bands == 1) {
        work(0, rows);
        return;
    }
    RowPool& pool = RowPool::instance();
    pool.post(run);
    pool.finish(run);
}

PostedBands::PostedBands(int rows, int threads, std::function<void(int, int)> work)
{
    if (rows <= 0)
        return;
    run_ = std::make_unique<BandRun>();
    run_->owned = std::move(work);
    // The poster's own core stays its own until it waits.
    split(*run_, rows, threads);
    if (run_->bands > 1)
        RowPool::instance().post(*run_);
}

PostedBands::~PostedBands() { wait(); }

void PostedBands::wait()
{
    if (!run_)
        return;
    if (run_->bands == 1)
        run_->owned(0, run_->rows);
    else
        RowPool::instance().finish(*run_);
    run_.reset();
}

void PostedBands::cancel()
{
    if (run_ && run_->bands > 1)
        RowPool::instance().finish(*run_, true);
    run_.reset();
}

} // namespace standin
