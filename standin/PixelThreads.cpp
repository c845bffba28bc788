#include "PixelThreads.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace standin {

int effective_threads(int threads)
{
    if (threads > 0)
        return threads;
    return std::max(1u, std::thread::hardware_concurrency());
}

void for_row_bands(int rows, int threads, const std::function<void(int, int)>& work)
{
    if (rows <= 0)
        return;
    const int bands = std::min(rows, effective_threads(threads));
    if (bands == 1) {
        work(0, rows);
        return;
    }
    std::vector<std::thread> helpers;
    helpers.reserve(bands - 1);
    // Band b covers [rows * b / bands, rows * (b + 1) / bands).
    auto band_start = [&](int b) { return int((long long)rows * b / bands); };
    int spawned = 1;
    try {
        for (; spawned < bands; ++spawned)
            helpers.emplace_back(work, band_start(spawned), band_start(spawned + 1));
    } catch (const std::system_error&) {
        // No more threads to be had: the caller's thread takes the rest.
    }
    work(0, band_start(1));
    if (spawned < bands)
        work(band_start(spawned), rows);
    for (std::thread& t : helpers)
        t.join();
}

} // namespace standin
