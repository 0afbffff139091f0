// IMGRect's border flag, the compare ordering (wrapped key, stability), and
// the character and box rectangles built from the page model.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <memory>
#include <random>
#include <tuple>
#include <vector>

#include "merge_test_support.h"
#include "restore/candidate.h"
#include "restore/char_rects.h"
#include "rkcorr/imgmask.h"
#include "rkcorr/ocrresult.h"

namespace {

using mt::Page;
using mt::same_rect;

TEST(IMGRect, BorderFlagFollowsCopiesNotTheBase) {
    IMGRect r(5, 7, 9, 11);
    EXPECT_EQ(r.GetSize(), 25u);
    EXPECT_FALSE(r.IsBorder());
    r.SetBorder(true);
    IMGRect copy(r), assigned(0, 0, 0, 0), fromBase(r.GetRkImgRect());
    assigned = r;
    EXPECT_TRUE(copy.IsBorder());
    EXPECT_TRUE(assigned.IsBorder() && same_rect(assigned, 5, 7, 9, 11));
    EXPECT_FALSE(fromBase.IsBorder());
    copy.init();  // clears the flag, keeps the rectangle
    EXPECT_FALSE(copy.IsBorder());
    EXPECT_TRUE(same_rect(copy, 5, 7, 9, 11));
    assigned = fromBase;
    EXPECT_FALSE(assigned.IsBorder());
    // The base's operations through the derived object, virtual slots included.
    TRkImgRect<unsigned short>& base = r;
    EXPECT_TRUE(base.MergeRect(TRkImgRect<unsigned short>(0, 7, 9, 11)));
    EXPECT_TRUE(same_rect(r, 0, 7, 9, 11));
    EXPECT_TRUE(r.IsBorder());
}

// list::sort with compare is a stable sort on the wrapped key, on small
// coordinates (many equal keys) and large ones (wrapping keys).
TEST(Compare, ListSortIsStableOnTheWrappedKey) {
    std::mt19937 rng(12);
    compare less;
    IMGRect v0(1, 1, 2, 2);
    for (int round = 0; round < 50; ++round) {
        const unsigned m = round % 2 ? 6 : 65536;
        std::vector<IMGRect> v;
        for (int i = 0; i < 200; ++i)
            v.push_back(IMGRect((unsigned short)(rng() % m), (unsigned short)(rng() % m), 9, 9));
        std::list<IMGRect*> l;
        for (auto& r : v) {
            EXPECT_FALSE(less(&r, &r));
            l.push_back(&r);
        }
        std::vector<IMGRect*> expected(l.begin(), l.end());
        auto key = [](const IMGRect* r) {
            return uint32_t(r->GetTop()) * r->GetTop() + uint32_t(r->GetLeft()) * r->GetLeft();
        };
        std::stable_sort(expected.begin(), expected.end(),
                         [&](IMGRect* a, IMGRect* b) { return key(a) < key(b); });
        l.sort(compare());
        EXPECT_EQ(std::vector<IMGRect*>(l.begin(), l.end()), expected);
    }
    IMGRect* null = nullptr;  // null is never less, nor greater
    EXPECT_FALSE(less(null, &v0) || less(&v0, null) || less(null, null));
}

// Random documents of boxes, tables and pictures: the character rectangles
// (16-bit, of characters with width and height) in walk order, and the box
// rectangles of the boxes and tables.
TEST(CharRects, RandomDocumentsInWalkOrder) {
    std::mt19937 rng(4);
    Page page(200, 200);
    for (int round = 0; round < 200; ++round) {
        OCRDocument doc;
        std::vector<std::tuple<unsigned, unsigned, unsigned, unsigned>> chars, boxes;
        auto line = [&](unsigned n) {
            OCRLine l;
            for (; n > 0; --n) {
                const unsigned x = rng() % 70000, y = rng() % 70000, w = rng() % 5 ? rng() % 40 : 0,
                               h = rng() % 5 ? rng() % 40 : 0;
                OCRRect r(x, y, w, h);
                OCRChar c(u'x', 0, 0, r);
                l.Add(c);
                if (w && h) chars.emplace_back(x & 0xFFFF, y & 0xFFFF, (x + w) & 0xFFFF, (y + h) & 0xFFFF);
            }
            return l;
        };
        for (unsigned k = rng() % 6; k > 0; --k) {
            const unsigned kind = rng() % 3, x = rng() % 1000, y = rng() % 1000, w = rng() % 300,
                           h = rng() % 300;
            if (kind == 2) {
                doc.Add((OCRRegion*)new OCRImage());  // a private base: reached by a C cast
                continue;
            }
            boxes.emplace_back(x, y, x + w, y + h);
            if (kind == 0) {
                auto* box = new OCRBox(x, y, w, h);
                for (unsigned n = rng() % 4; n > 0; --n) {
                    OCRLine l = line(rng() % 5);
                    box->Add(l);
                }
                doc.Add(box);
            } else {
                OCRRect tr(x, y, w, h);
                auto* table = new OCRTable(2, 1, tr);
                for (unsigned n = rng() % 4; n > 0; --n) {
                    OCRCell cell(tr);
                    for (unsigned m = rng() % 3; m > 0; --m) {
                        OCRLine l = line(rng() % 5);
                        cell.Add(l);
                    }
                    table->Add(cell);
                }
                doc.Add(table);
            }
        }
        if (round % 20 == 19) doc.release(), chars.clear(), boxes.clear();  // released slots hold null
        std::unique_ptr<std::vector<IMGRect>> c(create_char_rect(&page.mask, &doc)),
            b(create_box_rect(&page.mask, &doc));
        ASSERT_TRUE(c && b);
        ASSERT_EQ(c->size(), chars.size());
        ASSERT_EQ(b->size(), boxes.size());
        for (size_t i = 0; i < chars.size(); ++i) {
            const auto [l, t, r, bo] = chars[i];
            ASSERT_TRUE(same_rect((*c)[i], l, t, r, bo) && !(*c)[i].IsBorder()) << round << " " << i;
        }
        for (size_t i = 0; i < boxes.size(); ++i) {
            const auto [l, t, r, bo] = boxes[i];
            ASSERT_TRUE(same_rect((*b)[i], l, t, r, bo)) << round << " " << i;
        }
    }
    OCRDocument doc;
    EXPECT_EQ(create_char_rect(nullptr, &doc), nullptr);
    EXPECT_EQ(create_char_rect(&page.mask, nullptr), nullptr);
    EXPECT_EQ(create_box_rect(nullptr, &doc), nullptr);
    EXPECT_EQ(create_box_rect(&page.mask, nullptr), nullptr);
}

}  // namespace
