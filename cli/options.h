// Command-line options of rkcorr.
#ifndef RKCORR_CLI_OPTIONS_H
#define RKCORR_CLI_OPTIONS_H

#include <cstdint>
#include <string>
#include <vector>

namespace rkcli {

struct Options {
    std::vector<std::string> pages;
    std::vector<std::string> ocrJson;  // one per page when given
    std::string overlay;               // single page only
    std::string overlayDir;
    std::string saveOcr;               // single page only
    std::string lang = "eng";
    std::string tessdata;
    unsigned jobs = 1;
    uint32_t dpi = 300;
    bool bw = false;
    bool engineAreas = true;
    bool timing = true;
    bool progress = true;
    bool help = false;
    bool version = false;
};

// Parses argv. Returns "" or a one-line problem (unknown option, missing or
// bad value, inconsistent combination).
std::string ParseOptions(int argc, char** argv, Options& out);

const char* UsageText();

}  // namespace rkcli

#endif
