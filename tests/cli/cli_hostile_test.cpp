// The rkcorr tool on hostile files: one table of page files and recognitions of every wrong kind (headers of
// absurd sizes, wrong types, huge counts, boxes off the page) with the problem each must be reported as, and
// the sample page in every format read, cut short and corrupted. Every bad page gives exactly one
// "rkcorr: FILE: problem" line, its error line in the output stream and nothing of its own (no overlay, no
// saved recognition); the good pages of the same batch their results; the process no crash, and its memory
// stays bounded.
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <sys/resource.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <random>

#include "support/tool_run.h"

namespace {

using namespace rktest;

uint32_t Crc32(const std::string& bytes) {
    uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        c ^= b;
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

std::string Be32(uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
// A PNG signature and header of the given size, then a little data and no end.
std::string PngHeader(uint32_t w, uint32_t h, int depth, int colourType) {
    std::string ihdr = "IHDR" + Be32(w) + Be32(h) + char(depth) + char(colourType) + std::string(3, '\0');
    std::string idat = "IDAT" + std::string("\x78\x9c\x62\x60\x00\x00", 6);
    return std::string("\x89PNG\r\n\x1a\n", 8) + Be32(13) + ihdr + Be32(Crc32(ihdr)) + Be32(6) + idat +
           Be32(Crc32(idat));
}

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

struct Job {
    fs::path page;
    std::string recognition;
};

class HostileTest : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        // A 600 x 500 piece of the sample page (pictures and text) keeps the batches quick.
        PIX* whole = pixRead(Sample("sample-page.png").c_str());
        ASSERT_NE(whole, nullptr);
        BOX* box = boxCreate(100, 100, 600, 500);
        piece_ = pixClipRectangle(whole, box, nullptr);
        boxDestroy(&box);
        pixDestroy(&whole);
        sample_ = dir_ / "page.png";
        Spit(sample_, Encode(pixClone(piece_), IFF_PNG));
        Spit(empty_ = (dir_ / "empty.json").string(), "{}");
    }
    void TearDown() override {
        pixDestroy(&piece_);
        ToolTest::TearDown();
    }

    // Runs the jobs as one batch that writes overlays and recognitions, and checks each page's contract: its
    // line in the output, in page order, with either an overlay and a saved recognition (both whole, no
    // temporary file left) or its one line on standard error, and neither. Returns each page's error ("" when
    // it worked).
    std::vector<std::string> Batch(const std::vector<Job>& jobs) {
        const fs::path out = dir_ / "out";
        fs::remove_all(out);
        fs::create_directories(out);
        std::string args =
            "--no-progress --jobs 2 --overlay-dir " + out.string() + " --save-ocr-dir " + out.string();
        for (const Job& j : jobs) args += " --ocr-json " + j.recognition;
        for (const Job& j : jobs) args += " " + j.page.string();
        const ToolResult r = Tool(args);
        EXPECT_NE(r.status, -1) << "the tool crashed\n" << r.err;
        const std::vector<std::string> outs = Lines(r.out), errs = Lines(r.err);
        EXPECT_EQ(outs.size(), jobs.size()) << r.out << r.err;
        std::vector<std::string> errors;
        size_t e = 0;
        for (size_t i = 0; i < jobs.size() && i < outs.size(); ++i) {
            const nlohmann::json line = nlohmann::json::parse(outs[i]);
            const std::string page = jobs[i].page.string(), stem = jobs[i].page.stem().string(),
                              error = line.value("error", "");
            EXPECT_EQ(line["file"], page);
            const bool overlay = fs::exists(out / (stem + ".overlay.png")),
                       saved = fs::exists(out / (stem + ".ocr.json"));
            EXPECT_TRUE(error.empty() ? overlay && saved : !overlay && !saved) << page << ": " << error;
            // Standard error has the problem as it is; the output line stands U+FFFD for bytes not UTF-8.
            errors.push_back(error.empty() ? "" : e < errs.size() ? errs[e++].substr(8) : "?");
            EXPECT_EQ(errors.back().rfind(error.substr(0, error.find("\xEF\xBF\xBD")), 0), 0u) << error;
        }
        EXPECT_EQ(errs.size(), e) << r.err;
        EXPECT_EQ(r.status, e ? 1 : 0);
        for (const auto& f : fs::directory_iterator(out)) {
            PIX* pix = f.path().extension() == ".png" ? pixRead(f.path().c_str()) : nullptr;
            EXPECT_TRUE(f.path().string().find(".tmp-") == std::string::npos &&
                        (pix || f.path().extension() == ".json"))
                << f.path();
            pixDestroy(&pix);
        }
        return errors;
    }

    PIX* piece_ = nullptr;
    fs::path sample_;
    std::string empty_;
};

// The one table of hostile files: a page file (the sample page's recognition "{}") or, ending in .json, a
// recognition of the sample page; each with the problem its line must state.
TEST_F(HostileTest, EachBadFileGivesOneLineStatingItsProblem) {
    const std::string box = "[10,10,20,20]", ch = "{\"code\":65,\"box\":" + box + "}",
                      line = "{\"box\":" + box + ",\"chars\":[" + ch + "]}";
    auto region = [&](const std::string& lines) {
        return "{\"regions\":[{\"box\":" + box + ",\"lines\":" + lines + "}]}";
    };
    auto chars = [&](const std::string& chars) {
        return region("[{\"box\":" + box + ",\"chars\":" + chars + "}]");
    };
    std::string many = "[";  // one record more than the engine's 16-bit indices can reach
    for (int i = 0; i < 21845; ++i) many += (i ? "," : "") + line;
    const std::string decode = "cannot decode the image (truncated or corrupt file)";
    const struct {
        const char* name;
        std::string bytes, problem;
    } rows[] = {
        {"tall.png", PngHeader(1, 1000000, 8, 0), decode},
        {"huge.png", PngHeader(60000, 60000, 8, 0), decode},
        {"zero.png", PngHeader(0, 10, 8, 0), decode},
        {"huge.pbm", "P4\n60000 60000\n" + std::string(1000, '\xff'), decode},
        {"huge.pgm", "P5\n60000 60000\n255\n" + std::string(1000, '\x80'), decode},
        {"over.png", Encode(pixCreate(65536, 1, 1), IFF_PNG), "image size 65536x1 outside 1..65535 pixels"},
        {"text.png", "a page of text, not of pixels",
         "unsupported image format (PNG, TIFF, BMP, PNM and JPEG are read)"},
        {"blank.json", "", "malformed JSON"},
        {"nul.json", std::string("{\"regions\":[\0]}", 15), "malformed JSON"},
        {"open.json", "{\"regions\":[", "malformed JSON"},
        {"deep.json", std::string(200000, '[') + std::string(200000, ']'),
         "the recognition is not a JSON object"},
        {"array.json", "[]", "the recognition is not a JSON object"},
        {"member.json", "{\"pictures\": []}", "unknown member \"pictures\""},
        {"name.json", "{\"engine\\ns\":{\"box\":2}}", "unknown member \"engine\\ns\""},
        {"width.json", "{\"width\": 100}", "width 100 does not match the image's 600"},
        {"wtype.json", "{\"width\":\"600\"}", "width: expected an integer from 0 to 4294967295"},
        {"height.json", "{\"height\":-500}", "height: expected an integer from 0 to 4294967295"},
        {"regions.json", "{\"regions\":{}}", "regions: expected an array"},
        {"region.json", "{\"regions\":[1]}", "regions[0]: missing \"box\""},
        {"boxtext.json", "{\"regions\":[{\"box\":\"10,10,20,20\",\"lines\":[]}]}",
         "regions[0].box: a box has left, top, right and bottom"},
        {"box3.json", "{\"regions\":[{\"box\":[1,2,3],\"lines\":[]}]}",
         "regions[0].box: a box has left, top, right and bottom"},
        {"boxreal.json", "{\"regions\":[{\"box\":[0.5,0,10,10],\"lines\":[]}]}",
         "regions[0].box: expected an integer from 0 to 65535"},
        {"boxneg.json", "{\"regions\":[{\"box\":[-1,0,10,10],\"lines\":[]}]}",
         "regions[0].box: expected an integer from 0 to 65535"},
        {"boxbig.json", "{\"regions\":[{\"box\":[99999999999999999999,0,10,10],\"lines\":[]}]}",
         "regions[0].box: expected an integer from 0 to 65535"},
        {"box16.json", "{\"regions\":[{\"box\":[0,0,65536,10],\"lines\":[]}]}",
         "regions[0].box: expected an integer from 0 to 65535"},
        {"boxwide.json", "{\"regions\":[{\"box\":[0,0,601,10],\"lines\":[]}]}",
         "regions[0].box: box [0,0,601,10] outside the 600x500 page"},
        {"boxtall.json", "{\"regions\":[{\"box\":[0,0,10,501],\"lines\":[]}]}",
         "regions[0].box: box [0,0,10,501] outside the 600x500 page"},
        {"boxturned.json", "{\"regions\":[{\"box\":[10,0,9,10],\"lines\":[]}]}",
         "regions[0].box: box [10,0,9,10] has right < left or bottom < top"},
        {"nolines.json", region("[]"), "regions[0]: a region needs at least one line"},
        {"lines.json", region("{}"), "regions[0].lines: expected an array"},
        {"chars.json", chars("{}"), "regions[0].lines[0].chars: expected an array"},
        {"char.json", chars("[{}]"), "regions[0].lines[0].chars[0]: missing \"box\""},
        {"nocode.json", chars("[{\"box\":" + box + "}]"), "regions[0].lines[0].chars[0]: missing \"code\""},
        {"code.json", chars("[{\"code\":[],\"box\":" + box + "}]"),
         "regions[0].lines[0].chars[0].code: expected an integer from 0 to 65535"},
        {"code2.json", chars("[{\"code\":\"AB\",\"box\":" + box + "}]"),
         "regions[0].lines[0].chars[0]: \"code\" must be one UCS-2 character"},
        {"utf8.json", chars("[{\"code\":\"\xff\",\"box\":" + box + "}]"), "malformed JSON"},
        {"ucs2.json", chars("[{\"code\":\"\xf0\x9f\x98\x80\",\"box\":" + box + "}]"),
         "regions[0].lines[0].chars[0]: character outside UCS-2"},
        {"code16.json", chars("[{\"code\":70000,\"box\":" + box + "}]"),
         "regions[0].lines[0].chars[0].code: expected an integer from 0 to 65535"},
        {"dist.json", chars("[{\"code\":65,\"box\":" + box + ",\"dist\":-3}]"),
         "regions[0].lines[0].chars[0].dist: expected an integer from 0 to 65535"},
        {"off.json", chars("[{\"code\":65,\"box\":[5000,5000,5001,5001]}]"),
         "regions[0].lines[0].chars[0].box: box [5000,5000,5001,5001] outside the 600x500 page"},
        {"many.json", region(many + "]"), "the recognition needs 65536 detail records, more than 65535"},
        {"size0.json", "{\"tables\":[{\"box\":" + box + ",\"size\":[0,0],\"cells\":[]}]}",
         "tables[0].size: values must be at least 1"},
        {"size.json", "{\"tables\":[{\"box\":" + box + ",\"size\":[300,1],\"cells\":[]}]}",
         "tables[0].size: expected an integer from 0 to 255"},
        {"nosize.json", "{\"tables\":[{\"box\":" + box + ",\"cells\":[]}]}", "tables[0]: missing \"size\""},
        {"cells.json", "{\"tables\":[{\"box\":" + box + ",\"size\":[2,2],\"cells\":[]}]}",
         "tables[0]: a table needs at least one cell"},
        {"merge.json",
         "{\"tables\":[{\"box\":" + box + ",\"size\":[2,2],\"cells\":[{\"box\":" + box +
             ",\"merge\":[2,3],\"lines\":[" + line + "]}]}]}",
         "tables[0].cells[0].merge: the cell reaches past the table's edge"},
        {"index.json",
         "{\"tables\":[{\"box\":[0,0,10,10],\"size\":[2,2],\"cells\":[{\"box\":[0,0,5,5],\"index\":[2,0]}]}]"
         "}",
         "tables[0].cells[0].index: outside the table's 2x2 cells"},
        {"area.json", "{\"engine_areas\":[[0,0,600,500]]}", "engine_areas[0]: area outside the 600x500 page"},
        {"excluded.json", "{\"excluded\":[{\"box\":" + box + "}]}",
         "excluded[0]: a region needs at least one line"},
    };
    std::vector<Job> jobs{{sample_, empty_}};
    for (const auto& row : rows) {
        const fs::path file = dir_ / row.name;
        Spit(file, row.bytes);
        if (file.extension() != ".json") {
            jobs.push_back({file, empty_});
        } else {
            jobs.push_back({fs::path(file).replace_extension(".png"), file.string()});
            fs::copy_file(sample_, jobs.back().page);
        }
    }
    const std::vector<std::string> errors = Batch(jobs);
    ASSERT_EQ(errors.size(), jobs.size());
    EXPECT_EQ(errors[0], "");
    for (size_t i = 1; i < jobs.size(); ++i) {
        const std::string named = jobs[i].recognition == empty_ ? jobs[i].page.string() : jobs[i].recognition;
        EXPECT_EQ(errors[i].rfind(named + ": " + rows[i - 1].problem, 0), 0u) << errors[i];
    }
    // The largest resident set of any run so far, in KiB: well below the gigabytes those headers ask for.
    struct rusage use;
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &use), 0);
    EXPECT_LT(use.ru_maxrss, 3L << 20);
}

// The sample page in every format read, whole, cut at many points and with bytes overwritten: the whole
// page and every overwritten one keep the contract, and a cut one fails unless its format can do without
// the end (JPEG decodes part of the page, a TIFF may lose only the tail of its tag values).
TEST_F(HostileTest, CutAndCorruptImages) {
    PIX* grey = pixConvertTo8(piece_, 0);
    const struct {
        const char* ext;
        PIX* pix;
        int format;
    } formats[] = {{"png", pixClone(piece_), IFF_PNG},        {"tif", pixConvertTo1(grey, 128), IFF_TIFF_G4},
                   {"lzw.tif", pixClone(grey), IFF_TIFF_LZW}, {"jpg", pixClone(piece_), IFF_JFIF_JPEG},
                   {"bmp", pixClone(grey), IFF_BMP},          {"pgm", pixClone(grey), IFF_PNM}};
    pixDestroy(&grey);
    std::mt19937 rng(5);
    std::vector<Job> jobs;
    std::vector<int> fails;  // 0: works, 1: fails, 2: either
    for (const auto& f : formats) {
        const std::string bytes = Encode(f.pix, f.format), ext = f.ext;
        auto add = [&](const std::string& b, int fail) {
            jobs.push_back({dir_ / (std::to_string(jobs.size()) + "." + ext), empty_});
            Spit(jobs.back().page, b);
            fails.push_back(fail);
        };
        add(bytes, 0);
        for (double at : {0.0, 0.001, 0.01, 0.1, 0.5, 0.9, 0.999})
            add(bytes.substr(0, size_t(double(bytes.size()) * at) + (at > 0)),
                ext == "jpg" || ext.find("tif") != std::string::npos ? 2 : 1);
        for (int k = 0; k < 6; ++k) {
            std::string bad = bytes;
            const size_t at = k == 0 ? 16 : rng() % bad.size();  // k == 0: inside the header
            for (size_t i = at; i < std::min(bad.size(), at + 1 + k * 7); ++i) bad[i] = char(rng());
            add(bad, 2);
        }
    }
    const std::vector<std::string> errors = Batch(jobs);
    ASSERT_EQ(errors.size(), jobs.size());
    for (size_t i = 0; i < jobs.size(); ++i)
        EXPECT_TRUE(fails[i] == 2 || fails[i] == !errors[i].empty()) << jobs[i].page << ": " << errors[i];
}

}  // namespace
