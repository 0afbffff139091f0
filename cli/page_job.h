// One page from file to result: read, recognise, restore, overlay.
#ifndef RKCORR_CLI_PAGE_JOB_H
#define RKCORR_CLI_PAGE_JOB_H

#include <functional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/recognition.h"

namespace rkcli {

class TesseractEngine;

struct PageResult {
    std::string file;
    std::string error;  // empty when the page succeeded
    uint32_t width = 0, height = 0, xDpi = 0, yDpi = 0;
    std::string kind;  // pixel format of the page image
    std::vector<Box> areas;
    std::vector<Box> engineAreas;
    size_t characters = 0, regions = 0, tables = 0;
    double ocrMs = 0, restoreMs = 0;
};

// Hands out a recogniser for the calling thread's use; null with `error` set
// when none can be made.
using EngineSource = std::function<TesseractEngine*(std::string& error)>;

// Processes page `index` of the options. Never throws.
PageResult ProcessPage(const Options& opt, size_t index, const EngineSource& engines);

// What an area plainly is, at `dpi`: "rule" (at least 10 mm long and at most
// 1 mm thick), "mark" (under 5 mm each way) or "picture".
const char* AreaKind(const Box& area, uint32_t dpi);

// The result as one line of JSON (without the newline); a failed page is
// {"file": ..., "error": ...}. Keys come in the same order on every line.
std::string ResultJson(const PageResult& r, const Options& opt);

}  // namespace rkcli

#endif
