// Keeps the image decoders' own messages off standard error: the tool reports
// every problem itself, once, in its own words.
#ifndef RKCORR_CLI_QUIET_STDERR_H
#define RKCORR_CLI_QUIET_STDERR_H

#include <mutex>

namespace rkcli {

// Held by whoever writes to standard error while pages are in flight.
std::mutex& StderrMutex();

// While alive, file descriptor 2 points at /dev/null (other threads wait to
// write until it is gone).
class QuietStderr {
public:
    QuietStderr();
    ~QuietStderr();
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    std::lock_guard<std::mutex> lock_;
    int saved_ = -1;
};

}  // namespace rkcli

#endif
