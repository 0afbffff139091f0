// Parsing and checking of rkcorr's command line, and its help text.
#include "cli/options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

namespace rkcli {

const char* UsageText() {
    return "usage: rkcorr [options] PAGE...\n"
           "Finds the picture areas of scanned pages: recognises each page (Tesseract, or a\n"
           "recognition given as JSON), calls ImgRestoration, prints one JSON object per page.\n"
           "\n"
           "  --ocr-json FILE      take the recognition from FILE instead of Tesseract; give it\n"
           "                       once per PAGE, in the same order\n"
           "  --save-ocr FILE      write the recognition used as JSON (one page only)\n"
           "  --save-ocr-dir DIR   write DIR/<page name>.ocr.json for every page recognised\n"
           "  --overlay FILE       write a PNG with the areas outlined and text shaded (one page)\n"
           "  --overlay-dir DIR    write DIR/<page name>.overlay.png for every page\n"
           "  --pictures-only      leave areas labelled rule or mark out of picture_areas\n"
           "  -l, --lang LANG      Tesseract language data (default eng)\n"
           "  --tessdata-dir DIR   where Tesseract's language data lives\n"
           "  --psm N              Tesseract page segmentation mode (default 3, fully automatic)\n"
           "  --oem N              Tesseract engine mode (default 3)\n"
           "  --no-engine-areas    leave the recogniser's image blocks out of the engine areas\n"
           "  --bw                 process grey and colour pages from their 1-bit page bits\n"
           "  --dpi N              resolution of pages whose file records none (default 300)\n"
           "  -j, --jobs N         process N pages in parallel (default 1)\n"
           "  --no-timing          leave the millisecond figures out of the output\n"
           "  --no-progress        no progress bar on standard error\n"
           "  -h, --help           this text\n"
           "  -v, --version        the version\n"
           "A PAGE of - reads the image from standard input.\n";
}

namespace {

bool ParseUnsigned(const char* s, unsigned long max, unsigned long& out) {
    if (!s || !*s || *s == '-' || *s == '+') return false;
    char* end = nullptr;
    errno = 0;
    unsigned long v = std::strtoul(s, &end, 10);
    if (errno || *end || v > max) return false;
    out = v;
    return true;
}

std::string BaseName(const std::string& path) {
    if (path == "-") return "stdin";
    size_t slash = path.find_last_of('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = base.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

}  // namespace

std::vector<std::string> OutputStems(const std::vector<std::string>& pages) {
    std::set<std::string> plain, taken;
    for (const std::string& p : pages) plain.insert(BaseName(p));
    std::vector<std::string> stems;
    for (const std::string& p : pages) {
        const std::string base = BaseName(p);
        std::string stem = base;
        for (int n = 2; taken.count(stem) || (stem != base && plain.count(stem)); ++n)
            stem = base + "-" + std::to_string(n);
        taken.insert(stem);
        stems.push_back(stem);
    }
    return stems;
}

std::string ParseOptions(int argc, char** argv, Options& out) {
    out = Options{};
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (endOfOptions || a.empty() || a[0] != '-' || a == "-") {
            out.pages.push_back(a);
            continue;
        }
        if (a == "--") {
            endOfOptions = true;
            continue;
        }
        std::string value;
        bool hasValue = false;
        if (size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = a.substr(eq + 1);
            a = a.substr(0, eq);
            hasValue = true;
        }
        auto take = [&](std::string& dst) -> std::string {
            if (!hasValue) {
                if (i + 1 >= argc) return "option " + a + " needs a value";
                value = argv[++i];
            }
            if (value.empty()) return "option " + a + " needs a non-empty value";
            dst = value;
            return {};
        };
        auto flag = [&](bool& dst, bool v) -> std::string {
            if (hasValue) return "option " + a + " takes no value";
            dst = v;
            return {};
        };
        std::string err, tmp;
        unsigned long n = 0;
        if (a == "--ocr-json") {
            if ((err = take(tmp)).empty()) out.ocrJson.push_back(tmp);
        } else if (a == "--save-ocr") {
            err = take(out.saveOcr);
        } else if (a == "--overlay") {
            err = take(out.overlay);
        } else if (a == "--overlay-dir") {
            err = take(out.overlayDir);
        } else if (a == "--save-ocr-dir") {
            err = take(out.saveOcrDir);
        } else if (a == "--lang" || a == "-l") {
            err = take(out.lang);
        } else if (a == "--tessdata-dir") {
            err = take(out.tessdata);
        } else if (a == "--psm" || a == "--oem") {
            const unsigned long max = a == "--psm" ? 13 : 3;
            if ((err = take(tmp)).empty() && !ParseUnsigned(tmp.c_str(), max, n))
                err = "option " + a + " needs a number from 0 to " + std::to_string(max) + ", not '" + tmp +
                      "'";
            (a == "--psm" ? out.psm : out.oem) = int(n);
        } else if (a == "--jobs" || a == "-j") {
            if ((err = take(tmp)).empty() && (!ParseUnsigned(tmp.c_str(), 256, n) || n == 0))
                err = "option " + a + " needs a number from 1 to 256, not '" + tmp + "'";
            out.jobs = unsigned(n);
        } else if (a == "--dpi") {
            if ((err = take(tmp)).empty() && (!ParseUnsigned(tmp.c_str(), 65535, n) || n == 0))
                err = "option --dpi needs a number from 1 to 65535, not '" + tmp + "'";
            out.dpi = uint32_t(n);
        } else if (a == "--bw") {
            err = flag(out.bw, true);
        } else if (a == "--pictures-only") {
            err = flag(out.picturesOnly, true);
        } else if (a == "--no-engine-areas") {
            err = flag(out.engineAreas, false);
        } else if (a == "--no-timing") {
            err = flag(out.timing, false);
        } else if (a == "--no-progress") {
            err = flag(out.progress, false);
        } else if (a == "--help" || a == "-h") {
            err = flag(out.help, true);
        } else if (a == "--version" || a == "-v") {
            err = flag(out.version, true);
        } else {
            err = "unknown option '" + a + "'";
        }
        if (!err.empty()) return err;
    }
    if (out.help || out.version) return {};
    out.stems = OutputStems(out.pages);
    if (out.pages.empty()) return "no PAGE given (see --help)";
    if (!out.ocrJson.empty() && out.ocrJson.size() != out.pages.size())
        return "--ocr-json given " + std::to_string(out.ocrJson.size()) + " times for " +
               std::to_string(out.pages.size()) + " pages; give it once per page";
    if (!out.overlay.empty() && out.pages.size() != 1) return "--overlay takes one page; use --overlay-dir";
    if (!out.saveOcr.empty() && out.pages.size() != 1) return "--save-ocr takes one page; use --save-ocr-dir";
    if (std::count(out.pages.begin(), out.pages.end(), "-") > 1) return "standard input (-) can be read once";
    return {};
}

}  // namespace rkcli
