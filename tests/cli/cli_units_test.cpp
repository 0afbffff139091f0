// The tool's own pieces: option parsing, the recognition format and its codes, page images, the noise
// inside picture areas. Hostile files and options through the whole tool: cli_hostile_test.
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>

#include <cstdio>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "cli/options.h"
#include "cli/page_image.h"
#include "cli/picture_finder.h"
#include "cli/recognition_json.h"
#include "cli/tesseract_engine.h"

using namespace rkcli;

namespace {

std::string Parse(std::vector<const char*> args, Options& o) {
    args.insert(args.begin(), "rkcorr");
    return ParseOptions(int(args.size()), const_cast<char**>(args.data()), o);
}

TEST(CliOptions, ValuesStemsAndMistakes) {
    Options o;
    ASSERT_EQ(Parse({"-j", "3", "-l", "deu", "--psm=6", "--oem", "1", "--dpi=150", "--bw", "--no-timing",
                     "--no-engine-areas", "a/p.png", "b/p.png", "-", "p-2.tif", "--", "-b.png"},
                    o),
              "");
    EXPECT_EQ(std::tie(o.jobs, o.lang, o.psm, o.oem, o.dpi), std::make_tuple(3u, "deu", 6, 1, 150u));
    EXPECT_TRUE(o.bw && !o.timing && !o.engineAreas && o.progress && !o.picturesOnly);
    EXPECT_EQ(o.pages, (std::vector<std::string>{"a/p.png", "b/p.png", "-", "p-2.tif", "-b.png"}));
    // Output names never collide, also with a page whose own name looks made up.
    EXPECT_EQ(o.stems, (std::vector<std::string>{"p", "p-3", "stdin", "p-2", "-b"}));
    EXPECT_TRUE(Parse({"-v"}, o).empty() && o.version && Parse({"--help"}, o).empty() && o.help);
    const std::pair<std::vector<const char*>, std::string> mistakes[] = {
        {{"-", "-"}, "standard input (-) can be read once"},
        {{"--psm", "14", "a"}, "option --psm needs a number from 0 to 13, not '14'"},
        {{"--oem", "3x", "a"}, "option --oem needs a number from 0 to 3, not '3x'"},
        {{"-j", "-1", "a"}, "option -j needs a number from 1 to 256, not '-1'"},
        {{"--dpi", "70000", "a"}, "option --dpi needs a number from 1 to 65535, not '70000'"},
        {{"--bw=1", "a"}, "option --bw takes no value"},
        {{"--overlay", "o.png", "a", "b"}, "--overlay takes one page; use --overlay-dir"},
        {{"--save-ocr", "o.json", "a", "b"}, "--save-ocr takes one page; use --save-ocr-dir"},
        {{"--ocr-json", "o.json", "a", "b"}, "--ocr-json given 1 times for 2 pages; give it once per page"},
        {{"--lang="}, "option --lang needs a non-empty value"},
        {{"a", "--tessdata-dir"}, "option --tessdata-dir needs a value"},
        {{"--frobnicate", "a"}, "unknown option '--frobnicate'"},
        {{}, "no PAGE given (see --help)"}};
    for (const auto& [args, message] : mistakes) EXPECT_EQ(Parse(args, o), message);
}

// A random recognition comes back whole from its JSON; codes are read from strings of UTF-8 and from
// Tesseract's, and its confidences become distances. Bad recognitions: cli_hostile_test.
TEST(CliRecognition, JsonRoundTripAndCodes) {
    std::mt19937 rng(7);
    auto box = [&] {
        uint32_t l = rng() % 300, t = rng() % 200;
        return rkcli::Box{l, t, l + uint32_t(rng() % (300 - l + 1)), t + uint32_t(rng() % (200 - t + 1))};
    };
    auto line = [&] {
        Line l{box(), {}};
        for (int c = 0; c < 5; ++c) l.chars.push_back(Char{uint16_t(rng()), box(), uint16_t(rng())});
        return l;
    };
    Recognition rec;
    rec.width = 300, rec.height = 200;
    for (int r = 0; r < 3; ++r) (r == 2 ? rec.excluded : rec.regions).push_back({box(), {line(), line()}});
    rec.tables.push_back(
        Table{box(), 3, 2, {Cell{box(), 1, 1, 2, 1, {line()}}, Cell{box(), 0, 0, 1, 2, {}}}});
    rec.engineAreas.push_back(rkcli::Box{0, 0, 299, 199});
    Recognition back;
    ASSERT_EQ(ParseRecognitionJson(RecognitionToJson(rec), 300, 200, back), "");
    EXPECT_EQ(RecognitionToJson(back), RecognitionToJson(rec));
    EXPECT_EQ(back.CharacterCount(), 35u);
    ASSERT_EQ(
        ParseRecognitionJson(R"({"regions":[{"box":[0,0,9,9],"lines":[{"box":[0,0,9,9],"chars":[)"
                             R"({"code":"\u00e9","box":[1,1,2,2]},{"code":"\u3042","box":[1,1,2,2]}]}]}]})",
                             10, 10, back),
        "");
    const std::vector<Char>& read = back.regions[0].lines[0].chars;
    EXPECT_EQ(std::tie(read[0].code, read[1].code), std::make_tuple(0xE9, 0x3042));
    const std::pair<const char*, int> tesseract[] = {
        {"A", 'A'},        {"\xC3\xA9", 0xE9}, {"\xE3\x81\x81x", 0x3041}, {"\xF0\x9F\x98\x80", 0xFFFD},
        {"\xC3(", 0xFFFD}, {"", 0xFFFD}};
    for (const auto& [text, code] : tesseract) EXPECT_EQ(FirstUcs2(text), code) << text;
    EXPECT_EQ(DistanceFromConfidence(91.5f) + DistanceFromConfidence(-3) * 10, 85 + 10000);
}

// Page images: the bitmaps read from a file (bottom row first) and the page bits of a recogniser (ink in the
// padding of every row left out) hold exactly Leptonica's pixels.
TEST(CliPageImage, BitsAndBitmapsMatchThePixels) {
    std::mt19937 rng(11);
    const std::string name = testing::TempDir() + "rkcorr-page-" + std::to_string(getpid());
    for (int depth : {1, 8, 32}) {
        const int w = 37 + int(rng() % 50), h = 5 + int(rng() % 20), bytes = depth == 32 ? 3 : 1;
        PIX* pix = pixCreate(w, h, depth);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                pixSetPixel(pix, x, y, depth == 1 ? rng() % 2 : depth == 8 ? rng() & 0xFFu : rng() & ~0xFFu);
        PageImage page;
        if (depth == 1) {
            pixSetPadBits(pix, 1);
            SetPageBits(page, pix);
        } else {
            ASSERT_EQ(pixWrite(name.c_str(), pix, depth == 8 ? IFF_TIFF_ZIP : IFF_PNG), 0);
            ASSERT_EQ(ReadPageImage(name, 222, page), "") << depth;
            EXPECT_EQ(std::tie(page.width, page.height), std::make_tuple(uint32_t(w), uint32_t(h)));
            EXPECT_TRUE(depth == 8 || page.xDpi == 222u);  // none in the file
        }
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = depth == 1 ? page.bw.data() + size_t(y) * page.bwLineBytes
                                            : page.dib.data() + 40 + (depth == 8 ? 1024 : 0) +
                                                  size_t(h - 1 - y) * ((w * bytes + 3) & ~3);
            ASSERT_TRUE(depth != 1 || w % 8 == 0 || (row[w / 8] & (0xFF >> (w % 8))) == 0) << y;
            for (int x = 0; x < w; ++x) {
                l_uint32 v = 0;
                pixGetPixel(pix, x, y, &v);
                const uint32_t got = depth == 1 ? (row[x / 8] >> (7 - x % 8)) & 1
                                     : depth == 8
                                         ? row[x]
                                         : row[3 * x + 2] << 24 | row[3 * x + 1] << 16 | row[3 * x] << 8;
                ASSERT_EQ(got, v) << depth << ": " << x << "," << y;
            }
        }
        pixDestroy(&pix);
    }
    std::remove(name.c_str());
}

// Inside a picture area only sure text stays: confident, letter-sized and not alone on its line. Lines and
// regions that lose characters are re-boxed, those left empty go; what lies outside the area is untouched.
TEST(CliPictureFinder, NoiseInsideAreasGoes) {
    auto ch = [](uint32_t l, uint32_t t, uint32_t size, uint16_t dist) {
        return Char{'x', rkcli::Box{l, t, l + size - 1, t + size - 1}, dist};
    };
    auto line = [](std::vector<Char> chars) { return Line{chars[0].box, chars}; };  // box not looked at
    Recognition rec;
    // Outside the area, a paragraph whose characters set the text height (20).
    Line para = line({ch(10, 10, 20, 0), ch(40, 10, 20, 0), ch(70, 10, 20, 900)});
    rec.regions.push_back(TextRegion{para.box, {para}});
    // Inside (200..600): a lone corner, a circle read as a letter, a doubtful letter and a sure label that
    // stays.
    Line drawing =
        line({ch(300, 300, 80, 0), ch(330, 400, 20, 0), ch(360, 400, 20, 0), ch(390, 400, 20, 700)});
    rec.regions.push_back(TextRegion{rkcli::Box{210, 210, 409, 419}, {line({ch(210, 210, 12, 0)}), drawing}});
    EXPECT_TRUE(SureText(para.chars[0], 3, TextHeight(rec)));
    DropPictureNoise(rec, {rkcli::Box{200, 200, 600, 600}});
    ASSERT_TRUE(rec.regions.size() == 2 && rec.regions[1].lines.size() == 1 &&
                rec.regions[1].lines[0].chars.size() == 2);
    EXPECT_EQ(rec.regions[0].lines[0].chars.size(), 3u);  // outside: the doubtful one stays too
    const Line& kept = rec.regions[1].lines[0];
    EXPECT_EQ(std::tie(kept.chars[0].box.left, kept.box.left, kept.box.right, rec.regions[1].box.top,
                       rec.regions[1].box.bottom),
              std::make_tuple(330u, 330u, 379u, 400u, 419u));
}

}  // namespace
