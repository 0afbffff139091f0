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

// Characters of boxes and tables erased, one EraseRect each; labels are the flood-fill components.
TEST(EraseText, RandomPagesAgainstFloodFill) {
    ImgMask empty;
    EXPECT_TRUE(labeling(&empty) == nullptr && labeling(nullptr) == nullptr);
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
        ImgMask mask, erased;
        ASSERT_EQ(mask.CreateMask(page.header(), page.bits.data(), page.stride), 0);
        ASSERT_EQ(erased.CreateMask(page.header(), page.bits.data(), page.stride), 0);
        erase_text_region(&mask, &doc);
        for (const OCRRect& c : chars)
            erased.EraseRect(c.GetPosX(), c.GetPosY(), c.GetWidth(), c.GetHeight());
        CRkBWImage *image = mask.GetCRkBWImage(), *want = erased.GetCRkBWImage();
        rktest::TestDib masked(image->GetWidth(), image->GetHeight(), true);  // the mask, for the reference
        for (WORD y = 0; y < masked.h; ++y)
            for (WORD x = 0; x < masked.w; ++x) {
                ASSERT_EQ(image->IsBlack(x, y), want->IsBlack(x, y))
                    << "page " << i << " at " << x << "," << y;
                masked.set(x, y, image->IsBlack(x, y));
            }
        const bwref::Components ref =
            bwref::Flood(masked, bwref::Rect(0, 0, WORD(masked.w - 1), WORD(masked.h - 1)), true);
        std::unique_ptr<std::vector<IMGRect>> labels(labeling(&mask));
        std::vector<Rect> got, components;
        for (const IMGRect& r : *labels)
            got.emplace_back(r.GetLeft(), r.GetTop(), r.GetRight(), r.GetBottom());
        for (size_t k = 0; k < ref.boxes.size(); ++k) {
            const auto [l, t, rr, b] = ref.boxes[k];
            if (ref.sizes[k] > 1) components.emplace_back(2 * l, h - 2 * b - 1, 2 * rr, h - 2 * t - 1);
        }
        std::sort(got.begin(), got.end()), std::sort(components.begin(), components.end());
        ASSERT_EQ(got, components) << "page " << i;
    }
}

}  // namespace
