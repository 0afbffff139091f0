// Lays a page and its recognition out as the engine's result block, calls
// ImgRestoration on it, and reads the merged picture areas back.
#ifndef RKCORR_CLI_RESTORE_PAGE_H
#define RKCORR_CLI_RESTORE_PAGE_H

#include <string>
#include <vector>

#include "cli/page_image.h"
#include "cli/recognition.h"

namespace rkcli {

struct RestoreOutcome {
    int result = -1;          // ImgRestoration's return value
    std::vector<Box> areas;   // tagIMGAREA after the call (inclusive edges)
    double milliseconds = 0;  // time spent inside ImgRestoration
};

// "" or the problem (a recognition too large for the engine's 16-bit record
// indices, memory). `bw` sets the page's wBWFlag.
std::string RestorePage(const PageImage& page, const Recognition& rec, bool bw, RestoreOutcome& out);

// Detail records the page needs; the engine indexes them with 16 bits.
size_t DetailRecordCount(const Recognition& rec);

}  // namespace rkcli

#endif
