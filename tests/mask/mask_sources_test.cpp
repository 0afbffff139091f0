// The mask sources and the entropy mask against a plain reference: grey
// levels, histogram, background choice, row reversal and 2 x 2 reduction
// written out pixel by pixel; resolutions; every failure path (locks,
// depths, palette indices, allocation failures) leaves nothing locked or
// allocated.
#include <gtest/gtest.h>

#include <math.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <stdexcept>
#include <vector>

#include "mask/entropy_mask.h"
#include "mask/mask_source_image.h"
#include "mask/mask_sources.h"
#include "rkcorr/rkcorr.h"
#include "support/alloc_hook.h"

using rktest::g_count;
using rktest::g_failIn;
using rktest::g_live;

namespace {

using Grey = std::vector<std::vector<uint8_t>>;  // [stored row][x]

HGLOBAL make_block(const std::vector<uint8_t>& bytes) {
    HGLOBAL h = GlobalAlloc(GHND, bytes.size());
    memcpy(GlobalLock(h), bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}

// A packed DIB: header, clrUsed palette entries, rows padded to 4 bytes with
// the padding bytes set to 0xEE (they must never count as pixels).
HGLOBAL make_dib(unsigned w, unsigned h, unsigned bitCount, const std::vector<RGBQUAD>& palette,
                 const std::vector<std::vector<uint8_t>>& rows, LONG xpm = 11811, LONG ypm = 7874,
                 bool negativeHeight = false) {
    const unsigned stride = ((w * bitCount / 8) + 3) & ~3u;
    std::vector<uint8_t> bytes(40 + 4 * palette.size() + static_cast<size_t>(stride) * h, 0xEE);
    BITMAPINFOHEADER bih{};
    bih.biSize = 40;
    bih.biWidth = static_cast<LONG>(w);
    bih.biHeight = negativeHeight ? -static_cast<LONG>(h) : static_cast<LONG>(h);
    bih.biPlanes = 1;
    bih.biBitCount = static_cast<WORD>(bitCount);
    bih.biXPelsPerMeter = xpm;
    bih.biYPelsPerMeter = ypm;
    bih.biClrUsed = static_cast<DWORD>(palette.size());
    memcpy(bytes.data(), &bih, 40);
    if (!palette.empty()) memcpy(bytes.data() + 40, palette.data(), 4 * palette.size());
    for (unsigned y = 0; y < h; ++y)
        memcpy(bytes.data() + 40 + 4 * palette.size() + static_cast<size_t>(y) * stride, rows[y].data(),
               rows[y].size());
    return make_block(bytes);
}

struct Page {
    tagIMGHEAD head{};
    ~Page() {
        if (head.hDIB) GlobalFree(head.hDIB);
        if (head.hBWImage) GlobalFree(head.hBWImage);
    }
};

std::vector<uint8_t> reference_foreground(const Grey& grey, unsigned w) {
    std::vector<double> count(256, 0.0);
    double total = 0;
    for (const auto& row : grey)
        for (unsigned x = 0; x < w; ++x) count[row[x]] += 1, total += 1;
    double entropy = 0;
    for (int i = 0; i < 256; ++i)
        if (count[i] > 0) entropy += -log(count[i] / total) * count[i];
    entropy /= total;
    std::vector<bool> background(256, false);
    for (int i = 128; i < 256; ++i) background[i] = count[i] > 0 && entropy > -log(count[i] / total);
    int lo = -1, hi = -1;
    for (int i = 0; i < 256; ++i)
        if (background[i]) {
            if (lo < 0) lo = i;
            hi = i;
        }
    std::vector<uint8_t> fg(256, 1);
    if (lo >= 0)
        for (int i = std::max(0, lo - 20); i <= std::min(255, hi + 19); ++i) fg[i] = 0;
    return fg;
}

// Expected stored rows of the mask: the grey image's rows reversed, reduced
// by 2 with OR, pixels past the width white.
std::vector<std::vector<bool>> reference_mask(const Grey& grey, unsigned w) {
    const std::vector<uint8_t> fg = reference_foreground(grey, w);
    const unsigned h = static_cast<unsigned>(grey.size());
    std::vector<std::vector<bool>> mask((h + 1) / 2, std::vector<bool>((w + 1) / 2, false));
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x)
            if (fg[grey[y][x]]) mask[(h - 1 - y) / 2][x / 2] = true;
    return mask;
}

void expect_mask(const ImgMask* mask, const Grey& grey, unsigned w, const char* what) {
    ASSERT_NE(mask, nullptr) << what;
    ASSERT_NE(mask->GetCRkBWImage(), nullptr) << what;
    const auto expected = reference_mask(grey, w);
    CRkBWImage* image = mask->GetCRkBWImage();
    ASSERT_EQ(image->GetHeight(), expected.size()) << what;
    ASSERT_EQ(image->GetWidth(), expected[0].size()) << what;
    for (unsigned n = 0; n < expected.size(); ++n) {
        const uint8_t* row = masktest::stored_row(*mask, n);
        for (unsigned x = 0; x < image->GetLineByteSize() * 8u; ++x) {
            const bool want = x < expected[n].size() && expected[n][x];
            ASSERT_EQ(((row[x / 8] >> (7 - x % 8)) & 1) != 0, want) << what << " row " << n << " x " << x;
        }
    }
}

// A page of mostly light background with darker ink and some noise levels.
Grey random_grey(std::mt19937& rng, unsigned w, unsigned h) {
    std::uniform_int_distribution<int> paper(150, 255), any(0, 255), pick(0, 99);
    const int bg1 = paper(rng), bg2 = paper(rng);
    Grey g(h, std::vector<uint8_t>(w));
    for (auto& row : g)
        for (auto& v : row) {
            const int p = pick(rng);
            v = static_cast<uint8_t>(p < 55 ? bg1 : p < 70 ? bg2 : p < 85 ? std::min(255, bg1 + pick(rng) % 25)
                                                                            : any(rng));
        }
    return g;
}

uint8_t grey_of(const RGBQUAD& q) { return static_cast<uint8_t>((q.rgbRed + q.rgbGreen + q.rgbBlue) / 3); }

TEST(Dpi2Dpm, Values) {
    EXPECT_EQ(dpi2dpm(200), 7874);
    EXPECT_EQ(dpi2dpm(300), 11811);
    EXPECT_EQ(dpi2dpm(0), 0);
}

TEST(MaskFromBw, ReducesThePageBits) {
    std::mt19937 rng(3);
    for (int i = 0; i < 40; ++i) {
        const unsigned w = 1 + rng() % 200, h = 1 + rng() % 60;
        masktest::BwSource s = masktest::random_source(rng, w, h, rng() % 4, 0.2);
        Page page;
        page.head.hBWImage = make_block(s.bits);
        page.head.wLineByte = static_cast<WORD>(s.stride);
        page.head.wWidth = static_cast<WORD>(w);
        page.head.wHeight = static_cast<WORD>(h);
        page.head.wXResolution = 300;
        page.head.wYResolution = 200;
        std::unique_ptr<ImgMask> mask(mask_from_bw(&page.head));
        ASSERT_TRUE(mask && mask->GetCRkBWImage());
        EXPECT_EQ(RkTestTotalLocks(), 0u);
        EXPECT_EQ(mask->GetSrcWidth(), w);
        EXPECT_EQ(mask->GetSrcHeight(), h);
        const auto expected = masktest::reference_reduce(s);
        for (unsigned n = 0; n < expected.size(); ++n)
            ASSERT_TRUE(std::equal(expected[n].begin(), expected[n].end(), masktest::stored_row(*mask, n)));
        EXPECT_EQ(mask->GetCRkBWImage()->GetXResolution(), 300);
        EXPECT_EQ(mask->GetCRkBWImage()->GetYResolution(), 200);
    }
}

TEST(MaskFromBw, RefusedInputGivesMaskWithoutImage) {
    masktest::BwSource s(64, 8, 8);
    Page page;
    page.head.hBWImage = make_block(s.bits);
    page.head.wWidth = 64;
    page.head.wHeight = 8;
    page.head.wLineByte = 0;
    std::unique_ptr<ImgMask> mask(mask_from_bw(&page.head));
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(mask->GetCRkBWImage(), nullptr);
    // A block shorter than the rows it claims is refused the same way.
    page.head.wLineByte = 9;
    mask.reset(mask_from_bw(&page.head));
    ASSERT_NE(mask, nullptr);
    EXPECT_EQ(mask->GetCRkBWImage(), nullptr);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
}

// Grey, palette and 24-bit pages in turn against the reference.
TEST(MaskFromGrey, EveryDepthMatchesReference) {
    std::mt19937 rng(11);
    for (int i = 0; i < 120; ++i) {
        const unsigned w = 1 + rng() % 120, h = 1 + rng() % 50;
        Grey g = random_grey(rng, w, h);  // the grey levels the source must see
        Page page;
        std::unique_ptr<ImgMask> mask;
        if (i % 3 == 0) {
            // A palette is skipped on the grey path: the rows start after it.
            std::vector<RGBQUAD> palette(i % 4 == 0 ? 3 : 0, RGBQUAD{1, 2, 3, 0});
            page.head.hDIB = make_dib(w, h, 8, palette, g, 7874, 11811, i % 5 == 0);
            mask.reset(mask_from_8bit_gray(&page.head));
        } else if (i % 3 == 1) {
            std::vector<RGBQUAD> palette(1 + rng() % 256);
            for (auto& q : palette) q = RGBQUAD{BYTE(rng()), BYTE(rng()), BYTE(rng()), 0};
            Grey idx = g;
            const unsigned n = unsigned(palette.size()), common = rng() % n;
            for (unsigned y = 0; y < h; ++y)
                for (unsigned x = 0; x < w; ++x) {
                    idx[y][x] = static_cast<uint8_t>(rng() % 3 ? common : rng() % n);
                    g[y][x] = grey_of(palette[idx[y][x]]);
                }
            page.head.hDIB = make_dib(w, h, 8, palette, idx, 7874, 11811);
            mask.reset(mask_from_8bit_palette(&page.head));
        } else {
            // Colours around the base level so that the rounding matters.
            Grey rgb(h, std::vector<uint8_t>(3 * w));
            for (unsigned y = 0; y < h; ++y)
                for (unsigned x = 0; x < w; ++x) {
                    int sum = 0;
                    for (int k = 0; k < 3; ++k) {
                        const int c = std::min(255, std::max(0, g[y][x] + int(rng() % 5) - 2));
                        rgb[y][3 * x + k] = static_cast<uint8_t>(c);
                        sum += c;
                    }
                    g[y][x] = static_cast<uint8_t>(sum / 3);
                }
            page.head.hDIB = make_dib(w, h, 24, {}, rgb, 7874, 11811);
            mask.reset(mask_from_24bit(&page.head));
        }
        expect_mask(mask.get(), g, w, i % 3 == 0 ? "grey" : i % 3 == 1 ? "palette" : "24-bit");
        EXPECT_EQ(RkTestTotalLocks(), 0u);
        // Both resolutions of the mask come from biXPelsPerMeter.
        EXPECT_EQ(mask->GetCRkBWImage()->GetXResolution(), 200);
        EXPECT_EQ(mask->GetCRkBWImage()->GetYResolution(), 200);
    }
}

// 90 % of the page at level 200 makes 180 to 219 background: the grey
// conversion must land exactly on either side of both edges.
TEST(MaskFromGrey, GreyLevelsAtTheBandEdges) {
    const unsigned w = 40, h = 10;
    // Colours of grey 179, 180, 219, 220, then 20, 0, 255 and 254, then the paper.
    const std::vector<RGBQUAD> colours = {{179, 179, 181, 0}, {180, 180, 182, 0}, {219, 219, 221, 0},
                                          {220, 220, 222, 0}, {10, 20, 30, 0},    {1, 1, 0, 0},
                                          {255, 255, 255, 0}, {255, 255, 254, 0}, {200, 200, 200, 0}};
    const bool black[] = {true, false, false, true, true, true, true, true};
    Grey idx(h, std::vector<uint8_t>(w, 8)), rgb(h, std::vector<uint8_t>(3 * w));
    for (unsigned k = 0; k < 8; ++k) idx[0][2 * k] = idx[0][2 * k + 1] = static_cast<uint8_t>(k);
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x) {
            const RGBQUAD& q = colours[idx[y][x]];
            rgb[y][3 * x] = q.rgbBlue, rgb[y][3 * x + 1] = q.rgbGreen, rgb[y][3 * x + 2] = q.rgbRed;
        }
    Page pal, col;
    pal.head.hDIB = make_dib(w, h, 8, colours, idx);
    col.head.hDIB = make_dib(w, h, 24, {}, rgb);
    for (ImgMask* raw : {mask_from_8bit_palette(&pal.head), mask_from_24bit(&col.head)}) {
        std::unique_ptr<ImgMask> mask(raw);
        ASSERT_TRUE(mask && mask->GetCRkBWImage());
        // Stored grey row 0 is the page's bottom line: the mask's last stored row.
        const uint8_t* row = masktest::stored_row(*mask, 4);
        for (unsigned k = 0; k < 8; ++k) EXPECT_EQ(((row[k / 8] >> (7 - k % 8)) & 1) != 0, black[k]) << k;
        EXPECT_EQ(row[1], 0);
    }
}

// Histograms given as (level, count); background levels lo..hi (none if lo < 0).
TEST(EntropyMask, BackgroundChoice) {
    struct Case {
        std::vector<std::pair<int, unsigned>> hist;
        int lo, hi;
    } cases[] = {{{{250, 900}, {0, 100}}, 230, 255},
                 {{{0, 77}}, -1, -1},  // a single level is never background
                 {{{100, 77}}, -1, -1},
                 {{{200, 77}}, -1, -1},
                 {{{255, 77}}, -1, -1},
                 {{{10, 500}, {127, 500}, {60, 3}}, -1, -1},  // only dark levels
                 {{{150, 400}, {240, 400}, {200, 1}, {20, 50}}, 130, 255},
                 {{{128, 900}, {0, 100}}, 108, 147}};
    for (const Case& c : cases) {
        unsigned hist[256] = {};
        unsigned char fg[256];
        for (const auto& e : c.hist) hist[e.first] = e.second;
        ASSERT_TRUE(entropy_foreground_levels(hist, fg));
        for (int i = 0; i < 256; ++i) EXPECT_EQ(fg[i], i >= c.lo && i <= c.hi ? 0 : 1) << c.hist[0].first << " " << i;
    }
    unsigned none[256] = {};
    unsigned char fg[256];
    EXPECT_FALSE(entropy_foreground_levels(none, fg));
}

TEST(EntropyMask, RowsReversedAndEmptyPages) {
    // Three rows: grey row 0 (bottom line) is all ink, the rest paper.
    std::vector<uint8_t> grey(3 * 4, 250);
    grey[0] = grey[1] = grey[2] = 0;
    std::unique_ptr<ImgMask> mask(create_entropy_mask(3, 3, 4, 2834, grey.data()));
    ASSERT_TRUE(mask && mask->GetCRkBWImage());
    // 1-bit row 2 holds it: the mask's second stored row (row 2 alone).
    EXPECT_EQ(masktest::stored_row(*mask, 0)[0], 0x00);
    EXPECT_EQ(masktest::stored_row(*mask, 1)[0], 0xC0);
    EXPECT_EQ(mask->GetCRkBWImage()->GetXResolution(), 72);
    EXPECT_EQ(create_entropy_mask(0, 3, 4, 0, grey.data()), nullptr);
    EXPECT_EQ(create_entropy_mask(3, 0, 4, 0, grey.data()), nullptr);
}

TEST(MaskSourceFailures, LocksDepthsAndPaletteIndices) {
    std::vector<std::vector<uint8_t>> rows(4, std::vector<uint8_t>(12, 1));
    Page grey, pal, rgb;
    grey.head.hDIB = make_dib(12, 4, 8, {}, rows);
    pal.head.hDIB = make_dib(12, 4, 8, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{9, 9, 9, 0}}, rows);
    rgb.head.hDIB = make_dib(4, 4, 24, {}, rows);
    Page bw;
    bw.head.hBWImage = make_block(std::vector<uint8_t>(8, 0xFF));
    bw.head.wLineByte = 2, bw.head.wWidth = 16, bw.head.wHeight = 4;
    // Pixel value 2 with a palette of 2 entries, in the last pixel only; and
    // no palette at all, which makes every pixel out of range.
    rows[0][11] = 2;
    Page bad, empty;
    bad.head.hDIB = make_dib(12, 4, 8, {RGBQUAD{0, 0, 0, 0}, RGBQUAD{9, 9, 9, 0}}, rows);
    empty.head.hDIB = make_dib(12, 4, 8, {}, rows);
    const long live = g_live;

    RkTestFailNthLock(1);
    EXPECT_EQ(mask_from_bw(&bw.head), nullptr);
    for (auto* source : {mask_from_8bit_gray, mask_from_8bit_palette, mask_from_24bit}) {
        RkTestFailNthLock(1);
        EXPECT_EQ(source(&grey.head), nullptr);
    }
    // Wrong depths.
    EXPECT_EQ(mask_from_24bit(&grey.head), nullptr);
    EXPECT_EQ(mask_from_8bit_gray(&rgb.head), nullptr);
    EXPECT_EQ(mask_from_8bit_palette(&rgb.head), nullptr);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    EXPECT_EQ(g_live.load(), live);

    EXPECT_THROW(mask_from_8bit_palette(&bad.head), std::out_of_range);
    EXPECT_THROW(mask_from_8bit_palette(&empty.head), std::out_of_range);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    EXPECT_EQ(g_live.load(), live);

    // A bitmap block shorter than its header says.
    Page shortDib;
    std::vector<uint8_t> bytes(40 + 10, 0);
    BITMAPINFOHEADER bih{40, 12, 4, 1, 8, 0, 0, 0, 0, 0, 0};
    memcpy(bytes.data(), &bih, 40);
    shortDib.head.hDIB = make_block(bytes);
    EXPECT_EQ(mask_from_8bit_gray(&shortDib.head), nullptr);
    EXPECT_EQ(RkTestTotalLocks(), 0u);
}

TEST(MaskSourceFailures, EveryAllocationFailingInTurn) {
    std::mt19937 rng(5);
    const unsigned w = 37, h = 11;
    const Grey g = random_grey(rng, w, h);
    Grey rgb(h, std::vector<uint8_t>(3 * w));
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < 3 * w; ++x) rgb[y][x] = g[y][x / 3];
    std::vector<RGBQUAD> palette(256);
    for (unsigned i = 0; i < 256; ++i) palette[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    masktest::BwSource s = masktest::random_source(rng, w, h, 1, 0.3);
    Page grey, pal, col, bw;
    grey.head.hDIB = make_dib(w, h, 8, {}, g);
    pal.head.hDIB = make_dib(w, h, 8, palette, g);
    col.head.hDIB = make_dib(w, h, 24, {}, rgb);
    bw.head.hBWImage = make_block(s.bits);
    bw.head.wLineByte = static_cast<WORD>(s.stride), bw.head.wWidth = w, bw.head.wHeight = h;

    struct Source {
        ImgMask* (*fn)(tagIMGHEAD*);
        tagIMGHEAD* head;
    } sources[] = {{mask_from_bw, &bw.head},
                   {mask_from_8bit_gray, &grey.head},
                   {mask_from_8bit_palette, &pal.head},
                   {mask_from_24bit, &col.head}};
    for (const Source& src : sources) {
        g_count = 0;
        delete src.fn(src.head);
        const long allocations = g_count;
        ASSERT_GE(allocations, 4);
        for (long n = 1; n <= allocations; ++n) {
            const long live = g_live;
            g_failIn = n;
            try {
                std::unique_ptr<ImgMask> mask(src.fn(src.head));
                // A mask that exists but whose reduction failed has no image.
                if (mask && g_failIn == 0) {
                    EXPECT_EQ(mask->GetCRkBWImage(), nullptr) << n;
                }
            } catch (const std::bad_alloc&) {
            }
            g_failIn = 0;
            EXPECT_EQ(g_live.load(), live) << "allocation " << n;
            EXPECT_EQ(RkTestTotalLocks(), 0u) << "allocation " << n;
        }
    }

    // CreateMask itself: -1, no image, nothing left allocated.
    for (long n = 1; n <= 3; ++n) {
        ImgMask mask;
        const long live = g_live;
        g_failIn = n;
        EXPECT_EQ(mask.CreateMask(&s.header, s.bits.data(), s.stride), -1);
        g_failIn = 0;
        EXPECT_EQ(mask.GetCRkBWImage(), nullptr);
        EXPECT_EQ(g_live.load(), live);
    }
}

}  // namespace
