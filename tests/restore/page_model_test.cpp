// The page model through the exported classes.
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
    OCRRect r(1, 2, 3, 4);
    OCRRect copy(r);
    EXPECT_EQ(copy.GetPosX(), 1u);
    EXPECT_EQ(copy.GetPosY(), 2u);
    EXPECT_EQ(copy.GetWidth(), 3u);
    EXPECT_EQ(copy.GetHeight(), 4u);
    EXPECT_EQ(OCRRect().GetWidth(), 0u);

    OCRReject flag;
    EXPECT_EQ(flag.IsRejected(), 0);
    EXPECT_EQ(flag.Reject(), 1);
    EXPECT_EQ(flag.IsRejected(), 1);
    EXPECT_EQ(flag.Accept(), 0);

    OCRChar c(u'\x3042', 55, 9, r);
    EXPECT_EQ(c.GetChar(), u'\x3042');
    EXPECT_EQ(c.GetDistance(), 55u);
    EXPECT_EQ(c.GetInfo(), 9u);
    EXPECT_EQ(c.GetPosY(), 2u);
    EXPECT_EQ(c.IsRejected(), 0);
    c.init();
    EXPECT_EQ(c.GetChar(), 0);
    EXPECT_EQ(c.GetDistance(), 0u);
    EXPECT_EQ(c.GetInfo(), 9u);  // init leaves the info and the rectangle
    EXPECT_EQ(c.GetWidth(), 3u);
    EXPECT_EQ(OCRChar().GetChar(), 0);

    OCRBox box(5, 6, 7, 8);
    EXPECT_EQ(box.GetPosY(), 6u);
    EXPECT_EQ(box.GetHeight(), 8u);
    EXPECT_EQ(box.GetType(), 0u);
    EXPECT_EQ(static_cast<OCRRegion&>(box).GetType(), 0u);
    OCRRect tr(0, 0, 1, 1);
    OCRTable table(2, 3, tr);
    EXPECT_EQ(static_cast<OCRRegion&>(table).GetType(), 1u);
    EXPECT_EQ(table.GetSizeX(), 2u);
    EXPECT_EQ(table.GetSizeY(), 3u);
    OCRImage image;
    EXPECT_EQ(image.GetType(), 2u);
    EXPECT_EQ(image.GetWidth(), 0u);
    static_assert(!std::is_polymorphic<OCRRect>::value, "plain value class");
    static_assert(!std::is_polymorphic<OCRChar>::value, "plain value class");
}

TEST(PageModel, ContainersCopyAndCheckRanges) {
    OCRLine line;
    OCRChar a = make_char(u'A', 0);
    line.Add(a);
    a.init();  // the line holds its own copy
    EXPECT_EQ(line.GetSize(), 1u);
    EXPECT_EQ(line.At(0).GetChar(), u'A');
    EXPECT_THROW(line.At(1), std::out_of_range);

    OCRBox box;
    box.Add(line);
    OCRLine copy(line);
    OCRChar b = make_char(u'B', 20);
    copy.Add(b);
    box.Add(copy);
    EXPECT_EQ(box.GetSize(), 2u);
    EXPECT_EQ(box.At(0).GetSize(), 1u);
    EXPECT_EQ(box.At(1).GetSize(), 2u);
    EXPECT_EQ(box.At(1).At(1).GetChar(), u'B');
    EXPECT_THROW(box.At(2), std::out_of_range);

    OCRRect cr(40, 50, 60, 70);
    OCRCell cell(1, 2, 3, 4, cr);
    EXPECT_EQ(cell.GetIndexX(), 1u);
    EXPECT_EQ(cell.GetIndexY(), 2u);
    EXPECT_EQ(cell.GetMergeX(), 3u);
    EXPECT_EQ(cell.GetMergeY(), 4u);
    EXPECT_EQ(cell.GetPosX(), 40u);
    EXPECT_EQ(OCRCell(cr).GetMergeY(), 0u);
    cell.Add(copy);
    OCRCell cellCopy(cell);
    EXPECT_EQ(cellCopy.At(0).At(1).GetChar(), u'B');
    EXPECT_THROW(cell.At(1), std::out_of_range);

    OCRTable table(cr);
    EXPECT_EQ(table.GetSizeX(), 0u);
    table.Add(cell);
    EXPECT_EQ(table.GetSize(), 1u);
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
    EXPECT_EQ(table.GetWidth(), 100u);   // 190 - 90
    EXPECT_EQ(table.GetHeight(), 80u);   // 175 - 95

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
    EXPECT_EQ(doc.GetSize(), 0u);
    EXPECT_EQ(doc.GetPageRect().GetHeight(), 3508u);
    OCRBox* box = new OCRBox(1, 2, 3, 4);
    OCRLine line;
    OCRChar c = make_char(u'x', 5);
    line.Add(c);
    box->Add(line);
    doc.Add(box);
    OCRRect tr(5, 5, 5, 5);
    doc.Add(new OCRTable(tr));
    EXPECT_EQ(doc.GetSize(), 2u);
    EXPECT_EQ(doc.At(0), box);
    EXPECT_EQ(doc.At(1)->GetType(), 1u);
    EXPECT_THROW(doc.At(2), std::out_of_range);
    doc.release();  // slots stay, pointers go (ASan checks the deletes)
    EXPECT_EQ(doc.GetSize(), 2u);
    EXPECT_EQ(doc.At(0), nullptr);
    EXPECT_EQ(doc.At(1), nullptr);
    doc.release();
    EXPECT_EQ(OCRDocument().GetPageRect().GetWidth(), 0u);
}

}  // namespace
