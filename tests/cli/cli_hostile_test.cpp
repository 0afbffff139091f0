// The rkcorr tool on hostile files: a page in every format read, and bad page files and recognitions, each
// reported as its own problem on one line. Cut and corrupted files at random: fuzz/.
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <sys/resource.h>

#include <nlohmann/json.hpp>

#include "support/tool_run.h"

namespace {

using namespace rktest;

// The file Leptonica writes of `pix` (destroyed) in `format`.
std::string Encode(PIX* pix, int format) {
    l_uint8* data = nullptr;
    size_t size = 0;
    EXPECT_EQ(pixWriteMem(&data, &size, pix, format), 0);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    lept_free(data);
    pixDestroy(&pix);
    return bytes;
}

// One row per page file (with the recognition "{}") or, ending in .json, recognition of a piece of the sample
// page, and the problem it is reported as ("" when the page works). In one batch each page has its line, in
// order, and either an overlay and a saved recognition or one "rkcorr: FILE: problem" line and neither.
TEST_F(ToolTest, EachBadFileGivesOneLineStatingItsProblem) {
    const std::string box = "[10,10,20,20]",
                      line = "{\"box\":" + box + ",\"chars\":[{\"code\":65,\"box\":" + box + "}]}";
    auto region = [&](const std::string& l) {
        return "{\"regions\":[{\"box\":" + box + ",\"lines\":" + l + "}]}";
    };
    auto chars = [&](const std::string& c) { return region("[{\"box\":" + box + ",\"chars\":" + c + "}]"); };
    auto ch = [&](const std::string& members) { return chars("[{\"box\":" + box + members + "}]"); };
    const std::string c0 = "regions[0].lines[0].chars[0]";
    auto boxed = [](const std::string& b) { return "{\"regions\":[{\"box\":" + b + ",\"lines\":[]}]}"; };
    auto table = [&](const std::string& rest) { return "{\"tables\":[{\"box\":" + box + rest + "}]}"; };
    // A 600 x 500 piece of the sample page (pictures and text) keeps the batch quick.
    PIX* whole = pixRead(Sample("sample-page.png").c_str());
    BOX* clip = boxCreate(100, 100, 600, 500);
    PIX* piece = pixClipRectangle(whole, clip, nullptr);
    PIX* grey = pixConvertTo8(piece, 0);
    boxDestroy(&clip);
    pixDestroy(&whole);
    const std::string png = Encode(pixClone(piece), IFF_PNG), empty = (dir_ / "empty.json").string(),
                      decode = "cannot decode the image (truncated or corrupt file)";
    Spit(empty, "{}");
    std::string many = "[";  // one record more than the engine's 16-bit indices can reach
    for (int i = 0; i < 21845; ++i) many += (i ? "," : "") + line;
    const struct {
        const char* name;
        std::string bytes, problem;
    } rows[] = {
        {"page.png", png, ""},
        {"g4.tif", Encode(pixConvertTo1(grey, 128), IFF_TIFF_G4), ""},
        {"photo.jpg", Encode(piece, IFF_JFIF_JPEG), ""},
        {"grey.bmp", Encode(pixClone(grey), IFF_BMP), ""},
        {"grey.pgm", Encode(pixClone(grey), IFF_PNM), ""},
        {"cut.png", png.substr(0, png.size() / 2), decode},
        {"huge.pgm", "P5\n60000 60000\n255\n" + std::string(1000, '\x80'), decode},  // asks for gigabytes
        {"over.png", Encode(pixCreate(65536, 1, 1), IFF_PNG), "image size 65536x1 outside 1..65535 pixels"},
        {"text.png", "a page of text, not of pixels",
         "unsupported image format (PNG, TIFF, BMP, PNM and JPEG are read)"},
        {"utf8.json", ch(",\"code\":\"\xff\""), "malformed JSON"},
        {"deep.json", std::string(200000, '[') + std::string(200000, ']'),
         "the recognition is not a JSON object"},
        {"name.json", "{\"engine\\ns\":{\"box\":2}}", "unknown member \"engine\\ns\""},
        {"width.json", "{\"width\": 100}", "width 100 does not match the image's 600"},
        {"height.json", "{\"height\":\"500\"}", "height: expected an integer from 0 to 4294967295"},
        {"regions.json", "{\"regions\":{}}", "regions: expected an array"},
        {"boxtext.json", boxed("\"10,10,20,20\""), "regions[0].box: a box has left, top, right and bottom"},
        {"box16.json", boxed("[0,0,65536,10]"), "regions[0].box: expected an integer from 0 to 65535"},
        {"boxwide.json", boxed("[0,0,601,10]"), "regions[0].box: box [0,0,601,10] outside the 600x500 page"},
        {"boxtall.json", boxed("[0,0,10,501]"), "regions[0].box: box [0,0,10,501] outside the 600x500 page"},
        {"boxturned.json", boxed("[10,0,9,10]"),
         "regions[0].box: box [10,0,9,10] has right < left or bottom < top"},
        {"nolines.json", region("[]"), "regions[0]: a region needs at least one line"},
        {"chars.json", chars("{}"), "regions[0].lines[0].chars: expected an array"},
        {"char.json", chars("[{}]"), c0 + ": missing \"box\""},
        {"nocode.json", ch(""), c0 + ": missing \"code\""},
        {"code2.json", ch(",\"code\":\"AB\""), c0 + ": \"code\" must be one UCS-2 character"},
        {"ucs2.json", ch(",\"code\":\"\xf0\x9f\x98\x80\""), c0 + ": character outside UCS-2"},
        {"code16.json", ch(",\"code\":70000"), c0 + ".code: expected an integer from 0 to 65535"},
        {"dist.json", ch(",\"code\":65,\"dist\":-3"), c0 + ".dist: expected an integer from 0 to 65535"},
        {"many.json", region(many + "]"), "the recognition needs 65536 detail records, more than 65535"},
        {"size0.json", table(",\"size\":[0,0],\"cells\":[]"), "tables[0].size: values must be at least 1"},
        {"size.json", table(",\"size\":[300,1],\"cells\":[]"),
         "tables[0].size: expected an integer from 0 to 255"},
        {"nosize.json", table(",\"cells\":[]"), "tables[0]: missing \"size\""},
        {"cells.json", table(",\"size\":[2,2],\"cells\":[]"), "tables[0]: a table needs at least one cell"},
        {"merge.json",
         table(",\"size\":[2,2],\"cells\":[{\"box\":" + box + ",\"merge\":[2,3],\"lines\":[" + line + "]}]"),
         "tables[0].cells[0].merge: the cell reaches past the table's edge"},
        {"index.json", table(",\"size\":[2,2],\"cells\":[{\"box\":[0,0,5,5],\"index\":[2,0]}]"),
         "tables[0].cells[0].index: outside the table's 2x2 cells"},
        {"area.json", "{\"engine_areas\":[[0,0,600,500]]}", "engine_areas[0]: area outside the 600x500 page"},
    };
    pixDestroy(&grey);
    const fs::path out = dir_ / "out";
    fs::create_directories(out);
    std::string args =
        "--no-progress --jobs 2 --overlay-dir " + out.string() + " --save-ocr-dir " + out.string();
    std::vector<fs::path> pages;
    for (const auto& row : rows) {
        const fs::path file = dir_ / row.name;
        const bool recognition = file.extension() == ".json";
        Spit(file, row.bytes);
        pages.push_back(recognition ? fs::path(file).replace_extension(".png") : file);
        if (recognition) Spit(pages.back(), png);
        args += " --ocr-json " + (recognition ? file.string() : empty) + " " + pages.back().string();
    }
    const ToolResult r = Tool(args);
    const std::vector<std::string> outs = Lines(r.out), errs = Lines(r.err);
    ASSERT_EQ(outs.size(), pages.size()) << r.out << r.err;
    size_t e = 0;  // standard error's lines so far
    for (size_t i = 0; i < pages.size(); ++i) {
        const nlohmann::json line = nlohmann::json::parse(outs[i]);
        const std::string stem = pages[i].stem().string(), error = line.value("error", "");
        const bool overlay = fs::exists(out / (stem + ".overlay.png")),
                   saved = fs::exists(out / (stem + ".ocr.json"));
        EXPECT_TRUE(line["file"] == pages[i].string() && error.empty() == rows[i].problem.empty() &&
                    (error.empty() ? overlay && saved : !overlay && !saved))
            << pages[i] << ": " << error;
        if (error.empty()) continue;
        // Standard error has the problem as it is; the output line stands U+FFFD for bytes not UTF-8.
        const std::string stated = e < errs.size() ? errs[e++] : "";
        EXPECT_EQ(stated.rfind("rkcorr: " + (dir_ / rows[i].name).string() + ": " + rows[i].problem, 0), 0u)
            << stated;
        EXPECT_EQ(stated.rfind("rkcorr: " + error.substr(0, error.find("\xEF\xBF\xBD")), 0), 0u) << error;
    }
    EXPECT_EQ(errs.size(), e) << r.err;
    EXPECT_EQ(r.status, 1) << "-1: the tool crashed";
    // The largest resident set of any run so far, in KiB: well below the gigabytes the header asks for.
    struct rusage use;
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &use), 0);
    EXPECT_LT(use.ru_maxrss, 3L << 20);
}

}  // namespace
