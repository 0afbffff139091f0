// The rkcorr tool end to end: the sample page with live Tesseract and with a
// saved recognition, parallel batches, and every kind of bad input.
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <tuple>
#include <map>
#include <set>

#include "support/tool_run.h"

using json = nlohmann::ordered_json;  // keys in the order written

namespace {

using namespace rktest;

std::vector<json> Pages(const std::string& out) {
    std::vector<json> pages;
    for (const std::string& line : Lines(out)) pages.push_back(json::parse(line));
    return pages;
}

// An inclusive box of the output or the truth, and the pixels two boxes share.
using Rect = std::array<long, 4>;
Rect Of(const json& j) { return {j["left"], j["top"], j["right"], j["bottom"]}; }
long Shared(const Rect& a, const Rect& b) {
    const long w = std::min(a[2], b[2]) - std::max(a[0], b[0]) + 1,
               h = std::min(a[3], b[3]) - std::max(a[1], b[1]) + 1;
    return w > 0 && h > 0 ? w * h : 0;
}

// The picture areas find each drawn picture and stay off the paragraphs.
void CheckAgainstTruth(const json& page) {
    const json truth = json::parse(Slurp(Sample("sample-page.truth.json")));
    for (const json& pic : truth["pictures"]) {
        double best = 0;
        for (const json& a : page["picture_areas"]) {
            const long s = Shared(Of(a), Of(pic));
            best = std::max(best, double(s) / double(Shared(Of(a), Of(a)) + Shared(Of(pic), Of(pic)) - s));
        }
        EXPECT_GE(best, 0.8) << "no area matches the " << pic["kind"] << " in " << page.dump();
    }
    long text = 0;
    for (const json& t : truth["text_blocks"]) text += Shared(Of(t), Of(t));
    for (const json& a : page["picture_areas"]) {
        long covered = 0;
        for (const json& t : truth["text_blocks"]) covered += Shared(Of(a), Of(t));
        EXPECT_LE(double(covered) / double(text), 0.05) << "area " << a.dump() << " covers text";
    }
}

TEST_F(ToolTest, SamplePageWithLiveTesseract) {
    fs::path overlay = dir_ / "overlay.png", saved = dir_ / "rec.json";
    ToolResult r = Tool("--overlay " + overlay.string() + " --save-ocr " + saved.string() + " " +
                        Sample("sample-page.png"));
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<json> pages = Pages(r.out);
    ASSERT_EQ(pages.size(), 1u);
    const json& page = pages[0];
    EXPECT_EQ(std::tie(page["width"], page["height"], page["image"]),
              std::make_tuple(1275, 1650, "24-bit colour"));
    EXPECT_TRUE(page["characters"].get<int>() > 500 && page.contains("ocr_ms") &&
                page.contains("restore_ms"));
    CheckAgainstTruth(page);
    // The overlay is a whole PNG of the page; no temporary file is left.
    PIX* pix = pixRead(overlay.c_str());
    ASSERT_NE(pix, nullptr);
    EXPECT_EQ(pixGetWidth(pix) * 10000 + pixGetHeight(pix), 1275 * 10000 + 1650);
    pixDestroy(&pix);
    // The saved recognition gives the same areas when fed back.
    ToolResult again = Tool("--ocr-json " + saved.string() + " " + Sample("sample-page.png"));
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(Pages(again.out)[0]["picture_areas"], page["picture_areas"]);
    for (const auto& e : fs::directory_iterator(dir_)) EXPECT_NE(e.path().filename().c_str()[0], '.');
}

// The sample page in several formats and depths, one job and two, with the saved recognition.
TEST_F(ToolTest, ParallelBatchGivesTheSameOutputAndEveryDepthWorks) {
    PIX* colour = pixRead(Sample("sample-page.png").c_str());
    PIX* grey = pixConvertRGBToLuminance(colour);
    PIX* bits = pixConvertTo1(grey, 160);
    PIX* mapped = pixOctreeColorQuant(colour, 128, 0);
    const std::tuple<const char*, PIX*, int> variants[] = {
        {"colour.png", colour, IFF_PNG}, {"grey.png", grey, IFF_PNG},
        {"bits.tif", bits, IFF_TIFF_G4}, {"bits.pbm", bits, IFF_PNM},
        {"mapped.bmp", mapped, IFF_BMP}, {"photo.jpg", colour, IFF_JFIF_JPEG}};
    std::vector<std::string> files;
    for (const auto& [name, pix, format] : variants) {
        files.push_back((dir_ / name).string());
        pixSetResolution(pix, 150, 150);
        EXPECT_EQ(pixWrite(files.back().c_str(), pix, format), 0) << name;
    }
    for (PIX* pix : {colour, grey, bits, mapped}) pixDestroy(&pix);
    std::string args = "--no-timing";
    for (size_t i = 0; i < files.size(); ++i) args += " --ocr-json " + Sample("sample-page.ocr.json");
    for (const std::string& f : files) args += " " + f;
    ToolResult one = Tool("--jobs 1 " + args);
    ToolResult two = Tool("--jobs 2 " + args);
    ASSERT_EQ(one.status, 0) << one.err;
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(one.out, two.out);
    std::vector<json> pages = Pages(one.out);
    ASSERT_EQ(pages.size(), files.size());
    std::string kinds;
    for (const json& p : pages) kinds += p["image"].get<std::string>() + ";";
    EXPECT_EQ(kinds, "24-bit colour;8-bit grey;1-bit;1-bit;8-bit palette;24-bit colour;");
    for (const json& p : pages) {
        SCOPED_TRACE(p["file"].get<std::string>());
        CheckAgainstTruth(p);
        EXPECT_FALSE(p.contains("ocr_ms"));
        EXPECT_EQ(p["file"].get<std::string>().find(dir_.string()), 0u);
    }
    // --bw takes the 1-bit page bits of a colour page; without the engine's
    // areas the library still finds the pictures itself.
    for (const char* option : {"--bw", "--no-engine-areas"}) {
        ToolResult r =
            Tool(std::string(option) + " --ocr-json " + Sample("sample-page.ocr.json") + " " + files[0]);
        ASSERT_EQ(r.status, 0) << r.err;
        CheckAgainstTruth(Pages(r.out)[0]);
    }
}

// One batch: failed pages (missing, a directory) give an error line in the stream, in input order,
// and their message on standard error; pages of the same name get distinct
// outputs; each line is written once its page and all before it are done
// (the last page, a named pipe, is written only after the others' lines
// came); every key comes in the same order, and rules and marks (two added
// engine areas, and the page number) are labelled. Then the same page from
// standard input, with --pictures-only, and failing after recognition.
TEST_F(ToolTest, BatchStreamsErrorLinesAndDistinctOutputs) {
    const std::string good = Sample("sample-page.png"), rec = (dir_ / "rec.json").string();
    json r = json::parse(Slurp(Sample("sample-page.ocr.json")));
    r["engine_areas"] = json::array({{{"left", 100}, {"top", 1300}, {"right", 1100}, {"bottom", 1302}},
                                     {{"left", 1200}, {"top", 1600}, {"right", 1210}, {"bottom", 1610}}});
    Spit(rec, r.dump());
    const fs::path missing = dir_ / "missing.png", fifo = dir_ / "later.png", out = dir_ / "out";
    for (const char* sub : {"a", "b", "out"}) fs::create_directories(dir_ / sub);
    fs::copy_file(good, dir_ / "a" / "page.png");
    fs::copy_file(good, dir_ / "b" / "page.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> pages = {(dir_ / "a" / "page.png").string(), missing.string(),
                                            dir_.string(), (dir_ / "b" / "page.png").string(), fifo.string()};
    std::string cmd =
        std::string(RKCORR_TOOL) + " --overlay-dir " + out.string() + " --save-ocr-dir " + out.string();
    for (size_t i = 0; i < pages.size(); ++i) cmd += " --ocr-json " + rec;
    for (const std::string& p : pages) cmd += " " + p;
    FILE* p = ::popen((cmd + " 2>" + (dir_ / "err.txt").string()).c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string text;
    char buf[65536];
    pollfd pfd{::fileno(p), POLLIN, 0};
    while (std::count(text.begin(), text.end(), '\n') < 4) {
        ASSERT_EQ(::poll(&pfd, 1, 120000), 1) << "no line before the last page was readable:\n" << text;
        const ssize_t n = ::read(pfd.fd, buf, sizeof buf);
        ASSERT_GT(n, 0) << text;
        text.append(buf, size_t(n));
    }
    Spit(fifo, Slurp(good));
    for (ssize_t n; (n = ::read(pfd.fd, buf, sizeof buf)) > 0;) text.append(buf, size_t(n));
    EXPECT_EQ(WEXITSTATUS(::pclose(p)), 1);
    const std::vector<json> lines = Pages(text);
    ASSERT_EQ(lines.size(), pages.size());
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i]["file"], pages[i]);
    EXPECT_EQ(lines[1],
              json({{"file", missing}, {"error", missing.string() + ": No such file or directory"}}));
    EXPECT_EQ(lines[2]["error"], dir_.string() + ": is a directory");
    EXPECT_EQ(Lines(Slurp(dir_ / "err.txt")),
              (std::vector<std::string>{"rkcorr: " + lines[1]["error"].get<std::string>(),
                                        "rkcorr: " + lines[2]["error"].get<std::string>()}));
    EXPECT_TRUE(lines[0]["picture_areas"] == lines[3]["picture_areas"] &&
                lines[0]["picture_areas"] == lines[4]["picture_areas"]);
    // No temporary file is left behind.
    std::set<std::string> written;
    for (const auto& e : fs::directory_iterator(out)) written.insert(e.path().filename());
    EXPECT_EQ(written, (std::set<std::string>{"page.overlay.png", "page-2.overlay.png", "later.overlay.png",
                                              "page.ocr.json", "page-2.ocr.json", "later.ocr.json"}));
    std::vector<std::string> keys;
    for (auto it = lines[0].begin(); it != lines[0].end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"file", "width", "height", "dpi", "image", "picture_areas",
                                              "engine_areas", "characters", "regions", "tables", "ocr_ms",
                                              "restore_ms"}));
    EXPECT_EQ(lines[0]["picture_areas"][0].dump(),
              R"({"left":120,"top":463,"right":598,"bottom":801,"kind":"picture"})");
    std::string kinds;
    for (const json& a : lines[0]["picture_areas"]) kinds += a["kind"].get<std::string>() + ";";
    EXPECT_EQ(kinds, "picture;picture;rule;mark;mark;");
    ToolResult in = Tool("--no-timing --ocr-json " + rec + " - < " + good);
    ASSERT_EQ(in.status, 0) << in.err;
    json fromStdin = json::parse(in.out), first = lines[0];
    EXPECT_EQ(fromStdin["file"], "-");
    fromStdin["file"] = first["file"];
    first.erase("ocr_ms"), first.erase("restore_ms");
    EXPECT_EQ(fromStdin, first);
    const json only = json::parse(Tool("--pictures-only --ocr-json " + rec + " " + good).out);
    EXPECT_EQ(only["picture_areas"].size(), 2u);
    for (const json& a : only["picture_areas"]) EXPECT_EQ(a["kind"], "picture");
    // A page that fails after recognition still has its recognition saved.
    fs::create_directories(dir_ / "ocr");
    const ToolResult late = Tool("--overlay-dir " + (dir_ / "none").string() + " --save-ocr-dir " +
                                 (dir_ / "ocr").string() + " --ocr-json " + rec + " " + good);
    EXPECT_EQ(late.status, 1);
    EXPECT_NE(Pages(late.out).at(0)["error"].get<std::string>().find("cannot write the overlay"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(dir_ / "ocr" / "sample-page.ocr.json"));
}

// A mistake in the options is one line and status 2 (the mistakes themselves: cli_units_test).
TEST_F(ToolTest, OptionMistakesAndVersion) {
    const ToolResult unknown = Tool("--frobnicate " + Sample("sample-page.png"));
    EXPECT_EQ(std::tie(unknown.status, unknown.err, unknown.out),
              std::make_tuple(2, "rkcorr: unknown option '--frobnicate'\n", ""));
    EXPECT_EQ(Tool("-h").status + Tool("--ocr-json a.json p1.png p2.png").status, 2);
    EXPECT_EQ(Tool("-v").out, "rkcorr " RKCORR_VERSION "\n");
}

}  // namespace
