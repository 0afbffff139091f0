// A PNG picture of a page with its picture areas outlined and its recognised
// characters shaded, written whole or not at all.
#ifndef RKCORR_CLI_OVERLAY_H
#define RKCORR_CLI_OVERLAY_H

#include <string>
#include <vector>

#include "cli/page_image.h"
#include "cli/recognition.h"

namespace rkcli {

// Picture areas have inclusive edges. Returns "" or the problem.
std::string WriteOverlay(const std::string& path, const PageImage& page, const Recognition& rec,
                         const std::vector<Box>& areas);

}  // namespace rkcli

#endif
