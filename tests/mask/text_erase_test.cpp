// Text erasure and labeling on pages, checked against a flood-fill reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include "bwimage/bw_reference.h"
#include "restore/candidate.h"
#include "restore/text_erase.h"
#include "rkcorr/rkcorr.h"
#include "support/test_dib.h"

namespace {

using Rect = std::tuple<unsigned, unsigned, unsigned, unsigned>;  // left, top, right, bottom

// The labels of a mask's components, in page coordinates.
std::vector<Rect> Labels(ImgMask* mask) {
    std::unique_ptr<std::vector<IMGRect>> v(labeling(mask));
    std::vector<Rect> out;
    for (const IMGRect& r : v ? *v : std::vector<IMGRect>()) {
        EXPECT_FALSE(r.IsBorder());
        out.emplace_back(r.GetLeft(), r.GetTop(), r.GetRight(), r.GetBottom());
    }
    EXPECT_TRUE(v || !mask || !mask->GetCRkBWImage());
    return out;
}

// Components come in the labeling table's order; no mask image, nothing to label.
TEST(Labeling, OrderFollowsTheComponentTable) {
    ImgMask empty, mask;
    EXPECT_TRUE(labeling(&empty) == nullptr && labeling(nullptr) == nullptr);
    rktest::TestDib page(80, 60, true);  // page line y in stored row y
    page.fillRect(10, 56, 11, 57);       // a single mask pixel in image row 1: opens the first frame
    page.fillRect(50, 50, 59, 55);       // image rows 2 to 4: the second frame
    page.fillRect(10, 40, 19, 45);       // rows 7 to 9: takes the slot the dot left
    page.fillRect(60, 40, 69, 41);       // row 9, right of the one before
    page.fillRect(30, 10, 35, 30);       // rows 14 to 24
    ASSERT_EQ(mask.CreateMask(page.header(), page.bits.data(), page.stride), 0);
    EXPECT_EQ(Labels(&mask), (std::vector<Rect>{Rect{10, 41, 18, 45}, Rect{50, 51, 58, 55},
                                                Rect{60, 41, 68, 41}, Rect{30, 11, 34, 31}}));
}

// Random pages: characters' ink erased, ink far from them kept, labels equal flood fill.
TEST(EraseText, RandomPagesAgainstFloodFill) {
    std::mt19937 rng(42);
    for (int i = 0; i < 60; ++i) {
        const unsigned w = 40 + rng() % 200, h = 2 * (20 + rng() % 80);
        rktest::TestDib page(w, h, true);
        for (int k = 0, n = rng() % 30; k < n; ++k) {
            const unsigned x = rng() % w, y = rng() % h;
            page.fillRect(x, y, x + rng() % 12, y + rng() % 12);
        }
        OCRDocument doc;
        auto* box = new OCRBox(0, 0, w, h);  // both regions cover the page: only their characters may go
        OCRRect whole(0, 0, w, h);
        auto* table = new OCRTable(1, 1, whole);
        std::vector<OCRRect> chars;
        for (int k = 0, n = rng() % 12; k < n; ++k) {
            const unsigned cw = 1 + rng() % 15, ch = 1 + rng() % 15, x = rng() % (w - cw),
                           y = rng() % (h - ch);
            page.fillRect(x, y, x + cw - 1, y + ch - 1);
            chars.emplace_back(x, y, cw, ch);
            OCRLine line;
            OCRChar c(u'A', 0, 0, chars.back());
            line.Add(c);
            OCRCell cell;
            cell.Add(line);
            k % 2 ? box->Add(line) : table->Add(cell);
        }
        doc.Add(box);
        doc.Add((OCRRegion*)new OCRImage());  // a picture region: passed over
        doc.Add(table);
        ImgMask mask;
        ASSERT_EQ(mask.CreateMask(page.header(), page.bits.data(), page.stride), 0);
        erase_text_region(&mask, &doc);
        CRkBWImage* image = mask.GetCRkBWImage();
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < w; ++x) {
                bool inside = false, far = page.get(x, y);
                for (const OCRRect& c : chars) {
                    const unsigned l = c.GetPosX(), t = c.GetPosY(), r = l + c.GetWidth(),
                                   b = t + c.GetHeight();
                    inside = inside || (x >= l && x < r && y >= t && y < b);
                    far = far && (x + 4 < l || x > r + 5 || y + 3 < t || y > b + 6);
                }
                ASSERT_TRUE(!(inside || far) ||
                            (image->IsBlack(WORD(x / 2), WORD((h - 1 - y) / 2)) != 0) == far)
                    << x << "," << y;
            }
        // The flood-fill components of more than one pixel, in page coordinates.
        const int mw = image->GetWidth(), mh = image->GetHeight();
        const bwref::Components ref = bwref::Flood(
            mw, mh, [&](int x, int y) { return image->IsBlack(WORD(x), WORD(y)) != 0; }, 0, 0, mw - 1, mh - 1,
            true);
        std::vector<Rect> want, got = Labels(&mask);
        for (size_t k = 0; k < ref.boxes.size(); ++k) {
            const auto [l, t, rr, b] = ref.boxes[k];
            if (ref.sizes[k] > 1) want.emplace_back(2 * l, h - 2 * b - 1, 2 * rr, h - 2 * t - 1);
        }
        std::sort(got.begin(), got.end()), std::sort(want.begin(), want.end());
        ASSERT_EQ(got, want) << "page " << i;
    }
}

}  // namespace
