// Parsing random built pages against the chain rules, the merge's rectangles, and the commit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <list>
#include <random>
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

// The model as text; `chars` and `boxes`: 16-bit corners of the sized characters and of boxes and tables.
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
            text += nums({c.GetChar(), c.GetPosX(), c.GetPosY(), c.GetWidth(), c.GetHeight(), c.GetDistance(),
                          c.GetInfo()});
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
                text += "table" + nums({t->GetSizeX(), t->GetSizeY()}) + rect_text(*t), boxes += corners(*t);
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

// The same text by the chain rules: a line feed ends a text line; a line feed or the chain's last
// record (not taken) ends a cell, a carriage return a cell's line; a table spans its cells.
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

// Random chains and flags (excluded, neither kind, both kinds, no head flag); every lock released. The
// models, with picture regions and released slots added, give the merge's rectangles.
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
        GlobalUnlock(page.imgHead()), GlobalUnlock(page.head());
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
}

// 150 surviving areas: the first hundred by the wrapping 32-bit key written, the other bytes kept.
TEST(Commit, CountsEverySurvivorButWritesAHundredInDistanceOrder) {
    PageDesc desc(Canvas(32, 32));
    desc.areaFill = 0xA5;
    desc.areaRecords = 160;
    for (unsigned i = 0; i < 150; ++i) {
        const unsigned far = i % 3 ? 0 : 46341;  // keys past 2^32, from 9266 up
        const WORD x = WORD(far + 20 * (i * 7 % 150 % 30)), y = WORD(far + 20 * (i * 7 % 150 / 30));
        desc.areas.push_back(tagIMGAREAREC{x, WORD(x + 3), y, WORD(y + 3)});
    }
    PageBlocks page(desc);
    const std::vector<BYTE> before = page.area_bytes();
    std::list<IMGRect*> list;
    std::vector<IMGRect> chars;
    auto* head = static_cast<tagOCRHEAD*>(GlobalLock(page.head()));
    EXPECT_EQ(commit_result(head, &list, &chars, 4000, 150), 150);
    GlobalUnlock(page.head());
    EXPECT_EQ(RkTestTotalLocks(), 0u);
    std::vector<tagIMGAREAREC> want = desc.areas;
    auto key = [](const tagIMGAREAREC& a) { return uint32_t(a.wTop) * a.wTop + uint32_t(a.wLeft) * a.wLeft; };
    std::stable_sort(want.begin(), want.end(), [&](auto& a, auto& b) { return key(a) < key(b); });
    const std::vector<BYTE> after = page.area_bytes();
    EXPECT_EQ(page.count(), 100);
    EXPECT_EQ(std::memcmp(after.data() + 10, want.data(), 800), 0);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + 8, after.begin()));
    EXPECT_TRUE(std::equal(before.begin() + 810, before.end(), after.begin() + 810));
}

}  // namespace
