// The rkcorr tool on hostile files: the sample page cut short and corrupted
// in every format it reads, headers of absurd sizes, and recognitions with
// wrong types, huge counts and boxes off the page. Each bad page must give
// exactly one "rkcorr: FILE: problem" line and no output of its own (no JSON
// line, no overlay, no saved recognition), the good pages of the same batch
// their results, the process no crash, and its memory stay bounded.
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <sys/resource.h>

#include <cstdint>
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
std::string Le(uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += char(v >> (8 * i));
    return s;
}

// A PNG signature and header of the given size, then a little data and no end.
std::string PngHeader(uint32_t w, uint32_t h, int depth, int colourType) {
    std::string ihdr = "IHDR" + Be32(w) + Be32(h) + char(depth) + char(colourType) + std::string(3, '\0');
    std::string idat = "IDAT" + std::string("\x78\x9c\x62\x60\x00\x00", 6);
    return std::string("\x89PNG\r\n\x1a\n", 8) + Be32(13) + ihdr + Be32(Crc32(ihdr)) + Be32(6) + idat +
           Be32(Crc32(idat));
}

// A 24-bit BMP header of the given size with a few rows of pixels.
std::string BmpHeader(int32_t w, int32_t h) {
    const uint32_t stride = (uint32_t(w) * 3 + 3) / 4 * 4;
    std::string s = "BM" + Le(54 + stride * uint32_t(h < 0 ? -h : h), 4) + Le(0, 4) + Le(54, 4);
    s += Le(40, 4) + Le(uint32_t(w), 4) + Le(uint32_t(h), 4) + Le(1, 2) + Le(24, 2) + Le(0, 4) + Le(0, 4) +
         Le(2835, 4) + Le(2835, 4) + Le(0, 4) + Le(0, 4);
    return s + std::string(4096, '\x7f');
}

class HostileTest : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        fs::create_directories(dir_ / "overlays");
        // A 600 x 500 piece of the sample page (pictures and text) keeps the batches quick.
        PIX* whole = pixRead(Sample("sample-page.png").c_str());
        ASSERT_NE(whole, nullptr);
        BOX* box = boxCreate(100, 100, 600, 500);
        PIX* piece = pixClipRectangle(whole, box, nullptr);
        sample_ = (dir_ / "page.png").string();
        ASSERT_EQ(pixWrite(sample_.c_str(), piece, IFF_PNG), 0);
        pixDestroy(&piece);
        boxDestroy(&box);
        pixDestroy(&whole);
        empty_ = (dir_ / "empty.json").string();
        Spit(empty_, "{}");
    }

    // Runs the tool on good page + each of `pages` (one recognition each) and
    // checks the per-page contract: every page either gives its JSON line and
    // overlay, or one error line naming it and nothing else.
    void CheckBatch(const std::vector<fs::path>& pages, const std::vector<std::string>& recognitions,
                    bool mayDecode) {
        std::string args = "--no-progress --jobs 2 --overlay-dir " + (dir_ / "overlays").string();
        for (const std::string& rec : recognitions) args += " --ocr-json " + rec;
        for (const fs::path& p : pages) args += " " + p.string();
        const ToolResult r = Tool(args);
        ASSERT_NE(r.status, -1) << "the tool crashed\n" << r.err;
        const std::vector<std::string> outs = Lines(r.out), errs = Lines(r.err);
        // One line a page on standard output, an error line among them for
        // each page that failed, which also has its one line on standard error.
        EXPECT_EQ(outs.size(), pages.size()) << r.out << r.err;
        size_t failed = 0;
        for (const std::string& o : outs) failed += o.find("\"error\":") != std::string::npos;
        EXPECT_EQ(failed, errs.size()) << r.out << r.err;
        EXPECT_EQ(r.status, errs.empty() ? 0 : 1);
        if (!mayDecode) {
            EXPECT_EQ(outs.size() - failed, 1u) << r.out;  // the good page only
        }
        size_t e = 0;
        for (const fs::path& p : pages) {
            const fs::path overlay = dir_ / "overlays" / (p.stem().string() + ".overlay.png");
            if (e < errs.size() && errs[e].rfind("rkcorr: ", 0) == 0 &&
                errs[e].find(": ", 8) != std::string::npos && errs[e].find(p.string()) != std::string::npos) {
                EXPECT_GT(errs[e].size(), 8 + p.string().size() + 2) << "no problem stated: " << errs[e];
                EXPECT_FALSE(fs::exists(overlay)) << "overlay of a failed page: " << overlay;
                ++e;
            } else {
                EXPECT_NE(r.out.find("\"file\":\"" + p.string() + "\""), std::string::npos) << p << "\n"
                                                                                            << r.err;
                EXPECT_TRUE(fs::exists(overlay)) << overlay;
            }
        }
        EXPECT_EQ(e, errs.size()) << "error lines out of page order or unnamed:\n" << r.err;
        for (const auto& f : fs::directory_iterator(dir_ / "overlays")) {
            EXPECT_EQ(f.path().string().find(".tmp-"), std::string::npos) << f.path();
            PIX* pix = pixRead(f.path().c_str());  // every overlay written is whole
            EXPECT_NE(pix, nullptr) << f.path();
            pixDestroy(&pix);
            fs::remove(f.path());
        }
    }

    fs::path dir_;
    std::string sample_, empty_;
};

// The sample page in every format, cut at many points and with bytes
// overwritten: truncated files must fail cleanly, corrupted ones may decode.
TEST_F(HostileTest, TruncatedAndCorruptImages) {
    PIX* page = pixRead(sample_.c_str());
    ASSERT_NE(page, nullptr);
    PIX* grey = pixConvertTo8(page, 0);
    PIX* bits = pixConvertTo1(grey, 128);
    struct Format {
        const char* ext;
        PIX* pix;
        int format;
    } formats[] = {{"png", page, IFF_PNG},       {"tif", bits, IFF_TIFF_G4}, {"lzw.tif", grey, IFF_TIFF_LZW},
                   {"jpg", page, IFF_JFIF_JPEG}, {"bmp", grey, IFF_BMP},     {"pgm", grey, IFF_PNM}};
    std::mt19937 rng(5);
    for (const Format& f : formats) {
        SCOPED_TRACE(f.ext);
        const fs::path whole = dir_ / (std::string("whole.") + f.ext);
        ASSERT_EQ(pixWrite(whole.c_str(), f.pix, f.format), 0);
        const std::string bytes = Slurp(whole);
        std::vector<fs::path> cut{whole}, corrupt{whole};
        for (double at : {0.0, 0.001, 0.01, 0.1, 0.5, 0.9, 0.999}) {
            const size_t n = size_t(double(bytes.size()) * at) + (at > 0 ? 1 : 0);
            if (n >= bytes.size()) continue;
            cut.push_back(dir_ / ("cut" + std::to_string(cut.size()) + "." + f.ext));
            Spit(cut.back(), bytes.substr(0, n));
        }
        for (int k = 0; k < 6; ++k) {
            std::string bad = bytes;
            const size_t at = k == 0 ? 16 : rng() % bad.size();  // k == 0: inside the header
            for (size_t i = at; i < std::min(bad.size(), at + 1 + k * 7); ++i) bad[i] = char(rng());
            corrupt.push_back(dir_ / ("corrupt" + std::to_string(k) + "." + f.ext));
            Spit(corrupt.back(), bad);
        }
        // A JPEG can lose its end and still decode in part, a TIFF the tail
        // of its tag values (the resolution) and still decode whole.
        const bool lenient =
            std::string(f.ext) == "jpg" || std::string(f.ext).find("tif") != std::string::npos;
        CheckBatch(cut, std::vector<std::string>(cut.size(), empty_), lenient);
        CheckBatch(corrupt, std::vector<std::string>(corrupt.size(), empty_), true);
    }
    pixDestroy(&bits);
    pixDestroy(&grey);
    pixDestroy(&page);
}

// Headers that promise absurd sizes, with no pixels to back them.
TEST_F(HostileTest, AbsurdDimensionsFailWithBoundedMemory) {
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"tall.png", PngHeader(1, 1000000, 8, 0)},
        {"huge.png", PngHeader(60000, 60000, 8, 2)},
        {"huge1.png", PngHeader(60000, 60000, 1, 0)},
        {"wide.png", PngHeader(4000000, 1, 8, 0)},
        {"zero.png", PngHeader(0, 10, 8, 0)},
        {"huge.bmp", BmpHeader(60000, 60000)},
        {"topdown.bmp", BmpHeader(60000, -60000)},
        {"tall.bmp", BmpHeader(1, 1000000)},
        {"huge.pbm", "P4\n60000 60000\n" + std::string(1000, '\xff')},
        {"huge.pgm", "P5\n60000 60000\n255\n" + std::string(1000, '\x80')},
    };
    std::vector<fs::path> pages{sample_};
    for (const Case& c : cases) {
        pages.push_back(dir_ / c.name);
        Spit(pages.back(), c.bytes);
    }
    CheckBatch(pages, std::vector<std::string>(pages.size(), empty_), false);
    // The largest resident set of any run so far, in KiB: well below the gigabytes those headers ask for.
    struct rusage use;
    ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &use), 0);
    EXPECT_LT(use.ru_maxrss, 3L << 20);
}

// Recognitions of every wrong shape on the sample page; none may be taken,
// and some name their problem exactly.
TEST_F(HostileTest, HostileRecognitions) {
    const std::string box = "[10,10,20,20]";
    const std::string ch = "{\"code\":65,\"box\":" + box + "}";
    const std::string line = "{\"box\":" + box + ",\"chars\":[" + ch + "]}";
    auto region = [&](const std::string& lines) {
        return "{\"regions\":[{\"box\":" + box + ",\"lines\":" + lines + "}]}";
    };
    std::vector<std::string> texts = {
        "",
        "\x89PNG garbage",
        std::string("{\"regions\":[\0]}", 15),
        "[]",
        "42",
        "{\"regions\":{}}",
        "{\"regions\":[1]}",
        "{\"regions\":[{\"box\":\"10,10,20,20\",\"lines\":[]}]}",
        "{\"regions\":[{\"box\":[1,2,3],\"lines\":[]}]}",
        "{\"regions\":[{\"box\":[0.5,0,10,10],\"lines\":[]}]}",
        "{\"regions\":[{\"box\":[-1,0,10,10],\"lines\":[]}]}",
        "{\"regions\":[{\"box\":[99999999999999999999,0,10,10],\"lines\":[]}]}",
        "{\"regions\":[{\"box\":[0,0,65536,10],\"lines\":[]}]}",
        "{\"regions\":[{\"box\":[0,0,601,10],\"lines\":[]}]}",
        "{\"regions\":[{\"box\":[0,0,10,501],\"lines\":[]}]}",
        region("[]"),
        region("{}"),
        region("[{\"box\":" + box + ",\"chars\":{}}]"),
        region("[{\"box\":" + box + ",\"chars\":[{}]}]"),
        region("[{\"box\":" + box + ",\"chars\":[{\"code\":[],\"box\":" + box + "}]}]"),
        region("[{\"box\":" + box + ",\"chars\":[{\"code\":\"AB\",\"box\":" + box + "}]}]"),
        region("[{\"box\":" + box + ",\"chars\":[{\"code\":\"\xff\",\"box\":" + box + "}]}]"),
        region("[{\"box\":" + box + ",\"chars\":[{\"code\":\"\xf0\x9f\x98\x80\",\"box\":" + box + "}]}]"),
        region("[{\"box\":" + box + ",\"chars\":[{\"code\":70000,\"box\":" + box + "}]}]"),
        region("[{\"box\":" + box + ",\"chars\":[{\"code\":65,\"box\":" + box + ",\"dist\":-3}]}]"),
        "{\"tables\":[{\"box\":" + box + ",\"size\":[0,0],\"cells\":[]}]}",
        "{\"tables\":[{\"box\":" + box + ",\"size\":[300,1],\"cells\":[]}]}",
        "{\"tables\":[{\"box\":" + box + ",\"size\":[2,2],\"cells\":[{\"box\":" + box +
            ",\"merge\":[2,3],\"lines\":[" + line + "]}]}]}",
        "{\"tables\":[{\"box\":" + box + ",\"size\":[2,2],\"cells\":[]}]}",
        "{\"engine_areas\":[[5,5]]}",
        "{\"engine_areas\":{}}",
        "{\"excluded\":[{\"box\":" + box + "}]}",
        "{\"width\":\"600\"}",
        "{\"height\":-500}",
        "{\"engine\\ns\":{\"box\":2}}",  // a member name that would break the error line
        std::string(200000, '[') + std::string(200000, ']'),
        "{\"regions\":[" + std::string(100000, '{') + "}]}",
    };
    std::vector<std::string> messages(texts.size());
    std::string lines = "[";  // more lines than the engine's 16-bit record indices can hold
    for (int i = 0; i < 70000; ++i) lines += (i ? "," : "") + line;
    const std::pair<std::string, std::string> named[] = {
        {"{\"regions\":[", "malformed JSON"},
        {region("[{\"box\":" + box + ",\"chars\":[{\"code\":65,\"box\":[5000,5000,5001,5001]}]}]"),
         "regions[0].lines[0].chars[0].box: box [5000,5000,5001,5001] outside the 600x500 page"},
        {"{\"tables\":[{\"box\":[0,0,10,10],\"size\":[2,2],\"cells\":[{\"box\":[0,0,5,5],\"index\":[2,0]}]}]"
         "}",
         "tables[0].cells[0].index: outside the table's 2x2 cells"},
        {"{\"engine_areas\":[[0,0,600,500]]}", "engine_areas[0]: area outside the 600x500 page"},
        {region(lines + "]"), "more than 65535"},
        {"{\"pictures\": []}", "unknown member \"pictures\""},
        {"{\"width\": 100}", "width 100 does not match the image's 600"}};
    for (const auto& [text, message] : named) texts.push_back(text), messages.push_back(message);
    std::vector<fs::path> pages{sample_};
    std::vector<std::string> recs{empty_};
    for (size_t i = 0; i < texts.size(); ++i) {
        recs.push_back((dir_ / ("rec" + std::to_string(i) + ".json")).string());
        Spit(recs.back(), texts[i]);
        pages.push_back(sample_);
    }
    std::string args = "--no-progress --jobs 2";
    for (const std::string& r : recs) args += " --ocr-json " + r;
    for (const fs::path& p : pages) args += " " + p.string();
    const ToolResult r = Tool(args);
    ASSERT_NE(r.status, -1) << "the tool crashed\n" << r.err;
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.out).size(), pages.size()) << r.out;  // error lines included
    const std::vector<std::string> errs = Lines(r.err);
    ASSERT_EQ(errs.size(), texts.size()) << r.err;
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(errs[i].rfind("rkcorr: " + recs[i + 1] + ": ", 0), 0u) << errs[i];
        EXPECT_GT(errs[i].size(), recs[i + 1].size() + 12) << errs[i];
        EXPECT_NE(errs[i].find(messages[i]), std::string::npos) << errs[i];
    }
    // A refused recognition writes no saved copy and no overlay.
    const fs::path saved = dir_ / "saved.json", overlay = dir_ / "overlay.png";
    const ToolResult one = Tool("--no-progress --save-ocr " + saved.string() + " --overlay " +
                                overlay.string() + " --ocr-json " + recs[5] + " " + sample_);
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(Lines(one.err).size(), 1u) << one.err;
    EXPECT_FALSE(fs::exists(saved));
    EXPECT_FALSE(fs::exists(overlay));
}

}  // namespace
