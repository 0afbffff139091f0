// The page model through the exported classes: what init keeps, copies in
// the containers, range checks, table extents, region types and ownership.
#include <gtest/gtest.h>

#include <stdexcept>

#include "rkcorr/ocrresult.h"

namespace {

TEST(PageModel, ContainersCopyAndCheckRanges) {
    OCRRect r(1, 2, 3, 4);
    OCRChar a(u'A', 55, 9, r);
    OCRLine line;
    line.Add(a);
    a.init();  // clears code and distance, keeps the info and the rectangle; the line holds a copy
    EXPECT_EQ(a.GetChar() + a.GetDistance(), 0u);
    EXPECT_EQ(a.GetInfo() * 100 + a.GetWidth(), 903u);
    EXPECT_EQ(line.At(0).GetChar(), u'A');
    EXPECT_THROW(line.At(1), std::out_of_range);
    OCRBox box;
    box.Add(line);
    OCRLine copy(line);
    OCRChar b(u'B', 0, 0, r);
    copy.Add(b);
    box.Add(copy);
    EXPECT_EQ(box.At(0).GetSize(), 1u);
    EXPECT_EQ(box.At(1).At(1).GetChar(), u'B');
    EXPECT_THROW(box.At(2), std::out_of_range);
    OCRRect cr(40, 50, 60, 70);
    OCRCell cell(1, 2, 3, 4, cr);
    cell.Add(copy);
    EXPECT_EQ(OCRCell(cell).At(0).At(1).GetChar(), u'B');
    EXPECT_THROW(cell.At(1), std::out_of_range);
    OCRTable table(cr);
    table.Add(cell);
    EXPECT_EQ(table.At(0).GetIndexY(), 2u);
    EXPECT_THROW(table.At(1), std::out_of_range);
    OCRImage image;
    EXPECT_EQ(static_cast<OCRRegion&>(box).GetType() * 100 + static_cast<OCRRegion&>(table).GetType() * 10 +
                  image.GetType(),
              12u);
}

TEST(PageModel, CalcSizeCoversTableAndCells) {
    OCRRect own(100, 100, 50, 50), c1(90, 95, 40, 80), c2(130, 98, 60, 10), big(0, 0, 1000, 1000);
    OCRTable empty(own), table(3, 1, own), outer(big);
    empty.CalcSize();  // no cells: unchanged
    EXPECT_EQ(empty.GetPosX() * 1000 + empty.GetWidth(), 100050u);
    // Own rectangle inside the cells: exactly the cells' bounding box.
    OCRCell a(c1), b(c2);
    table.Add(a);
    table.Add(b);
    table.CalcSize();
    EXPECT_EQ(std::vector<unsigned>({table.GetPosX(), table.GetPosY(), table.GetWidth(), table.GetHeight()}),
              std::vector<unsigned>({90, 95, 100, 80}));
    // The own rectangle still counts when the cells lie inside it.
    outer.Add(a);
    outer.CalcSize();
    EXPECT_EQ(outer.GetWidth() + outer.GetHeight(), 2000u);
}

TEST(PageModel, DocumentOwnsAndReleasesRegions) {
    OCRRect page(0, 0, 2480, 3508), tr(5, 5, 5, 5);
    OCRDocument doc(page);
    OCRBox* box = new OCRBox(1, 2, 3, 4);
    doc.Add(box);
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
