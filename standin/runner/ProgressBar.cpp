#include "ProgressBar.h"

#include <unistd.h>

#include <cstdio>

namespace runner {

namespace {
constexpr auto kShowAfter = std::chrono::milliseconds(500);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr int kWidth = 40;
} // namespace

ProgressBar::ProgressBar(long total)
    : total_(total > 0 ? total : 1), terminal_(isatty(STDERR_FILENO) != 0), start_(std::chrono::steady_clock::now()),
      last_(start_)
{
}

ProgressBar::~ProgressBar()
{
    if (shown_)
        std::fputc('\n', stderr);
}

void ProgressBar::update(long done)
{
    const auto now = std::chrono::steady_clock::now();
    if (!terminal_ || now - start_ < kShowAfter || (now - last_ < kRedrawEvery && done < total_))
        return;
    last_ = now;
    shown_ = true;
    const int filled = int(kWidth * done / total_);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    std::fprintf(stderr, "\r[%.*s%*s] %ld/%ld frames, %.1f fps", filled, "========================================",
                 kWidth - filled, "", done, total_, seconds > 0 ? done / seconds : 0.0);
    std::fflush(stderr);
}

} // namespace runner
