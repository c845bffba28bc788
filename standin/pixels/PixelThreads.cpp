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

// Workers that live as long as the program, so that a frame's iteration
// does not pay for starting threads. Several runs may be under way at once
// (hosts rendering on their own threads): each is queued, its band b covers
// [rows * b / bands, rows * (b + 1) / bands), and its bands are taken by the
// workers, oldest run first, and by the run's own caller.
class RowPool {
public:
    static RowPool& instance()
    {
        static RowPool pool;
        return pool;
    }

    // False, without running anything, when the pool has no workers.
    bool run(int rows, int bands, const std::function<void(int, int)>& work)
    {
        if (workers_.empty())
            return false;
        Job job{&work, rows, bands};
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
        bool open() const { return next.load(std::memory_order_relaxed) < bands; }
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
            Job* job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return stop_ || open_job(); });
                if (stop_)
                    return;
                job = open_job();
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
    const int bands = std::min(rows, effective_threads(threads));
    if (bands == 1 || !RowPool::instance().run(rows, bands, work))
        work(0, rows);
}

} // namespace standin
