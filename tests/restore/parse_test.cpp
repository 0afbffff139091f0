// Result parsing and write-back: record chains of random built pages into the
// page model, against the chain rules written out plainly (characters,
// rectangles, cell and table fields, the head flags that decide a region's
// kind); the merge's character and box rectangles; the page model's own
// checks; commit_result's limit and order, and missing arguments.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <random>
#include <stdexcept>
#include <string>

#include "pageblock/page_builder.h"
#include "restore/char_rects.h"
#include "restore/commit.h"
#include "restore/parse.h"
#include "rkcorr/imgrect.h"
#include "rkcorr/imgmask.h"
#include "rkcorr/platform_memory.h"
#include "support/test_dib.h"

namespace {

using rkpage::Char;
using rkpage::Layout;
using rkpage::Line;
using rkpage::PageBlocks;
using rkpage::PageDesc;
using rkpage::Region;

// The page model as text: a region per line, "box" and its rectangle, or
// "table", its sizes, rectangle and each cell's indices; lines in brackets,
// each character as code, rectangle, distance and info.
std::string text_of(const OCRRect& r) {
    return " " + std::to_string(r.GetPosX()) + "," + std::to_string(r.GetPosY()) + "," +
           std::to_string(r.GetWidth()) + "," + std::to_string(r.GetHeight());
}
std::string text_of(const OCRLine& line) {
    std::string s = " [";
    for (unsigned i = 0; i < line.GetSize(); ++i) {
        const OCRChar& c = line.At(i);
        s += " " + std::to_string(c.GetChar()) + text_of(c) + "/" + std::to_string(c.GetDistance()) + "/" +
             std::to_string(c.GetInfo());
    }
    return s + " ]";
}
std::string text_of(const OCRDocument& doc) {
    std::string s = "page" + text_of(doc.GetPageRect()) + "\n";
    for (unsigned k = 0; k < doc.GetSize(); ++k) {
        if (doc.At(k)->GetType() == 0) {
            auto* box = static_cast<const OCRBox*>(doc.At(k));
            s += "box" + text_of(*box);
            for (unsigned i = 0; i < box->GetSize(); ++i) s += text_of(box->At(i));
        } else {
            auto* table = static_cast<const OCRTable*>(doc.At(k));
            s += "table " + std::to_string(table->GetSizeX()) + "x" + std::to_string(table->GetSizeY()) +
                 text_of(*table);
            for (unsigned c = 0; c < table->GetSize(); ++c) {
                const OCRCell& cell = table->At(c);
                s += " cell " + std::to_string(cell.GetIndexX()) + "," + std::to_string(cell.GetIndexY()) +
                     "," + std::to_string(cell.GetMergeX()) + "," + std::to_string(cell.GetMergeY());
                for (unsigned i = 0; i < cell.GetSize(); ++i) s += text_of(cell.At(i));
            }
        }
        s += "\n";
    }
    return s;
}

// The same text from the page's description, by the chain rules. A region
// is taken when its head flag and the text or table flag are set and it is
// not excluded. Text: the head's rectangle; a line ends at its first line
// feed (an empty chain is one line feed). Table: the cells' bounding box; a
// line feed or the chain's last record ends a cell (the last record not
// taken), a carriage return a line.
std::string expected_text(const PageDesc& desc) {
    auto rect = [](unsigned l, unsigned t, unsigned r, unsigned b) {
        return text_of(OCRRect(l, t, r - l, b - t));
    };
    auto chr = [&](const Char& c) {
        return " " + std::to_string(c.code) + rect(c.left, c.top, c.right, c.bottom) + "/" +
               std::to_string(c.dist) + "/" + std::to_string(c.info);
    };
    std::string s = "page" + rect(0, 0, desc.image.width(), desc.image.height()) + "\n";
    for (const Region& r : desc.regions) {
        if (!(r.flags & RKCORR_OCR_RESULT_HEAD) || (r.flags & RKCORR_OCR_RESULT_EXCLUDED) ||
            !(r.flags & (RKCORR_OCR_RESULT_TEXT | RKCORR_OCR_RESULT_TABLE)))
            continue;
        if (r.layout == Layout::Text) {
            s += "box" + rect(r.left, r.top, r.right, r.bottom);
            for (const Line& l : r.lines) {
                s += " [";
                for (size_t i = 0; i < l.chars.size() && l.chars[i].code != 10; ++i) s += chr(l.chars[i]);
                s += " ]";
            }
            s += r.lines.empty() ? " [ ]\n" : "\n";
            continue;
        }
        unsigned l = ~0u, t = ~0u, rt = 0, b = 0;
        std::string cells;
        for (const rkpage::Cell& c : r.cells) {
            l = std::min<unsigned>(l, c.left), t = std::min<unsigned>(t, c.top);
            rt = std::max<unsigned>(rt, c.right), b = std::max<unsigned>(b, c.bottom);
            cells += " cell " + std::to_string(c.indexX) + "," + std::to_string(c.indexY) + "," +
                     std::to_string(c.mergeX) + "," + std::to_string(c.mergeY) + " [";
            for (size_t i = 0; i + 1 < c.chars.size() && c.chars[i].code != 10; ++i)
                cells += c.chars[i].code == 13 ? std::string(" ] [") : chr(c.chars[i]);
            cells += " ]";
        }
        s += "table " + std::to_string(r.sizeX) + "x" + std::to_string(r.sizeY) + rect(l, t, rt, b) + cells +
             "\n";
    }
    return s;
}

// The character and box rectangles the merge starts from, against a plain
// walk of the model: the 16-bit corners of every character with a width and
// a height, and of every box and table, in walk order, without the border flag.
void expect_rects(OCRDocument& doc) {
    rktest::TestDib dib(16, 16);
    ImgMask mask;
    ASSERT_EQ(mask.CreateMask(dib.header(), dib.bits.data(), dib.stride), 0);
    auto corners = [](const OCRRect& r) {
        return " " + std::to_string(r.GetPosX() & 0xFFFF) + "," + std::to_string(r.GetPosY() & 0xFFFF) + "," +
               std::to_string((r.GetPosX() + r.GetWidth()) & 0xFFFF) + "," +
               std::to_string((r.GetPosY() + r.GetHeight()) & 0xFFFF);
    };
    std::string chars, boxes, gotChars, gotBoxes;
    auto walk = [&](const OCRLine& l) {
        for (unsigned i = 0; i < l.GetSize(); ++i)
            if (l.At(i).GetWidth() && l.At(i).GetHeight()) chars += corners(l.At(i));
    };
    for (unsigned k = 0; k < doc.GetSize(); ++k) {
        if (!doc.At(k) || doc.At(k)->GetType() > 1) continue;
        if (doc.At(k)->GetType() == 0) {
            auto* box = static_cast<const OCRBox*>(doc.At(k));
            boxes += corners(*box);
            for (unsigned i = 0; i < box->GetSize(); ++i) walk(box->At(i));
            continue;
        }
        auto* table = static_cast<const OCRTable*>(doc.At(k));
        boxes += corners(*table);
        for (unsigned c = 0; c < table->GetSize(); ++c)
            for (unsigned i = 0; i < table->At(c).GetSize(); ++i) walk(table->At(c).At(i));
    }
    std::unique_ptr<std::vector<IMGRect>> c(create_char_rect(&mask, &doc)), b(create_box_rect(&mask, &doc));
    ASSERT_TRUE(c && b);
    auto got = [](const std::vector<IMGRect>& v) {
        std::string s;
        for (const IMGRect& r : v)
            s += " " + std::to_string(r.GetLeft()) + "," + std::to_string(r.GetTop()) + "," +
                 std::to_string(r.GetRight()) + "," + std::to_string(r.GetBottom()) +
                 (r.IsBorder() ? "!" : "");
        return s;
    };
    EXPECT_EQ(got(*c), chars);
    EXPECT_EQ(got(*b), boxes);
    EXPECT_EQ(create_char_rect(nullptr, &doc), nullptr);
    EXPECT_EQ(create_char_rect(&mask, nullptr), nullptr);
    EXPECT_EQ(create_box_rect(nullptr, &doc), nullptr);
    EXPECT_EQ(create_box_rect(&mask, nullptr), nullptr);
}

// Random pages: text and table regions with random chains (line feeds,
// carriage returns, rectangles with right < left or bottom < top) and random
// flags. Excluded heads, heads of neither kind, and (after a region passed
// over only) records without the head flag are passed over; the table flag
// wins over the text flag. parse_region_head gives 0 for a region taken,
// -1 for one passed over. Every lock is released. The parsed models, with
// picture regions and released slots added, give the merge's rectangles.
TEST(Parse, RandomPagesMatchTheChainRules) {
    std::mt19937 rng(12345);
    auto pick = [&](unsigned n) { return unsigned(rng() % n); };
    auto chain = [&] {
        std::vector<Char> chars;
        for (unsigned i = pick(6); i > 0; --i) {
            const unsigned t = pick(8);
            const WORD x = WORD(pick(65536)), y = WORD(pick(1000));
            chars.push_back(Char{WORD(t == 0   ? 10
                                      : t == 1 ? 13
                                               : 'a' + pick(26)),
                                 x, y, WORD(x + pick(40) - 5), WORD(y + pick(40) - 5), WORD(pick(65536)),
                                 WORD(pick(65536)), WORD(pick(RKCORR_OCR_DETAIL_CANDIDATES))});
        }
        return chars;
    };
    for (int round = 0; round < 300; ++round) {
        PageDesc desc(rkpage::Canvas(32 + pick(600), 32 + pick(600)));
        std::vector<int> heads;
        bool skipped = true;
        for (unsigned k = pick(6); k > 0; --k) {
            Region r;
            const bool table = pick(2);
            const unsigned kind = pick(8);
            r.layout = table ? Layout::Table : Layout::Text;
            r.flags = WORD((kind == 0 ? 0x0400
                            : table   ? RKCORR_OCR_RESULT_TABLE
                                      : RKCORR_OCR_RESULT_TEXT) |
                           (kind == 1 ? RKCORR_OCR_RESULT_EXCLUDED : 0) |
                           (kind == 2 && table ? RKCORR_OCR_RESULT_TEXT : 0) |
                           (kind == 3 && skipped ? 0 : RKCORR_OCR_RESULT_HEAD));
            if (r.flags & RKCORR_OCR_RESULT_HEAD) heads.push_back(kind <= 1 ? -1 : 0);
            skipped = kind <= 1 || (kind == 3 && skipped);
            r.left = WORD(pick(500)), r.top = WORD(pick(500)), r.right = WORD(r.left + pick(100));
            r.bottom = WORD(r.top + pick(100)), r.sizeX = BYTE(pick(9)), r.sizeY = BYTE(pick(9));
            for (unsigned n = pick(4) + (table ? 1 : 0); n > 0; --n) {
                if (!table) {
                    r.lines.push_back(Line{chain()});
                    continue;
                }
                rkpage::Cell c{WORD(pick(500)), WORD(pick(500)), 0, 0, BYTE(pick(9)), BYTE(pick(9)),
                               BYTE(pick(3)),   BYTE(pick(3))};
                c.right = WORD(c.left + pick(100)), c.bottom = WORD(c.top + pick(100)), c.chars = chain();
                r.cells.push_back(c);
            }
            desc.regions.push_back(r);
        }
        PageBlocks page(desc);
        auto* head = static_cast<tagOCRHEAD*>(GlobalLock(page.head()));
        auto* image = static_cast<tagIMGHEAD*>(GlobalLock(page.imgHead()));
        std::unique_ptr<OCRDocument> doc(parse_ocrhead(head, image));
        ASSERT_TRUE(doc);
        EXPECT_EQ(text_of(*doc), expected_text(desc)) << "round " << round;
        auto* result = static_cast<tagRESULT*>(GlobalLock(head->hResult));
        auto* detail = static_cast<tagDETAIL*>(GlobalLock(head->hDetail));
        OCRDocument scratch;
        std::vector<int> got;
        for (unsigned short i = result[0].wChild; i; i = result[i].wNext)
            if (result[i].wFlags & RKCORR_OCR_RESULT_HEAD)
                got.push_back(parse_region_head(&scratch, i, result, detail));
        EXPECT_EQ(got, heads);
        for (HGLOBAL h : {head->hDetail, head->hResult, page.imgHead(), page.head()}) GlobalUnlock(h);
        ASSERT_EQ(RkTestTotalLocks(), 0u);
        for (unsigned k = pick(3); k > 0; --k) doc->Add((OCRRegion*)new OCRImage());  // a private base
        if (round % 20 == 19) doc->release();
        expect_rects(*doc);
    }
}

TEST(Commit, CountsEverySurvivorButWritesAHundredInDistanceOrder) {
    // 150 found areas of 4 x 4, 20 apart, and 10 engine areas far from them.
    PageDesc desc(rkpage::Canvas(32, 32));
    desc.areaFill = 0xA5;
    desc.areaRecords = 120;
    for (WORD i = 0; i < 10; ++i)
        desc.areas.push_back(tagIMGAREAREC{WORD(3000 + 20 * i), WORD(3003 + 20 * i), 10, 13});
    PageBlocks page(desc);
    const std::vector<BYTE> before = page.area_bytes();
    std::vector<IMGRect> found;
    for (unsigned i = 0; i < 150; ++i) {
        const unsigned short x = (unsigned short)(20 * (i % 30)), y = (unsigned short)(20 * (i / 30));
        found.push_back(IMGRect(x, y, x + 3, y + 3));
    }
    std::list<IMGRect*> list;
    for (IMGRect& r : found) list.push_back(&r);
    std::vector<IMGRect> chars;
    auto* head = static_cast<tagOCRHEAD*>(GlobalLock(page.head()));
    // Missing arguments and a refused lock write nothing.
    EXPECT_EQ(parse_ocrhead(nullptr, nullptr), nullptr);
    EXPECT_EQ(commit_result(nullptr, &list, &chars, 4000, 150), -1);
    EXPECT_EQ(commit_result(head, nullptr, &chars, 4000, 150), -1);
    RkTestFailNthLock(1);  // the picture areas refused
    EXPECT_EQ(commit_result(head, &list, &chars, 4000, 150), -1);
    RkTestFailNthLock(0);
    EXPECT_EQ(page.area_bytes(), before);
    EXPECT_EQ(commit_result(head, &list, &chars, 4000, 150), 160);  // height < 200: nothing is tiny
    GlobalUnlock(page.head());
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    // A stable sort by the distance of the top-left corner; the engine areas come last.
    std::stable_sort(found.begin(), found.end(), [](const IMGRect& a, const IMGRect& b) {
        return a.GetTop() * a.GetTop() + a.GetLeft() * a.GetLeft() <
               b.GetTop() * b.GetTop() + b.GetLeft() * b.GetLeft();
    });
    const std::vector<tagIMGAREAREC> got = page.areas();
    ASSERT_EQ(got.size(), 100u);
    for (unsigned k = 0; k < got.size(); ++k)
        ASSERT_EQ(std::vector<unsigned>({got[k].wLeft, got[k].wTop, got[k].wRight, got[k].wBottom}),
                  std::vector<unsigned>(
                      {found[k].GetLeft(), found[k].GetTop(), found[k].GetRight(), found[k].GetBottom()}))
            << k;
    const std::vector<BYTE> after = page.area_bytes();
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 8, after.begin()));
    EXPECT_TRUE(std::equal(before.begin() + 810, before.end(), after.begin() + 810));
}

// What the parse never reaches: range checks, init, CalcSize without cells
// or around them, the document's release (ASan checks the deletes).
TEST(PageModel, RangesInitCalcSizeAndRelease) {
    OCRRect r(1, 2, 3, 4), own(100, 100, 50, 50), cell(90, 95, 40, 80), big(0, 0, 1000, 1000);
    OCRChar a(u'A', 55, 9, r);
    OCRLine line;
    line.Add(a);
    a.init();  // clears code and distance, keeps the info and the rectangle
    EXPECT_EQ(text_of(a) + text_of(line), " 1,2,3,4 [ 65 1,2,3,4/55/9 ]");
    EXPECT_EQ(a.GetChar() + a.GetDistance() + a.GetInfo(), 9u);
    OCRBox box;
    box.Add(line);
    OCRCell c(cell);
    c.Add(line);
    OCRTable empty(own), outer(big);
    outer.Add(c);
    empty.CalcSize();  // no cells: unchanged
    outer.CalcSize();  // the own rectangle counts beside the cells
    EXPECT_EQ(text_of(empty) + text_of(outer), " 100,100,50,50 0,0,1000,1000");
    EXPECT_THROW(line.At(1), std::out_of_range);
    EXPECT_THROW(box.At(1), std::out_of_range);
    EXPECT_THROW(c.At(1), std::out_of_range);
    EXPECT_THROW(outer.At(1), std::out_of_range);
    OCRDocument doc(own);
    doc.Add(new OCRBox(box));
    doc.Add(new OCRTable(outer));
    EXPECT_EQ(text_of(doc),
              "page 100,100,50,50\nbox 0,0,0,0 [ 65 1,2,3,4/55/9 ]\ntable 0x0 0,0,1000,1000 cell 0,0,0,0 [ "
              "65 1,2,3,4/55/9 ]\n");
    EXPECT_THROW(doc.At(2), std::out_of_range);
    doc.release();
    EXPECT_TRUE(doc.GetSize() == 2 && !doc.At(0) && !doc.At(1));
    doc.release();
}

}  // namespace
