// The tool's own pieces: option parsing, the recognition format, page images.
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/page_image.h"
#include "cli/picture_finder.h"
#include "cli/recognition_json.h"
#include "cli/tesseract_engine.h"
#include "rkcorr/bitmap_types.h"

using namespace rkcli;

namespace {

std::string Parse(std::vector<const char*> args, Options& o) {
    args.insert(args.begin(), "rkcorr");
    return ParseOptions(int(args.size()), const_cast<char**>(args.data()), o);
}

TEST(CliOptions, ValuesFlagsAndMistakes) {
    Options o;
    ASSERT_EQ(Parse({"-j", "3", "-l", "deu", "--psm=6", "--bw", "a/p.png", "b/p.png", "-", "p-2.tif", "--",
                     "-b.png"},
                    o),
              "");
    EXPECT_EQ(o.jobs, 3u);
    EXPECT_EQ(o.lang, "deu");
    EXPECT_EQ(o.psm, 6);
    EXPECT_TRUE(o.bw);
    EXPECT_EQ(o.pages, (std::vector<std::string>{"a/p.png", "b/p.png", "-", "p-2.tif", "-b.png"}));
    // Output names never collide, also with a page whose own name looks made up.
    EXPECT_EQ(o.stems, (std::vector<std::string>{"p", "p-3", "stdin", "p-2", "-b"}));
    EXPECT_EQ(Parse({"-", "-"}, o), "standard input (-) can be read once");
    EXPECT_EQ(Parse({"--psm", "14", "a"}, o), "option --psm needs a number from 0 to 13, not '14'");
    EXPECT_EQ(Parse({"--jobs", "x", "a"}, o), "option --jobs needs a number from 1 to 256, not 'x'");
    EXPECT_EQ(Parse({"--jobs", "-1", "a"}, o), "option --jobs needs a number from 1 to 256, not '-1'");
    EXPECT_EQ(Parse({"--dpi", "70000", "a"}, o), "option --dpi needs a number from 1 to 65535, not '70000'");
    EXPECT_EQ(Parse({"--bw=1", "a"}, o), "option --bw takes no value");
    EXPECT_EQ(Parse({"--overlay", "o.png", "a", "b"}, o), "--overlay takes one page; use --overlay-dir");
    EXPECT_EQ(Parse({"--lang="}, o), "option --lang needs a non-empty value");
    EXPECT_EQ(Parse({}, o), "no PAGE given (see --help)");
}

TEST(CliRecognition, JsonRoundTripAndCodes) {
    std::mt19937 rng(7);
    auto box = [&](uint32_t w, uint32_t h) {
        uint32_t l = rng() % w, t = rng() % h;
        return rkcli::Box{l, t, l + uint32_t(rng() % (w - l + 1)), t + uint32_t(rng() % (h - t + 1))};
    };
    Recognition rec;
    rec.width = 300;
    rec.height = 200;
    for (int r = 0; r < 3; ++r) {
        TextRegion region{box(300, 200), {}};
        for (int l = 0; l < 1 + r; ++l) {
            Line line{box(300, 200), {}};
            for (int c = 0; c < 5; ++c)
                line.chars.push_back(Char{uint16_t(rng()), box(300, 200), uint16_t(rng())});
            region.lines.push_back(line);
        }
        (r == 2 ? rec.excluded : rec.regions).push_back(region);
    }
    Table t{box(300, 200), 3, 2, {}};
    t.cells.push_back(Cell{box(300, 200), 1, 1, 2, 1, {Line{box(300, 200), {Char{'x', box(300, 200), 3}}}}});
    rec.tables.push_back(t);
    rec.engineAreas.push_back(rkcli::Box{0, 0, 299, 199});
    Recognition back;
    ASSERT_EQ(ParseRecognitionJson(RecognitionToJson(rec), 300, 200, back), "");
    EXPECT_EQ(RecognitionToJson(back), RecognitionToJson(rec));
    EXPECT_EQ(back.CharacterCount(), rec.CharacterCount());

    Recognition one;
    ASSERT_EQ(
        ParseRecognitionJson(
            R"({"regions":[{"box":[0,0,9,9],"lines":[{"box":[0,0,9,9],"chars":[{"code":"é","box":[1,1,2,2]}]}]}]})",
            10, 10, one),
        "");
    EXPECT_EQ(one.regions[0].lines[0].chars[0].code, 0xE9);
    EXPECT_EQ(ParseRecognitionJson(R"({"regions":[{"box":[0,0,9,9],"lines":[]}]})", 10, 10, one),
              "regions[0]: a region needs at least one line");
    EXPECT_EQ(ParseRecognitionJson("[]", 10, 10, one), "the recognition is not a JSON object");

    EXPECT_EQ(FirstUcs2("\xE3\x81\x82x"), 0x3042);  // あ
    EXPECT_EQ(FirstUcs2("\xC3\xA9"), 0xE9);
    EXPECT_EQ(FirstUcs2("\xF0\x9F\x98\x80"), 0xFFFD);
    EXPECT_EQ(DistanceFromConfidence(91.5f), 85);
    EXPECT_EQ(DistanceFromConfidence(-3), 1000);
}

// Page images: the page bits and bitmaps hold exactly Leptonica's pixels.
TEST(CliPageImage, BitsAndBitmapsMatchTheFile) {
    std::mt19937 rng(11);
    char name[] = "/tmp/rkcorr-page-XXXXXX";
    int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    for (int depth : {1, 8, 32}) {
        const int w = 37 + int(rng() % 50), h = 5 + int(rng() % 20);
        PIX* pix = pixCreate(w, h, depth);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                pixSetPixel(pix, x, y,
                            depth == 1   ? rng() % 2
                            : depth == 8 ? rng() & 0xFFu
                                         : rng() & 0xFFFFFF00u);
        if (depth == 1) pixSetResolution(pix, 0, 0);
        ASSERT_EQ(pixWrite(name, pix, depth == 8 ? IFF_TIFF_ZIP : IFF_PNG), 0);
        PageImage page;
        ASSERT_EQ(ReadPageImage(name, 222, page), "") << depth;
        EXPECT_EQ(page.width, uint32_t(w));
        EXPECT_EQ(page.height, uint32_t(h));
        if (depth == 1) {
            EXPECT_EQ(page.xDpi, 222u);
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                l_uint32 v = 0;
                pixGetPixel(pix, x, y, &v);
                if (depth == 1) {
                    int bit = (page.bw[size_t(y) * page.bwLineBytes + x / 8] >> (7 - x % 8)) & 1;
                    ASSERT_EQ(bit, int(v)) << x << "," << y;
                    continue;
                }
                const BITMAPINFOHEADER* hd = reinterpret_cast<const BITMAPINFOHEADER*>(page.dib.data());
                const uint8_t* rows = page.dib.data() + 40 + 4 * hd->biClrUsed;
                const int stride = ((w * hd->biBitCount / 8) + 3) & ~3;
                const uint8_t* row = rows + size_t(h - 1 - y) * stride;  // bottom row first
                if (depth == 8) {
                    ASSERT_EQ(row[x], v);
                } else {
                    ASSERT_EQ(row[3 * x + 2], (v >> 24) & 0xFF);
                    ASSERT_EQ(row[3 * x + 1], (v >> 16) & 0xFF);
                    ASSERT_EQ(row[3 * x], (v >> 8) & 0xFF);
                }
            }
            if (depth == 1 && w % 8) {  // the padding bits of the last byte stay white
                ASSERT_EQ(page.bw[size_t(y) * page.bwLineBytes + page.bwLineBytes - 1] & (0xFF >> (w % 8)),
                          0);
            }
        }
        pixDestroy(&pix);
    }
    std::remove(name);
}

}  // namespace

// Inside a picture area only sure text stays: confident, letter-sized and not
// alone on its line. Regions and lines that lose characters are re-boxed;
// those left empty go; what lies outside the area is untouched.
TEST(CliPictureFinder, NoiseInsideAreasGoes) {
    auto ch = [](uint32_t l, uint32_t t, uint32_t size, uint16_t dist) {
        return Char{'x', rkcli::Box{l, t, l + size - 1, t + size - 1}, dist};
    };
    auto line = [](std::vector<Char> chars) {
        rkcli::Box b = chars[0].box;
        for (const Char& c : chars)
            b = rkcli::Box{std::min(b.left, c.box.left), std::min(b.top, c.box.top),
                           std::max(b.right, c.box.right), std::max(b.bottom, c.box.bottom)};
        return Line{b, chars};
    };
    Recognition rec;
    // A paragraph outside the area, whose characters set the text height (20).
    Line para = line({ch(10, 10, 20, 0), ch(40, 10, 20, 0), ch(70, 10, 20, 900)});
    rec.regions.push_back(TextRegion{para.box, {para}});
    // Inside the area (200..600): a circle read as a letter, a lone corner, a
    // doubtful letter, and a label of two sure characters that stays.
    Line drawing =
        line({ch(300, 300, 80, 0), ch(330, 400, 20, 0), ch(360, 400, 20, 0), ch(390, 400, 20, 700)});
    Line corner = line({ch(210, 210, 12, 0)});
    rec.regions.push_back(TextRegion{rkcli::Box{210, 210, 409, 419}, {corner, drawing}});
    EXPECT_TRUE(SureText(para.chars[0], 3, TextHeight(rec)));
    DropPictureNoise(rec, {rkcli::Box{200, 200, 600, 600}});
    ASSERT_EQ(rec.regions.size(), 2u);
    EXPECT_EQ(rec.regions[0].lines[0].chars.size(), 3u);  // outside: the doubtful one stays too
    ASSERT_EQ(rec.regions[1].lines.size(), 1u);
    const Line& kept = rec.regions[1].lines[0];
    ASSERT_EQ(kept.chars.size(), 2u);
    EXPECT_EQ(kept.chars[0].box.left, 330u);
    EXPECT_EQ(kept.box.left, 330u);
    EXPECT_EQ(kept.box.right, 379u);
    EXPECT_EQ(rec.regions[1].box.top, 400u);
    EXPECT_EQ(rec.regions[1].box.bottom, 419u);
}
