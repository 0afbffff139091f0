// Result parsing: record chains of random built pages into the page model,
// against the chain rules written out plainly (characters, rectangles, cell
// and table fields); the head flags that decide a region's kind; lock failures.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "restore/parse.h"
#include "rkcorr/platform_memory.h"
#include "pageblock/page_builder.h"

namespace {

using rkpage::Char;
using rkpage::Layout;
using rkpage::Line;
using rkpage::PageBlocks;
using rkpage::PageDesc;
using rkpage::Region;

// Runs parse_ocrhead on the page; checks that every lock is released.
struct Parsed {
    explicit Parsed(const PageDesc& desc) : page(desc) {
        auto* head = static_cast<tagOCRHEAD*>(GlobalLock(page.head()));
        auto* image = static_cast<tagIMGHEAD*>(GlobalLock(page.imgHead()));
        doc.reset(parse_ocrhead(head, image));
        GlobalUnlock(page.imgHead());
        GlobalUnlock(page.head());
        EXPECT_EQ(RkTestTotalLocks(), 0u);
    }
    PageBlocks page;
    std::unique_ptr<OCRDocument> doc;
};

// A region as strings: its lines, each cell closed by "|".
std::vector<std::string> lines_of(const OCRRegion* r) {
    std::vector<std::string> out;
    auto text = [&](const OCRLine& line) {
        std::string s;
        for (unsigned i = 0; i < line.GetSize(); ++i) s += char(line.At(i).GetChar());
        out.push_back(s);
    };
    if (r->GetType() == 0) {
        auto* box = static_cast<const OCRBox*>(r);
        for (unsigned i = 0; i < box->GetSize(); ++i) text(box->At(i));
    } else {
        auto* table = static_cast<const OCRTable*>(r);
        for (unsigned c = 0; c < table->GetSize(); ++c) {
            for (unsigned i = 0; i < table->At(c).GetSize(); ++i) text(table->At(c).At(i));
            out.push_back("|");
        }
    }
    return out;
}

// The chain rules. Text: a line ends at its first line feed (an empty chain
// is one line feed). Table cells: a line feed or the chain's last record
// ends the cell (the last record not taken), a carriage return a line.
std::vector<std::string> expected_lines(const Region& r) {
    std::vector<std::string> out;
    if (r.layout == Layout::Text) {
        for (const Line& l : r.lines.empty() ? std::vector<Line>{Line{}} : r.lines) {
            std::string s;
            for (size_t i = 0; i < l.chars.size() && l.chars[i].code != 10; ++i) s += char(l.chars[i].code);
            out.push_back(s);
        }
        return out;
    }
    for (const rkpage::Cell& cell : r.cells) {
        std::string s;
        for (size_t i = 0; i + 1 < cell.chars.size() && cell.chars[i].code != 10; ++i) {
            if (cell.chars[i].code == 13)
                out.push_back(s), s.clear();
            else
                s += char(cell.chars[i].code);
        }
        out.push_back(s);
        out.push_back("|");
    }
    return out;
}

TEST(Parse, RandomPagesMatchTheChainRules) {
    std::mt19937 rng(12345);
    auto pick = [&](unsigned n) { return unsigned(rng() % n); };
    for (int round = 0; round < 300; ++round) {
        PageDesc desc(rkpage::Canvas(32 + pick(600), 32 + pick(600)));
        for (unsigned k = pick(6); k > 0; --k) {
            Region r;
            const bool table = pick(2);
            r.layout = table ? Layout::Table : Layout::Text;
            r.flags = RKCORR_OCR_RESULT_HEAD | (table ? RKCORR_OCR_RESULT_TABLE : RKCORR_OCR_RESULT_TEXT) |
                      (pick(6) == 0 ? RKCORR_OCR_RESULT_EXCLUDED : 0) |
                      (table && pick(3) == 0 ? RKCORR_OCR_RESULT_TEXT : 0);
            r.left = WORD(pick(500)), r.top = WORD(pick(500)), r.right = WORD(r.left + pick(100)),
            r.bottom = WORD(r.top + pick(100));
            r.sizeX = BYTE(pick(9)), r.sizeY = BYTE(pick(9));
            auto random_chain = [&] {
                std::vector<Char> chars;
                for (unsigned i = pick(6); i > 0; --i) {
                    const unsigned t = pick(8);
                    const WORD x = WORD(pick(65536)),
                               y = WORD(pick(1000));  // right < left and bottom < top too
                    chars.push_back(Char{WORD(t == 0   ? 10
                                              : t == 1 ? 13
                                                       : 'a' + pick(26)),
                                         x, y, WORD(x + pick(40) - 5), WORD(y + pick(40) - 5),
                                         WORD(pick(65536)), WORD(pick(65536)),
                                         WORD(pick(RKCORR_OCR_DETAIL_CANDIDATES))});
                }
                return chars;
            };
            for (unsigned n = pick(4) + (table ? 1 : 0); n > 0; --n) {
                if (table) {
                    rkpage::Cell c{WORD(pick(500)), WORD(pick(500)), 0, 0, BYTE(pick(9)), BYTE(pick(9)),
                                   BYTE(pick(3)),   BYTE(pick(3))};
                    c.right = WORD(c.left + pick(100)), c.bottom = WORD(c.top + pick(100));
                    c.chars = random_chain();
                    r.cells.push_back(c);
                } else {
                    r.lines.push_back(Line{random_chain()});
                }
            }
            desc.regions.push_back(r);
        }
        std::vector<const Region*> kept;
        for (const Region& r : desc.regions)
            if (!(r.flags & RKCORR_OCR_RESULT_EXCLUDED)) kept.push_back(&r);
        Parsed p(desc);
        ASSERT_TRUE(p.doc);
        EXPECT_EQ(p.doc->GetPageRect().GetWidth(), desc.image.width());
        EXPECT_EQ(p.doc->GetPageRect().GetHeight(), desc.image.height());
        ASSERT_EQ(p.doc->GetSize(), kept.size()) << "round " << round;
        for (size_t k = 0; k < kept.size(); ++k) {
            const Region& want = *kept[k];
            const OCRRegion* got = p.doc->At(unsigned(k));
            SCOPED_TRACE("round " + std::to_string(round) + " region " + std::to_string(k));
            ASSERT_EQ(got->GetType(), want.layout == Layout::Table ? 1u : 0u);
            EXPECT_EQ(lines_of(got), expected_lines(want));
            unsigned l = want.left, t = want.top, r = want.right,
                     b = want.bottom;  // text: the head's rectangle
            if (got->GetType() == 1) {
                auto* table = static_cast<const OCRTable*>(got);
                EXPECT_EQ(table->GetSizeX() * 100 + table->GetSizeY(), want.sizeX * 100u + want.sizeY);
                l = t = ~0u, r = b = 0;  // the cells' bounding box
                for (unsigned c = 0; c < want.cells.size(); ++c) {
                    const rkpage::Cell& wc = want.cells[c];
                    l = std::min<unsigned>(l, wc.left), t = std::min<unsigned>(t, wc.top);
                    r = std::max<unsigned>(r, wc.right), b = std::max<unsigned>(b, wc.bottom);
                    const OCRCell& gc = table->At(c);
                    EXPECT_EQ(std::vector<unsigned>(
                                  {gc.GetIndexX(), gc.GetIndexY(), gc.GetMergeX(), gc.GetMergeY()}),
                              std::vector<unsigned>({wc.indexX, wc.indexY, wc.mergeX, wc.mergeY}));
                }
            } else {  // every character of the lines kept, field by field
                auto* box = static_cast<const OCRBox*>(got);
                for (unsigned i = 0; i < box->GetSize(); ++i)
                    for (unsigned j = 0; j < box->At(i).GetSize(); ++j) {
                        const OCRChar& gc = box->At(i).At(j);
                        const Char& wc = want.lines[i].chars[j];
                        EXPECT_EQ(
                            std::vector<unsigned>({gc.GetChar(), gc.GetPosX(), gc.GetPosY(), gc.GetWidth(),
                                                   gc.GetHeight(), gc.GetDistance(), gc.GetInfo()}),
                            std::vector<unsigned>({wc.code, wc.left, wc.top, unsigned(wc.right - wc.left),
                                                   unsigned(wc.bottom - wc.top), wc.dist, wc.info}));
                    }
            }
            const OCRRect& gr = got->GetType() == 1
                                    ? static_cast<const OCRRect&>(*static_cast<const OCRTable*>(got))
                                    : *static_cast<const OCRBox*>(got);
            EXPECT_EQ(std::vector<unsigned>({gr.GetPosX(), gr.GetPosY(), gr.GetWidth(), gr.GetHeight()}),
                      std::vector<unsigned>({l, t, r - l, b - t}));
        }
    }
}

Line chain(const std::string& s) {
    Line line;
    for (char c : s) line.chars.push_back(Char{WORD(c), 0, 0, 1, 1});
    return line;
}

TEST(Parse, HeadFlagsDecideTheRegionKind) {
    PageDesc desc(rkpage::Canvas(64, 64));
    Region excludedText, excludedTable, neither, notHead, both, text;
    excludedText.flags = RKCORR_OCR_RESULT_HEAD | RKCORR_OCR_RESULT_TEXT | RKCORR_OCR_RESULT_EXCLUDED;
    excludedText.lines = {chain("A"), chain("B")};
    excludedTable.layout = both.layout = Layout::Table;
    excludedTable.flags = RKCORR_OCR_RESULT_HEAD | RKCORR_OCR_RESULT_TABLE | RKCORR_OCR_RESULT_EXCLUDED;
    excludedTable.cells = {rkpage::Cell{1, 1, 2, 2, 0, 0, 0, 0, chain("C\n").chars}};
    neither.flags = RKCORR_OCR_RESULT_HEAD | 0x0400;
    neither.lines = {chain("E")};
    notHead.flags = RKCORR_OCR_RESULT_TEXT;  // no head flag at all: passed over with its lines
    notHead.lines = {chain("F"), chain("G")};
    both.flags = RKCORR_OCR_RESULT_HEAD | RKCORR_OCR_RESULT_TABLE | RKCORR_OCR_RESULT_TEXT;
    both.cells = {rkpage::Cell{1, 1, 2, 2, 0, 0, 0, 0, chain("H\n").chars}};
    text.lines = {chain("I")};
    desc.regions = {excludedText, excludedTable, neither, notHead, both, text};
    Parsed p(desc);
    ASSERT_EQ(p.doc->GetSize(), 2u);
    EXPECT_EQ(lines_of(p.doc->At(0)), (std::vector<std::string>{"H", "|"}));
    EXPECT_EQ(lines_of(p.doc->At(1)), (std::vector<std::string>{"I"}));

    // parse_region_head reports skipped heads.
    PageBlocks page(desc);
    auto* head = static_cast<tagOCRHEAD*>(GlobalLock(page.head()));
    auto* result = static_cast<tagRESULT*>(GlobalLock(head->hResult));
    auto* detail = static_cast<tagDETAIL*>(GlobalLock(head->hDetail));
    OCRDocument doc;
    std::vector<int> got;
    for (unsigned short i = result[0].wChild; i; i = result[i].wNext)
        if (result[i].wFlags & RKCORR_OCR_RESULT_HEAD)
            got.push_back(parse_region_head(&doc, i, result, detail));
    EXPECT_EQ(got, (std::vector<int>{-1, -1, -1, 0, 0}));
    EXPECT_EQ(doc.GetSize(), 2u);
    GlobalUnlock(head->hDetail);
    GlobalUnlock(head->hResult);
    GlobalUnlock(page.head());
}

TEST(Parse, MissingBlocksAndLockFailures) {
    EXPECT_EQ(parse_ocrhead(nullptr, nullptr), nullptr);
    // Either array failing to lock: null, nothing left locked.
    PageDesc desc(rkpage::Canvas(64, 32));
    desc.regions = {Region{}};
    desc.regions[0].lines = {chain("A")};
    PageBlocks page(desc);
    auto* head = static_cast<tagOCRHEAD*>(GlobalLock(page.head()));
    auto* image = static_cast<tagIMGHEAD*>(GlobalLock(page.imgHead()));
    for (unsigned n = 1; n <= 2; ++n) {
        RkTestFailNthLock(n);
        EXPECT_EQ(parse_ocrhead(head, image), nullptr);
        RkTestFailNthLock(0);
        EXPECT_EQ(RkTestTotalLocks(), 2u);
    }
    GlobalUnlock(page.imgHead());
    GlobalUnlock(page.head());
}

}  // namespace
