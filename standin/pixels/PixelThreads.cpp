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
// does not pay for starting threads. One run at a time; band b covers
// [rows * b / bands, rows * (b + 1) / bands), taken by whichever of the
// run's threads is free, the caller's included.
class RowPool {
public:
    static RowPool& instance()
    {
        static RowPool pool;
        return pool;
    }

    // False, without running anything, when another run is under way. At
    // most `threads` threads work on it, the caller's included.
    bool run(int rows, int bands, int threads, const std::function<void(int, int)>& work)
    {
        std::unique_lock busy(busy_, std::try_to_lock);
        if (!busy || workers_.empty())
            return false;
        Job job{&work, rows, bands};
        job.seats = threads - 1;
        {
            std::lock_guard lock(mutex_);
            job_ = &job;
            ++generation_;
        }
        wake_.notify_all();
        take_bands(job);
        std::unique_lock lock(mutex_);
        finished_.wait(lock, [&] { return job.done == job.bands && active_ == 0; });
        job_ = nullptr;
        return true;
    }

private:
    struct Job {
        const std::function<void(int, int)>* work;
        int rows, bands;
        std::atomic<int> next{0};
        std::atomic<int> seats{0}; // workers that may still join
        int done = 0; // under mutex_
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
        unsigned long seen = 0;
        for (;;) {
            Job* job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return stop_ || (job_ && generation_ != seen); });
                if (stop_)
                    return;
                seen = generation_;
                job = job_;
                ++active_;
            }
            if (job->seats.fetch_sub(1) > 0)
                take_bands(*job);
            {
                std::lock_guard lock(mutex_);
                --active_;
            }
            finished_.notify_all();
        }
    }

    std::mutex busy_;
    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    Job* job_ = nullptr;
    unsigned long generation_ = 0;
    int active_ = 0;
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
