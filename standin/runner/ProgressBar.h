// A progress bar on stderr for runs that take a while; silent when stderr
// is not a terminal or the run is short.
#pragma once

#include <chrono>

namespace runner {

class ProgressBar {
public:
    explicit ProgressBar(long total);
    ~ProgressBar();
    void update(long done);

private:
    long total_;
    bool shown_ = false;
    bool terminal_;
    std::chrono::steady_clock::time_point start_, last_;
};

} // namespace runner
