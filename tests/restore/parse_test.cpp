// Result parsing and write-back: record chains of random built pages into the
// page model, against the chain rules written out plainly (characters,
// rectangles, cell and table fields, the head flags that decide a region's
// kind); the merge's character and box rectangles; the page model's own
// checks; commit_result's limit and order, and missing arguments.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>

#include "pageblock/page_builder.h"
#include "restore/char_rects.h"
#include "restore/commit.h"
#include "restore/parse.h"
#include "rkcorr/imgmask.h"
#include "rkcorr/imgrect.h"
#include "rkcorr/platform_memory.h"
#include "support/test_dib.h"

namespace {

using namespace rkpage;

// " a,b,c,d"
std::string nums(std::initializer_list<unsigned> v) {
    std::string s;
    for (unsigned n : v) s += (s.empty() ? " " : ",") + std::to_string(n);
    return s;
}
std::string rect_text(const OCRRect& r) {
    return nums({r.GetPosX(), r.GetPosY(), r.GetWidth(), r.GetHeight()});
}
std::string char_text(const OCRChar& c) {
    return nums(
        {c.GetChar(), c.GetPosX(), c.GetPosY(), c.GetWidth(), c.GetHeight(), c.GetDistance(), c.GetInfo()});
}

// The page model as text: a region per line, "box" and its rectangle, or
// "table", its sizes, rectangle and each cell's indices; lines in brackets,
// each character as code, rectangle, distance and info. `chars` and `boxes`
// gather the 16-bit corners (x, y, x + width, y + height) of every character
// with a width and a height, and of every box and table, in walk order.
struct ModelText {
    std::string text, chars, boxes;
    static std::string corners(const OCRRect& r) {
        const unsigned x = r.GetPosX(), y = r.GetPosY();
        return nums({x & 0xFFFF, y & 0xFFFF, (x + r.GetWidth()) & 0xFFFF, (y + r.GetHeight()) & 0xFFFF});
    }
    void line(const OCRLine& l) {
        text += " [";
        for (unsigned i = 0; i < l.GetSize(); ++i) {
            const OCRChar& c = l.At(i);
            text += char_text(c);
            if (c.GetWidth() && c.GetHeight()) chars += corners(c);
        }
        text += " ]";
    }
    explicit ModelText(const OCRDocument& doc) : text("page" + rect_text(doc.GetPageRect()) + "\n") {
        for (unsigned k = 0; k < doc.GetSize(); ++k) {
            const OCRRegion* region = doc.At(k);
            if (region && region->GetType() == 0) {
                auto* box = static_cast<const OCRBox*>(region);
                text += "box" + rect_text(*box), boxes += corners(*box);
                for (unsigned i = 0; i < box->GetSize(); ++i) line(box->At(i));
            } else if (region && region->GetType() == 1) {
                auto* t = static_cast<const OCRTable*>(region);
                text += "table" + nums({t->GetSizeX(), t->GetSizeY()}) + rect_text(*t);
                boxes += corners(*t);
                for (unsigned c = 0; c < t->GetSize(); ++c) {
                    const OCRCell& cell = t->At(c);
                    text += " cell" +
                            nums({cell.GetIndexX(), cell.GetIndexY(), cell.GetMergeX(), cell.GetMergeY()});
                    for (unsigned i = 0; i < cell.GetSize(); ++i) line(cell.At(i));
                }
            }
            text += region && region->GetType() <= 1 ? "\n" : "";
        }
    }
};

// The same text from the page's description, by the chain rules. A region
// is taken when its head flag and the text or table flag are set and it is
// not excluded. Text: the head's rectangle; a line ends at its first line
// feed (an empty chain is one line feed). Table: the cells' bounding box; a
// line feed or the chain's last record ends a cell (the last record not
// taken), a carriage return a line.
std::string expected_text(const PageDesc& desc) {
    auto rect = [](unsigned l, unsigned t, unsigned r, unsigned b) { return nums({l, t, r - l, b - t}); };
    auto chr = [](const Char& c) {
        return nums(
            {c.code, c.left, c.top, unsigned(c.right) - c.left, unsigned(c.bottom) - c.top, c.dist, c.info});
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
        for (const Cell& c : r.cells) {
            l = std::min<unsigned>(l, c.left), t = std::min<unsigned>(t, c.top);
            rt = std::max<unsigned>(rt, c.right), b = std::max<unsigned>(b, c.bottom);
            cells += " cell" + nums({c.indexX, c.indexY, c.mergeX, c.mergeY}) + " [";
            for (size_t i = 0; i + 1 < c.chars.size() && c.chars[i].code != 10; ++i)
                cells += c.chars[i].code == 13 ? std::string(" ] [") : chr(c.chars[i]);
            cells += " ]";
        }
        s += "table" + nums({r.sizeX, r.sizeY}) + rect(l, t, rt, b) + cells + "\n";
    }
    return s;
}

std::string rects_text(const std::vector<IMGRect>& v) {
    std::string s;
    for (const IMGRect& r : v)
        s += nums({r.GetLeft(), r.GetTop(), r.GetRight(), r.GetBottom()}) + (r.IsBorder() ? "!" : "");
    return s;
}

// Random pages: text and table regions with random chains (line feeds,
// carriage returns, rectangles with right < left or bottom < top) and random
// flags. Excluded heads, heads of neither kind, and (after a region passed
// over only) records without the head flag are passed over; the table flag
// wins over the text flag. parse_region_head gives 0 for a region taken,
// -1 for one passed over. Every lock is released. The parsed models, with
// picture regions and released slots added, give the merge's character and
// box rectangles (without the border flag).
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
    rktest::TestDib dib(16, 16);
    ImgMask mask;
    ASSERT_EQ(mask.CreateMask(dib.header(), dib.bits.data(), dib.stride), 0);
    for (int round = 0; round < 300 && !HasFailure(); ++round) {
        SCOPED_TRACE(round);
        PageDesc desc(Canvas(32 + pick(600), 32 + pick(600)));
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
            for (unsigned n = pick(4) + table; n > 0; --n) {
                const WORD l = WORD(pick(500)), t = WORD(pick(500));
                if (table)
                    r.cells.push_back(Cell{l, t, WORD(l + pick(100)), WORD(t + pick(100)), BYTE(pick(9)),
                                           BYTE(pick(9)), BYTE(pick(3)), BYTE(pick(3)), chain()});
                else
                    r.lines.push_back(Line{chain()});
            }
            desc.regions.push_back(r);
        }
        PageBlocks page(desc);
        auto* head = static_cast<tagOCRHEAD*>(GlobalLock(page.head()));
        auto* image = static_cast<tagIMGHEAD*>(GlobalLock(page.imgHead()));
        std::unique_ptr<OCRDocument> doc(parse_ocrhead(head, image));
        ASSERT_TRUE(doc);
        EXPECT_EQ(ModelText(*doc).text, expected_text(desc));
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
        const ModelText want(*doc);
        std::unique_ptr<std::vector<IMGRect>> c(create_char_rect(&mask, doc.get())),
            b(create_box_rect(&mask, doc.get()));
        ASSERT_TRUE(c && b);
        EXPECT_EQ(rects_text(*c), want.chars);
        EXPECT_EQ(rects_text(*b), want.boxes);
    }
    OCRDocument doc;
    EXPECT_FALSE(create_char_rect(nullptr, &doc) || create_char_rect(&mask, nullptr) ||
                 create_box_rect(nullptr, &doc) || create_box_rect(&mask, nullptr) ||
                 parse_ocrhead(nullptr, nullptr));
}

// 150 engine areas of 4 x 4, 20 apart, listed in a scrambled order: all
// survive (height < 200: nothing is tiny), and the first hundred of a stable
// sort by the distance of the top-left corner are written; bytes 0-7 and the
// records past the hundredth keep their bytes. Missing arguments and a
// refused lock of the picture areas write nothing.
TEST(Commit, CountsEverySurvivorButWritesAHundredInDistanceOrder) {
    PageDesc desc(Canvas(32, 32));
    desc.areaFill = 0xA5;
    desc.areaRecords = 160;
    for (unsigned i = 0; i < 150; ++i) {
        const WORD x = WORD(20 * (i * 7 % 150 % 30)), y = WORD(20 * (i * 7 % 150 / 30));
        desc.areas.push_back(tagIMGAREAREC{x, WORD(x + 3), y, WORD(y + 3)});
    }
    PageBlocks page(desc);
    const std::vector<BYTE> before = page.area_bytes();
    std::list<IMGRect*> list;
    std::vector<IMGRect> chars;
    auto* head = static_cast<tagOCRHEAD*>(GlobalLock(page.head()));
    EXPECT_EQ(commit_result(nullptr, &list, &chars, 4000, 150), -1);
    EXPECT_EQ(commit_result(head, nullptr, &chars, 4000, 150), -1);
    RkTestFailNthLock(1);
    EXPECT_EQ(commit_result(head, &list, &chars, 4000, 150), -1);
    RkTestFailNthLock(0);
    EXPECT_EQ(page.area_bytes(), before);
    EXPECT_EQ(commit_result(head, &list, &chars, 4000, 150), 150);
    GlobalUnlock(page.head());
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    std::vector<tagIMGAREAREC> want = desc.areas;
    std::stable_sort(want.begin(), want.end(), [](const tagIMGAREAREC& a, const tagIMGAREAREC& b) {
        return a.wTop * a.wTop + a.wLeft * a.wLeft < b.wTop * b.wTop + b.wLeft * b.wLeft;
    });
    const std::vector<BYTE> after = page.area_bytes();
    EXPECT_EQ(page.count(), 100);
    EXPECT_EQ(std::memcmp(after.data() + 10, want.data(), 800), 0);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 8, after.begin()));
    EXPECT_TRUE(std::equal(before.begin() + 810, before.end(), after.begin() + 810));
}

// What the parse never reaches: range checks, init (clears code and
// distance, keeps the info and the rectangle), CalcSize without cells or
// around them (the own rectangle counts), the document's release (ASan
// checks the deletes).
TEST(PageModel, RangesInitCalcSizeAndRelease) {
    OCRRect r(1, 2, 3, 4), own(100, 100, 50, 50), cell(90, 95, 40, 80), big(0, 0, 1000, 1000);
    OCRChar a(u'A', 55, 9, r);
    OCRLine line;
    line.Add(a);
    a.init();
    EXPECT_EQ(char_text(a), " 0,1,2,3,4,0,9");
    const OCRCell blank;  // default objects: all zero
    EXPECT_EQ(char_text(OCRChar()) +
                  nums({blank.GetIndexX(), blank.GetIndexY(), blank.GetMergeX(), blank.GetMergeY()}),
              " 0,0,0,0,0,0,0 0,0,0,0");
    OCRBox box;
    box.Add(line);
    OCRCell c(cell);
    c.Add(line);
    OCRTable empty(own), outer(big);
    outer.Add(c);
    empty.CalcSize();
    outer.CalcSize();
    EXPECT_EQ(rect_text(empty) + rect_text(outer), " 100,100,50,50 0,0,1000,1000");
    EXPECT_THROW(line.At(1), std::out_of_range);
    EXPECT_THROW(box.At(1), std::out_of_range);
    EXPECT_THROW(c.At(1), std::out_of_range);
    EXPECT_THROW(outer.At(1), std::out_of_range);
    OCRDocument doc(own);
    doc.Add(new OCRBox(box));
    doc.Add(new OCRTable(outer));
    EXPECT_EQ(ModelText(doc).text,
              "page 100,100,50,50\nbox 0,0,0,0 [ 65,1,2,3,4,55,9 ]\ntable 0,0 0,0,1000,1000 cell 0,0,0,0 [ "
              "65,1,2,3,4,55,9 ]\n");
    EXPECT_THROW(doc.At(2), std::out_of_range);
    doc.release();
    EXPECT_TRUE(doc.GetSize() == 2 && !doc.At(0) && !doc.At(1));
    doc.release();
}

}  // namespace
