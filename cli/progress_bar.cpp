// The one-line progress bar on standard error.
#include "cli/progress_bar.h"

#include <cstdio>

#include "cli/quiet_stderr.h"

namespace rkcli {

void ProgressBar::Step() {
    if (!enabled_) return;
    std::lock_guard<std::mutex> lock(StderrMutex());
    ++done_;
    Draw();
}

void ProgressBar::Draw() {
    const int width = 30;
    int filled = total_ ? int(done_ * width / total_) : width;
    char bar[width + 1];
    for (int i = 0; i < width; ++i) bar[i] = i < filled ? '#' : '.';
    bar[width] = 0;
    std::fprintf(stderr, "\r[%s] %zu/%zu pages", bar, done_, total_);
    std::fflush(stderr);
}

void ProgressBar::Finish() {
    if (!enabled_) return;
    std::lock_guard<std::mutex> lock(StderrMutex());
    std::fprintf(stderr, "\r%*s\r", 60, "");
    std::fflush(stderr);
}

}  // namespace rkcli
