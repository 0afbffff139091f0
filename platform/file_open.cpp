// fopen_s: the checked fopen the bitmap file writer opens its file through.
#include <cerrno>
#include <cstdio>

#include "rkcorr/platform_memory.h"

extern "C" errno_t fopen_s(FILE** stream, const char* name, const char* mode) {
    if (!stream) return EINVAL;
    *stream = nullptr;
    if (!name || !mode) return EINVAL;
    errno = 0;
    FILE* f = std::fopen(name, mode);
    if (!f) return errno ? errno : EIO;
    *stream = f;
    return 0;
}
