// One page from file to result (read, recognise, restore, overlay) and its JSON line.
#include "cli/page_job.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cli/atomic_file.h"
#include "cli/overlay.h"
#include "cli/page_image.h"
#include "cli/picture_finder.h"
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
            r.error =
                json + ": the recognition needs " + std::to_string(n) + " detail records, more than 65535";
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
        if (opt.engineAreas) HandPictures(page, rec);
    }
    r.ocrMs = MsSince(t0);
    // The recognition is kept before anything else can fail the page.
    std::string saveOcr = opt.saveOcr;
    if (!opt.saveOcrDir.empty()) saveOcr = opt.saveOcrDir + "/" + opt.stems[index] + ".ocr.json";
    if (!saveOcr.empty()) {
        if (std::string err = WriteFileWhole(saveOcr, RecognitionToJson(rec)); !err.empty()) {
            r.error = saveOcr + ": cannot write the recognition: " + err;
            return r;
        }
    }
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

    std::string overlay = opt.overlay;
    if (!opt.overlayDir.empty()) overlay = opt.overlayDir + "/" + opt.stems[index] + ".overlay.png";
    if (!overlay.empty()) {
        if (std::string err = WriteOverlay(overlay, page, rec, r.areas); !err.empty()) {
            r.error = overlay + ": " + err;
            return r;
        }
    }
    return r;
}

using ojson = nlohmann::ordered_json;

ojson BoxJson(const Box& b) {
    ojson out;
    out["left"] = b.left;
    out["top"] = b.top;
    out["right"] = b.right;
    out["bottom"] = b.bottom;
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

const char* AreaKind(const Box& area, uint32_t dpi) {
    const double mm = std::max<uint32_t>(dpi, 1) / 25.4;
    const uint32_t w = area.right - area.left + 1, h = area.bottom - area.top + 1;
    const double thin = std::min(w, h), length = std::max(w, h);
    if (length >= 10 * mm && thin <= std::max(1.0 * mm, 3.0)) return "rule";
    if (length < 5 * mm) return "mark";
    return "picture";
}

std::string ResultJson(const PageResult& r, const Options& opt) {
    ojson j;
    j["file"] = r.file;
    if (!r.error.empty()) {
        j["error"] = r.error;
        return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    j["width"] = r.width;
    j["height"] = r.height;
    j["dpi"] = {r.xDpi, r.yDpi};
    j["image"] = r.kind;
    ojson areas = ojson::array();
    for (const Box& b : r.areas) {
        const char* kind = AreaKind(b, std::min(r.xDpi, r.yDpi));
        if (opt.picturesOnly && std::strcmp(kind, "picture") != 0) continue;
        ojson a = BoxJson(b);
        a["kind"] = kind;
        areas.push_back(std::move(a));
    }
    j["picture_areas"] = std::move(areas);
    ojson engine = ojson::array();
    for (const Box& b : r.engineAreas) engine.push_back(BoxJson(b));
    j["engine_areas"] = std::move(engine);
    j["characters"] = r.characters;
    j["regions"] = r.regions;
    j["tables"] = r.tables;
    if (opt.timing) {
        j["ocr_ms"] = std::round(r.ocrMs * 10) / 10;
        j["restore_ms"] = std::round(r.restoreMs * 10) / 10;
    }
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace rkcli
