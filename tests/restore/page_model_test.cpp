// The page model through the exported classes: what init keeps, copies in
// the containers, range checks, table extents, region types and ownership.
#include <gtest/gtest.h>

#include <stdexcept>
#include <type_traits>

#include "rkcorr/ocrresult.h"

namespace {

OCRChar make_char(char16_t code, unsigned x) {
    OCRRect r(x, 10, 8, 12);
    return OCRChar(code, 7, 3, r);
}

TEST(PageModel, ValueClassesAndFlags) {
    static_assert(!std::is_polymorphic<OCRRect>::value, "plain value class");
    static_assert(!std::is_polymorphic<OCRChar>::value, "plain value class");
    OCRReject flag;
    EXPECT_EQ(flag.Reject(), 1);
    EXPECT_EQ(flag.IsRejected(), 1);
    EXPECT_EQ(flag.Accept(), 0);
    OCRRect r(1, 2, 3, 4);
    OCRChar c(u'\x3042', 55, 9, r);
    c.init();  // clears code and distance, keeps the info and the rectangle
    EXPECT_EQ(c.GetChar(), 0);
    EXPECT_EQ(c.GetDistance(), 0u);
    EXPECT_EQ(c.GetInfo(), 9u);
    EXPECT_EQ(c.GetWidth(), 3u);
    // Region types through the base.
    OCRBox box(5, 6, 7, 8);
    OCRRect tr(0, 0, 1, 1);
    OCRTable table(2, 3, tr);
    OCRImage image;
    EXPECT_EQ(static_cast<OCRRegion&>(box).GetType(), 0u);
    EXPECT_EQ(static_cast<OCRRegion&>(table).GetType(), 1u);
    EXPECT_EQ(image.GetType(), 2u);
}

TEST(PageModel, ContainersCopyAndCheckRanges) {
    OCRLine line;
    OCRChar a = make_char(u'A', 0);
    line.Add(a);
    a.init();  // the line holds its own copy
    EXPECT_EQ(line.At(0).GetChar(), u'A');
    EXPECT_THROW(line.At(1), std::out_of_range);
    OCRBox box;
    box.Add(line);
    OCRLine copy(line);
    OCRChar b = make_char(u'B', 20);
    copy.Add(b);
    box.Add(copy);
    EXPECT_EQ(box.At(0).GetSize(), 1u);
    EXPECT_EQ(box.At(1).At(1).GetChar(), u'B');
    EXPECT_THROW(box.At(2), std::out_of_range);
    OCRRect cr(40, 50, 60, 70);
    OCRCell cell(1, 2, 3, 4, cr);
    EXPECT_EQ(OCRCell(cr).GetMergeY(), 0u);
    cell.Add(copy);
    EXPECT_EQ(OCRCell(cell).At(0).At(1).GetChar(), u'B');
    EXPECT_THROW(cell.At(1), std::out_of_range);
    OCRTable table(cr);
    table.Add(cell);
    EXPECT_EQ(table.At(0).GetIndexY(), 2u);
    EXPECT_THROW(table.At(1), std::out_of_range);
}

TEST(PageModel, CalcSizeCoversTableAndCells) {
    OCRRect own(100, 100, 50, 50);
    OCRTable empty(own);
    empty.CalcSize();  // no cells: unchanged
    EXPECT_EQ(empty.GetPosX(), 100u);
    EXPECT_EQ(empty.GetWidth(), 50u);
    // Own rectangle inside the cells: exactly the cells' bounding box.
    OCRTable table(3, 1, own);
    OCRRect c1(90, 95, 40, 80), c2(130, 98, 60, 10);
    OCRCell a(c1), b(c2);
    table.Add(a);
    table.Add(b);
    table.CalcSize();
    EXPECT_EQ(table.GetPosX(), 90u);
    EXPECT_EQ(table.GetPosY(), 95u);
    EXPECT_EQ(table.GetWidth(), 100u);  // 190 - 90
    EXPECT_EQ(table.GetHeight(), 80u);  // 175 - 95
    // The own rectangle still counts when the cells lie inside it.
    OCRRect big(0, 0, 1000, 1000);
    OCRTable outer(big);
    outer.Add(a);
    outer.CalcSize();
    EXPECT_EQ(outer.GetWidth(), 1000u);
    EXPECT_EQ(outer.GetHeight(), 1000u);
}

TEST(PageModel, DocumentOwnsAndReleasesRegions) {
    OCRRect page(0, 0, 2480, 3508);
    OCRDocument doc(page);
    OCRBox* box = new OCRBox(1, 2, 3, 4);
    doc.Add(box);
    OCRRect tr(5, 5, 5, 5);
    doc.Add(new OCRTable(tr));
    EXPECT_EQ(doc.At(0), box);
    EXPECT_THROW(doc.At(2), std::out_of_range);
    doc.release();  // slots stay, pointers go (ASan checks the deletes)
    EXPECT_EQ(doc.GetSize(), 2u);
    EXPECT_EQ(doc.At(0), nullptr);
    EXPECT_EQ(doc.At(1), nullptr);
    doc.release();
}

}  // namespace
