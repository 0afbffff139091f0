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
    std::vector<std::string> stems;    // output file-name stem of each page (OutputStems)
    std::string overlay;               // single page only
    std::string overlayDir;
    std::string saveOcr;  // single page only
    std::string saveOcrDir;
    std::string lang = "eng";
    std::string tessdata;
    int psm = 3;  // Tesseract page segmentation mode
    int oem = 3;  // Tesseract engine mode (3: its default)
    unsigned jobs = 1;
    uint32_t dpi = 300;
    bool bw = false;
    bool picturesOnly = false;
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

// File-name stems for each page's outputs (overlay, saved recognition): the
// page's base name without extension, made distinct ("name-2", ...) where base
// names repeat; "stdin" for "-".
std::vector<std::string> OutputStems(const std::vector<std::string>& pages);

}  // namespace rkcli

#endif
