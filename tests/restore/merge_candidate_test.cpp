// IMGRect's border flag, the compare ordering (wrapped key, stability), and
// the character and box rectangles built from the page model.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <memory>
#include <random>
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
        std::stable_sort(expected.begin(), expected.end(), [&](IMGRect* a, IMGRect* b) { return key(a) < key(b); });
        l.sort(compare());
        EXPECT_EQ(std::vector<IMGRect*>(l.begin(), l.end()), expected);
    }
    IMGRect* null = nullptr;  // null is never less, nor greater
    EXPECT_FALSE(less(null, &v0) || less(&v0, null) || less(null, null));
}

OCRLine line_of(std::initializer_list<OCRRect> rects) {
    OCRLine line;
    for (OCRRect r : rects) {
        OCRChar ch(u'x', 0, 0, r);
        line.Add(ch);
    }
    return line;
}

TEST(CharRects, WalkOrderSkipsEmptyCharactersAndPictures) {
    Page page(200, 200);
    OCRDocument doc;
    auto* box1 = new OCRBox(90, 190, 100, 100);
    OCRLine l1 = line_of({OCRRect(100, 200, 20, 30), OCRRect(130, 200, 0, 30), OCRRect(150, 200, 20, 0)});
    OCRLine l2 = line_of({OCRRect(1, 2, 3, 4)});
    box1->Add(l1);
    box1->Add(l2);
    doc.Add(box1);
    doc.Add((OCRRegion*)new OCRImage());  // a private base: reached by a C cast
    OCRRect tableRect(500, 500, 300, 100);
    auto* table = new OCRTable(2, 1, tableRect);
    OCRRect cellRect(500, 500, 150, 100);
    OCRCell cell1(cellRect), cell2(cellRect);
    OCRLine l3 = line_of({OCRRect(510, 510, 5, 6)});
    OCRLine l4 = line_of({OCRRect(660, 510, 7, 8), OCRRect(65530, 65535, 10, 1)});
    cell1.Add(l3);
    cell2.Add(l4);
    table->Add(cell1);
    table->Add(cell2);
    doc.Add(table);
    auto* box2 = new OCRBox();  // no lines
    doc.Add(box2);
    OCRLine l5 = line_of({OCRRect(7, 8, 1, 1)});
    auto* box3 = new OCRBox(0, 0, 10, 10);
    box3->Add(l5);
    doc.Add(box3);

    std::unique_ptr<std::vector<IMGRect>> chars(create_char_rect(&page.mask, &doc));
    ASSERT_TRUE(chars);
    ASSERT_EQ(chars->size(), 6u);
    const std::vector<IMGRect>& c = *chars;
    EXPECT_TRUE(same_rect(c[0], 100, 200, 120, 230));
    EXPECT_TRUE(same_rect(c[1], 1, 2, 4, 6));
    EXPECT_TRUE(same_rect(c[2], 510, 510, 515, 516));
    EXPECT_TRUE(same_rect(c[3], 660, 510, 667, 518));
    EXPECT_TRUE(same_rect(c[4], 65530, 65535, 4, 0));  // wraps to 16 bits
    EXPECT_TRUE(same_rect(c[5], 7, 8, 8, 9));
    for (const IMGRect& r : c) EXPECT_FALSE(r.IsBorder());

    std::unique_ptr<std::vector<IMGRect>> boxes(create_box_rect(&page.mask, &doc));
    ASSERT_TRUE(boxes);
    ASSERT_EQ(boxes->size(), 4u);
    EXPECT_TRUE(same_rect((*boxes)[0], 90, 190, 190, 290));
    EXPECT_TRUE(same_rect((*boxes)[1], 500, 500, 800, 600));
    EXPECT_TRUE(same_rect((*boxes)[2], 0, 0, 0, 0));
    EXPECT_TRUE(same_rect((*boxes)[3], 0, 0, 10, 10));
}

TEST(CharRects, NullArgumentsAndPicturesOnly) {
    Page page(100, 100);
    OCRDocument doc;
    EXPECT_EQ(create_char_rect(nullptr, &doc), nullptr);
    EXPECT_EQ(create_char_rect(&page.mask, nullptr), nullptr);
    EXPECT_EQ(create_box_rect(nullptr, &doc), nullptr);
    EXPECT_EQ(create_box_rect(&page.mask, nullptr), nullptr);
    doc.Add((OCRRegion*)new OCRImage());  // a private base: reached by a C cast
    std::unique_ptr<std::vector<IMGRect>> chars(create_char_rect(&page.mask, &doc));
    std::unique_ptr<std::vector<IMGRect>> boxes(create_box_rect(&page.mask, &doc));
    ASSERT_TRUE(chars && boxes);
    EXPECT_TRUE(chars->empty());
    EXPECT_TRUE(boxes->empty());
    // Released slots hold null and contribute nothing.
    doc.Add(new OCRBox(1, 1, 1, 1));
    doc.release();
    boxes.reset(create_box_rect(&page.mask, &doc));
    ASSERT_TRUE(boxes);
    EXPECT_TRUE(boxes->empty());
}

}  // namespace
