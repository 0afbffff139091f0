// Text erasure and labeling on pages, checked against a flood-fill reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include "bwimage/bw_reference.h"
#include "support/test_dib.h"
#include "restore/candidate.h"
#include "restore/text_erase.h"
#include "rkcorr/rkcorr.h"

namespace {

using Rect = std::tuple<unsigned, unsigned, unsigned, unsigned>;  // left, top, right, bottom

// A page canvas, page line y in stored row y, that becomes a mask.
struct PageInk {
    unsigned width, height;
    rktest::TestDib source;
    ImgMask mask;
    PageInk(unsigned w, unsigned h) : width(w), height(h), source(w, h, true) {}
    void fill(unsigned x0, unsigned y0, unsigned x1, unsigned y1) { source.fillRect(x0, y0, x1, y1); }
    ImgMask* build() {
        EXPECT_EQ(mask.CreateMask(source.header(), source.bits.data(), source.stride), 0);
        return &mask;
    }
};

std::vector<Rect> rects_of(const std::vector<IMGRect>& v) {
    std::vector<Rect> out;
    for (const IMGRect& r : v) {
        EXPECT_FALSE(r.IsBorder());
        out.emplace_back(r.GetLeft(), r.GetTop(), r.GetRight(), r.GetBottom());
    }
    return out;
}

// Components come in the labeling table's order; no mask image, nothing to label.
TEST(Labeling, OrderFollowsTheComponentTable) {
    ImgMask empty;
    EXPECT_TRUE(labeling(&empty) == nullptr && labeling(nullptr) == nullptr);
    PageInk p(80, 60);
    p.fill(10, 56, 11, 57);  // a single mask pixel in image row 1: opens the first frame
    p.fill(50, 50, 59, 55);  // image rows 2 to 4: the second frame
    p.fill(10, 40, 19, 45);  // rows 7 to 9: takes the slot the dot left
    p.fill(60, 40, 69, 41);  // row 9, right of the one before
    p.fill(30, 10, 35, 30);  // rows 14 to 24
    std::unique_ptr<std::vector<IMGRect>> v(labeling(p.build()));
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(rects_of(*v), (std::vector<Rect>{Rect{10, 41, 18, 45}, Rect{50, 51, 58, 55},
                                               Rect{60, 41, 68, 41}, Rect{30, 11, 34, 31}}));
}

// Random pages: characters' ink erased, the rest kept, labels equal flood fill.
TEST(EraseText, RandomPagesAgainstFloodFill) {
    std::mt19937 rng(42);
    for (int i = 0; i < 60; ++i) {
        const unsigned w = 40 + rng() % 200, h = 2 * (20 + rng() % 80);
        PageInk p(w, h);
        for (int k = 0, n = rng() % 30; k < n; ++k) {
            const unsigned x = rng() % w, y = rng() % h;
            p.fill(x, y, std::min(w - 1, x + unsigned(rng() % 12)),
                   std::min(h - 1, y + unsigned(rng() % 12)));
        }
        OCRDocument doc;
        // Both regions cover the whole page: only their characters may go.
        auto* box = new OCRBox(0, 0, w, h);
        OCRRect page(0, 0, w, h);
        auto* table = new OCRTable(1, 1, page);
        std::vector<OCRRect> chars;
        for (int k = 0, n = rng() % 12; k < n; ++k) {
            const unsigned cw = 1 + rng() % 15, ch = 1 + rng() % 15;
            const unsigned x = rng() % (w - cw), y = rng() % (h - ch);
            p.fill(x, y, x + cw - 1, y + ch - 1);
            chars.emplace_back(x, y, cw, ch);
            OCRLine line;
            OCRChar c(u'A', 0, 0, chars.back());
            line.Add(c);
            if (k % 2) {
                box->Add(line);
            } else {
                OCRCell cell;
                cell.Add(line);
                table->Add(cell);
            }
        }
        doc.Add(box);
        doc.Add((OCRRegion*)new OCRImage());  // a picture region: passed over
        doc.Add(table);
        ImgMask* mask = p.build();
        erase_text_region(mask, &doc);
        CRkBWImage* image = mask->GetCRkBWImage();
        for (const OCRRect& c : chars)
            for (unsigned y = c.GetPosY(); y < c.GetPosY() + c.GetHeight(); ++y)
                for (unsigned x = c.GetPosX(); x < c.GetPosX() + c.GetWidth(); ++x)
                    ASSERT_FALSE(image->IsBlack(static_cast<WORD>(x / 2), static_cast<WORD>((h - 1 - y) / 2)))
                        << "character pixel " << x << "," << y;

        // Ink farther from every character than the erased margin stays.
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < w; ++x) {
                bool far = p.source.get(x, y);
                for (const OCRRect& c : chars)
                    far = far && (x + 4 < c.GetPosX() || x > c.GetPosX() + c.GetWidth() + 5 ||
                                  y + 3 < c.GetPosY() || y > c.GetPosY() + c.GetHeight() + 6);
                if (far) {
                    ASSERT_TRUE(image->IsBlack(static_cast<WORD>(x / 2), static_cast<WORD>((h - 1 - y) / 2)))
                        << "ink pixel " << x << "," << y;
                }
            }
        // The flood-fill components of more than one pixel, in page coordinates.
        const int mw = image->GetWidth(), mh = image->GetHeight();
        const bwref::Components ref = bwref::Flood(
            mw, mh, [&](int x, int y) { return image->IsBlack(WORD(x), WORD(y)) != 0; }, 0, 0, mw - 1, mh - 1,
            true);
        std::vector<Rect> want;
        for (size_t k = 0; k < ref.boxes.size(); ++k) {
            const auto [l, t, rr, b] = ref.boxes[k];
            if (ref.sizes[k] > 1) want.emplace_back(2 * l, h - 2 * b - 1, 2 * rr, h - 2 * t - 1);
        }
        std::unique_ptr<std::vector<IMGRect>> v(labeling(mask));
        ASSERT_NE(v, nullptr);
        std::vector<Rect> got = rects_of(*v);
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        ASSERT_EQ(got, want) << "page " << i;
    }
}

}  // namespace
