#include "PixelThreads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace standin {

namespace {

constexpr int kBandsPerThread = 4;

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

    // False, without running anything, when the pool has no workers. At
    // most `threads` threads work on the run, the caller's included.
    bool run(int rows, int bands, int threads, const std::function<void(int, int)>& work)
    {
        if (workers_.empty())
            return false;
        Job job{&work, rows, bands};
        job.seats = threads - 1;
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(&job);
        }
        wake_.notify_all();
        take_bands(job);
        std::unique_lock lock(mutex_);
        finished_.wait(lock, [&] { return job.done == job.bands && job.active == 0; });
        std::erase(jobs_, &job);
        return true;
    }

private:
    struct Job {
        const std::function<void(int, int)>* work;
        int rows, bands;
        std::atomic<int> next{0};
        int done = 0;   // bands finished, under mutex_
        int active = 0; // workers inside take_bands, under mutex_
        int seats = 0;  // workers that may still join, under mutex_
        bool open() const { return seats > 0 && next.load(std::memory_order_relaxed) < bands; }
    };

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
    Job* open_job() const
    {
        const auto it = std::find_if(jobs_.begin(), jobs_.end(), [](const Job* j) { return j->open(); });
        return it == jobs_.end() ? nullptr : *it;
    }

    void take_bands(Job& job)
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
            Job* job = nullptr;
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
    std::vector<Job*> jobs_; // runs under way, oldest first
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
    const int count = std::min(rows, effective_threads(threads));
    // Several bands a thread: a thread that the system leaves waiting, or
    // that meets costlier rows, holds the others back by a small band only.
    const int bands = std::min(rows, count * kBandsPerThread);
    if (count == 1 || !RowPool::instance().run(rows, bands, count, work))
        work(0, rows);
}

} // namespace standin
