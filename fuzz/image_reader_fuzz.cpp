// Fuzz target: the command-line tool's page-image reader on arbitrary bytes
// (PNG, TIFF, JPEG, BMP, PNM and anything else). It must answer with a page
// or one line of problem; an accepted page has consistent sizes: page bits of
// height rows of at least the row's bytes, and a bitmap that holds the page.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <leptonica/allheaders.h>

#include "cli/page_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/rkcorr-image-fuzz-" + std::to_string(getpid());
    static bool quiet = (setMsgSeverity(L_SEVERITY_NONE), true);
    (void)quiet;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    rkcli::PageImage page;
    const std::string err = rkcli::ReadPageImage(path, 300, page);
    std::remove(path.c_str());
    if (!err.empty()) {
        if (err.find('\n') != std::string::npos) std::abort();
        return 0;
    }
    if (page.width == 0 || page.height == 0 || page.width > 65535 || page.height > 65535) std::abort();
    if (page.bwLineBytes < (page.width + 7) / 8) std::abort();
    if (page.bw.size() != size_t(page.bwLineBytes) * page.height) std::abort();
    if (page.kind != rkcli::PageKind::Bilevel && page.dib.size() < 40 + size_t(page.width) * page.height)
        std::abort();
    return 0;
}
