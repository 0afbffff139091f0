// The rkcorr tool end to end: the sample page with live Tesseract and with a saved recognition, parallel
// batches, streamed lines of good and failed pages, and a mistake in the options.
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <set>
#include <tuple>

#include "support/tool_run.h"

using json = nlohmann::ordered_json;  // keys in the order written

namespace {

using namespace rktest;

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

// Live Tesseract: the areas match the truth, the overlay is a PNG of the page, and the saved recognition
// gives the same areas when fed back.
TEST_F(ToolTest, SamplePageWithLiveTesseract) {
    const std::string overlay = (dir_ / "overlay.png").string(), saved = (dir_ / "rec.json").string();
    const ToolResult r =
        Tool("--overlay " + overlay + " --save-ocr " + saved + " " + Sample("sample-page.png"));
    ASSERT_EQ(r.status, 0) << r.err;
    const json page = json::parse(r.out);
    EXPECT_EQ(std::tie(page["width"], page["height"], page["image"]),
              std::make_tuple(1275, 1650, "24-bit colour"));
    EXPECT_GT(page["characters"].get<int>(), 500);
    CheckAgainstTruth(page);
    PIX* pix = pixRead(overlay.c_str());
    EXPECT_TRUE(pix && pixGetWidth(pix) == 1275 && pixGetHeight(pix) == 1650);
    pixDestroy(&pix);
    const json again = json::parse(Tool("--ocr-json " + saved + " " + Sample("sample-page.png")).out);
    EXPECT_EQ(again["picture_areas"], page["picture_areas"]);
}

// The sample page in every depth with the saved recognition: one job and two give the same lines and each
// page the pictures of the truth, as do --bw (the page bits) and --no-engine-areas (the library alone).
TEST_F(ToolTest, ParallelBatchGivesTheSameOutputAndEveryDepthWorks) {
    PIX* colour = pixRead(Sample("sample-page.png").c_str());
    PIX* grey = pixConvertRGBToLuminance(colour);
    PIX* bits = pixConvertTo1(grey, 160);
    PIX* mapped = pixOctreeColorQuant(colour, 128, 0);
    const std::tuple<const char*, PIX*, int> variants[] = {
        {"colour.png", colour, IFF_PNG}, {"grey.png", grey, IFF_PNG},
        {"bits.tif", bits, IFF_TIFF_G4}, {"bits.pbm", bits, IFF_PNM},
        {"mapped.bmp", mapped, IFF_BMP}, {"photo.jpg", colour, IFF_JFIF_JPEG}};
    const std::string rec = " --ocr-json " + Sample("sample-page.ocr.json");
    std::string args;
    for (const auto& [name, pix, format] : variants) {
        args += rec + " " + (dir_ / name).string();
        pixSetResolution(pix, 150, 150);
        EXPECT_EQ(pixWrite((dir_ / name).c_str(), pix, format), 0) << name;
    }
    for (PIX* pix : {colour, grey, bits, mapped}) pixDestroy(&pix);
    const ToolResult one = Tool("--no-timing --jobs 1" + args), two = Tool("--no-timing --jobs 2" + args);
    ASSERT_TRUE(one.status == 0 && two.status == 0) << one.err << two.err;
    EXPECT_EQ(one.out, two.out);
    std::string kinds;
    for (const std::string& line : Lines(one.out)) {
        const json p = json::parse(line);
        kinds += p["image"].get<std::string>() + ";";
        CheckAgainstTruth(p);
    }
    EXPECT_EQ(kinds, "24-bit colour;8-bit grey;1-bit;1-bit;8-bit palette;24-bit colour;");
    for (const char* option : {"--bw", "--no-engine-areas"})
        CheckAgainstTruth(json::parse(Tool(option + rec + " " + (dir_ / "colour.png").string()).out));
}

// One batch: a failed page has a line of its file and error alone; pages of one name get distinct outputs and
// no temporary file is left; each line comes once its page and those before are done (the last page, a named
// pipe, is written only after the others' lines came); the keys come in one order and the areas (two engine
// areas added) are labelled. Then standard input, --pictures-only, and failing after the recognition is
// saved.
TEST_F(ToolTest, BatchStreamsErrorLinesAndDistinctOutputs) {
    const std::string good = Sample("sample-page.png"), rec = (dir_ / "rec.json").string();
    json r = json::parse(Slurp(Sample("sample-page.ocr.json")));
    r["engine_areas"] = json::parse("[[100,1300,1100,1302],[1200,1600,1210,1610]]");
    Spit(rec, r.dump());
    const fs::path missing = dir_ / "missing.png", fifo = dir_ / "later.png", out = dir_ / "out";
    for (const char* sub : {"a", "out"}) fs::create_directories(dir_ / sub);
    fs::copy_file(good, dir_ / "a" / "page.png");
    fs::copy_file(good, dir_ / "page.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> pages = {(dir_ / "a" / "page.png").string(), missing.string(),
                                            dir_.string(), (dir_ / "page.png").string(), fifo.string()};
    std::string cmd =
        std::string(RKCORR_TOOL) + " --overlay-dir " + out.string() + " --save-ocr-dir " + out.string();
    for (const std::string& p : pages) cmd += " --ocr-json " + rec + " " + p;
    FILE* p = ::popen((cmd + " 2>/dev/null").c_str(), "r");
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
    std::vector<json> lines;
    for (const std::string& line : Lines(text)) lines.push_back(json::parse(line));
    ASSERT_EQ(lines.size(), pages.size());
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i]["file"], pages[i]);
    EXPECT_EQ(lines[1],
              json({{"file", missing}, {"error", missing.string() + ": No such file or directory"}}));
    EXPECT_EQ(lines[2]["error"], dir_.string() + ": is a directory");
    EXPECT_TRUE(lines[0]["picture_areas"] == lines[3]["picture_areas"] &&
                lines[0]["picture_areas"] == lines[4]["picture_areas"]);
    std::set<std::string> written;
    for (const auto& e : fs::directory_iterator(out)) written.insert(e.path().filename());
    EXPECT_EQ(written, (std::set<std::string>{"page.overlay.png", "page-2.overlay.png", "later.overlay.png",
                                              "page.ocr.json", "page-2.ocr.json", "later.ocr.json"}));
    std::string keys, kinds;
    for (auto it = lines[0].begin(); it != lines[0].end(); ++it) keys += it.key() + " ";
    for (const json& a : lines[0]["picture_areas"]) kinds += a["kind"].get<std::string>() + " ";
    EXPECT_EQ(keys,
              "file width height dpi image picture_areas engine_areas characters regions tables ocr_ms "
              "restore_ms ");
    EXPECT_EQ(kinds, "picture picture rule mark mark ");
    EXPECT_EQ(lines[0]["picture_areas"][0].dump(),
              R"({"left":120,"top":463,"right":598,"bottom":801,"kind":"picture"})");
    json fromStdin = json::parse(Tool("--no-timing --ocr-json " + rec + " - < " + good).out),
         first = lines[0];
    EXPECT_EQ(fromStdin["file"], "-");
    fromStdin["file"] = first["file"];
    first.erase("ocr_ms"), first.erase("restore_ms");
    EXPECT_EQ(fromStdin, first);
    const json only = json::parse(Tool("--pictures-only --ocr-json " + rec + " " + good).out);
    EXPECT_EQ(only["picture_areas"].size(), 2u);
    for (const json& a : only["picture_areas"]) EXPECT_EQ(a["kind"], "picture");
    const ToolResult late = Tool("--overlay-dir " + (dir_ / "none").string() + " --save-ocr-dir " +
                                 out.string() + " --ocr-json " + rec + " " + good);
    EXPECT_EQ(late.status, 1);
    EXPECT_NE(json::parse(late.out)["error"].get<std::string>().find("cannot write the overlay"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(out / "sample-page.ocr.json"));
}

// A mistake in the options is one line and status 2 (the mistakes themselves: cli_units_test).
TEST_F(ToolTest, OptionMistakesAndVersion) {
    const ToolResult unknown = Tool("--frobnicate " + Sample("sample-page.png"));
    EXPECT_EQ(std::tie(unknown.status, unknown.err, unknown.out),
              std::make_tuple(2, "rkcorr: unknown option '--frobnicate'\n", ""));
    EXPECT_EQ(Tool("-v").out, "rkcorr " RKCORR_VERSION "\n");
}

}  // namespace
