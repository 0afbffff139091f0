#include "cli/page_job.h"

#include <nlohmann/json.hpp>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli/overlay.h"
#include "cli/page_image.h"
#include "cli/recognition_json.h"
#include "cli/restore_page.h"
#include "cli/tesseract_engine.h"

namespace rkcli {
namespace {

const char* KindName(PageKind k) {
    switch (k) {
        case PageKind::Bilevel: return "1-bit";
        case PageKind::Grey: return "8-bit grey";
        case PageKind::Palette: return "8-bit palette";
        case PageKind::Colour: return "24-bit colour";
    }
    return "?";
}

std::string ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::strerror(errno);
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) return "read error";
    text = s.str();
    return {};
}

// Writes beside the target, then renames: the file appears whole or not at all.
std::string WriteFileWhole(const std::string& path, const std::string& text) {
    std::string tmp = path + ".tmp-" + std::to_string(getpid());
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return std::strerror(errno);
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        int err = errno;
        std::remove(tmp.c_str());
        return err ? std::strerror(err) : "write error";
    }
    return {};
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = base.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

double MsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

PageResult Process(const Options& opt, size_t index, const EngineSource& engines) {
    PageResult r;
    r.file = opt.pages[index];
    PageImage page;
    if (std::string err = ReadPageImage(r.file, opt.dpi, page); !err.empty()) {
        r.error = r.file + ": " + err;
        return r;
    }
    r.width = page.width;
    r.height = page.height;
    r.xDpi = page.xDpi;
    r.yDpi = page.yDpi;
    r.kind = KindName(page.kind);

    Recognition rec;
    auto t0 = std::chrono::steady_clock::now();
    if (!opt.ocrJson.empty()) {
        const std::string& json = opt.ocrJson[index];
        std::string text;
        if (std::string err = ReadFile(json, text); !err.empty()) {
            r.error = json + ": " + err;
            return r;
        }
        if (std::string err = ParseRecognitionJson(text, page.width, page.height, rec); !err.empty()) {
            r.error = json + ": " + err;
            return r;
        }
        if (size_t n = DetailRecordCount(rec); n > 65535) {
            r.error = json + ": the recognition needs " + std::to_string(n) + " detail records, more than 65535";
            return r;
        }
        if (!opt.engineAreas) rec.engineAreas.clear();
    } else {
        std::string err;
        TesseractEngine* engine = engines(err);
        if (!engine) {
            r.error = r.file + ": " + err;
            return r;
        }
        if (err = engine->Recognize(page, opt.engineAreas, rec); !err.empty()) {
            r.error = r.file + ": " + err;
            return r;
        }
    }
    r.ocrMs = MsSince(t0);
    r.engineAreas = rec.engineAreas;
    r.characters = rec.CharacterCount();
    r.regions = rec.regions.size();
    r.tables = rec.tables.size();

    RestoreOutcome outcome;
    if (std::string err = RestorePage(page, rec, opt.bw, outcome); !err.empty()) {
        r.error = r.file + ": " + err;
        return r;
    }
    if (outcome.result != 0) {
        r.error = r.file + ": ImgRestoration could not process the page (returned " +
                  std::to_string(outcome.result) + ")";
        return r;
    }
    r.areas = outcome.areas;
    r.restoreMs = outcome.milliseconds;

    if (!opt.saveOcr.empty()) {
        if (std::string err = WriteFileWhole(opt.saveOcr, RecognitionToJson(rec)); !err.empty()) {
            r.error = opt.saveOcr + ": cannot write the recognition: " + err;
            return r;
        }
    }
    std::string overlay = opt.overlay;
    if (!opt.overlayDir.empty()) overlay = opt.overlayDir + "/" + BaseName(r.file) + ".overlay.png";
    if (!overlay.empty()) {
        if (std::string err = WriteOverlay(overlay, page, rec, r.areas); !err.empty()) {
            r.error = overlay + ": " + err;
            return r;
        }
    }
    return r;
}

nlohmann::json BoxesJson(const std::vector<Box>& boxes) {
    nlohmann::json out = nlohmann::json::array();
    for (const Box& b : boxes)
        out.push_back({{"left", b.left}, {"top", b.top}, {"right", b.right}, {"bottom", b.bottom}});
    return out;
}

}  // namespace

PageResult ProcessPage(const Options& opt, size_t index, const EngineSource& engines) {
    try {
        return Process(opt, index, engines);
    } catch (const std::exception& e) {
        PageResult r;
        r.file = opt.pages[index];
        r.error = r.file + ": " + e.what();
        return r;
    }
}

std::string ResultJson(const PageResult& r, bool timing) {
    nlohmann::ordered_json j;
    j["file"] = r.file;
    j["width"] = r.width;
    j["height"] = r.height;
    j["dpi"] = {r.xDpi, r.yDpi};
    j["kind"] = r.kind;
    j["picture_areas"] = BoxesJson(r.areas);
    j["engine_areas"] = BoxesJson(r.engineAreas);
    j["characters"] = r.characters;
    j["regions"] = r.regions;
    j["tables"] = r.tables;
    if (timing) {
        j["ocr_ms"] = std::round(r.ocrMs * 10) / 10;
        j["restore_ms"] = std::round(r.restoreMs * 10) / 10;
    }
    return j.dump();
}

}  // namespace rkcli
