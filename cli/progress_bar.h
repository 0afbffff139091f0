// A one-line progress bar on standard error for batches of pages.
#ifndef RKCORR_CLI_PROGRESS_BAR_H
#define RKCORR_CLI_PROGRESS_BAR_H

#include <cstddef>

namespace rkcli {

class ProgressBar {
public:
    ProgressBar(size_t total, bool enabled) : total_(total), enabled_(enabled) {}
    // One more page done; safe from any thread.
    void Step();
    // Clears the bar's line.
    void Finish();

private:
    void Draw();
    size_t total_, done_ = 0;
    bool enabled_;
};

}  // namespace rkcli

#endif
