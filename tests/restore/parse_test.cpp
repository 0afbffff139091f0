// Result parsing: record chains of built pages into the page model. Crafted
// chains for each rule, random pages against the rules written out plainly,
// and lock failures.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "restore/parse.h"
#include "rkcorr/platform_memory.h"
#include "support/page_builder.h"

namespace {

using rkpage::Char;
using rkpage::Layout;
using rkpage::Line;
using rkpage::PageBlocks;
using rkpage::PageDesc;
using rkpage::Region;

constexpr WORD kText = OCR_RESULT_HEAD | OCR_RESULT_TEXT;
constexpr WORD kTable = OCR_RESULT_HEAD | OCR_RESULT_TABLE;

Char ch(WORD code, WORD x = 0) { return Char{code, x, 10, WORD(x + 8), 22, WORD(code + 1), WORD(code * 3)}; }
Line chain(const std::string& s) {
    Line line;
    WORD x = 0;
    for (char c : s) line.chars.push_back(ch(c == '\n' ? 10 : c == '\r' ? 13 : WORD(c), x += 10));
    return line;
}
Region cell_table(std::vector<std::string> chains) {
    Region r;
    r.layout = Layout::Table;
    r.flags = kTable;
    WORD x = 100;
    for (const std::string& s : chains) {
        rkpage::Cell c{x, 100, WORD(x + 50), 140};
        c.chars = chain(s).chars;
        r.cells.push_back(c);
        x += 50;
    }
    return r;
}

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

std::string text_of(const OCRLine& line) {
    std::string s;
    for (unsigned i = 0; i < line.GetSize(); ++i) s += char(line.At(i).GetChar());
    return s;
}
std::vector<std::string> lines_of(const OCRRegion* r) {
    std::vector<std::string> out;
    if (r->GetType() == 0) {
        auto* box = static_cast<const OCRBox*>(r);
        for (unsigned i = 0; i < box->GetSize(); ++i) out.push_back(text_of(box->At(i)));
    } else {
        auto* table = static_cast<const OCRTable*>(r);
        for (unsigned c = 0; c < table->GetSize(); ++c) {
            for (unsigned i = 0; i < table->At(c).GetSize(); ++i) out.push_back(text_of(table->At(c).At(i)));
            out.push_back("|");
        }
    }
    return out;
}

TEST(Parse, ExampleTextRegionAndTable) {
    PageDesc desc(rkpage::Canvas(300, 200));
    Region text;
    text.flags = kText;
    text.left = 5, text.top = 6, text.right = 105, text.bottom = 56;
    text.lines = {chain("A"), chain("B")};
    desc.regions = {text, cell_table({"C\n"})};
    desc.regions[1].sizeX = 7;
    desc.regions[1].sizeY = 9;
    desc.regions[1].cells[0].indexX = 1;
    desc.regions[1].cells[0].mergeY = 4;
    Parsed p(desc);
    ASSERT_TRUE(p.doc);
    EXPECT_EQ(p.doc->GetPageRect().GetWidth() * 1000 + p.doc->GetPageRect().GetHeight(), 300200u);
    ASSERT_EQ(p.doc->GetSize(), 2u);
    auto* box = static_cast<OCRBox*>(p.doc->At(0));
    ASSERT_EQ(box->GetType(), 0u);
    EXPECT_EQ(std::vector<unsigned>({box->GetPosX(), box->GetPosY(), box->GetWidth(), box->GetHeight()}),
              std::vector<unsigned>({5, 6, 100, 50}));  // width right - left
    EXPECT_EQ(lines_of(box), (std::vector<std::string>{"A", "B"}));
    const OCRChar& a = box->At(0).At(0);
    EXPECT_EQ(std::vector<unsigned>({a.GetPosX(), a.GetPosY(), a.GetWidth(), a.GetHeight()}),
              std::vector<unsigned>({10, 10, 8, 12}));
    auto* table = static_cast<OCRTable*>(p.doc->At(1));
    ASSERT_EQ(table->GetType(), 1u);
    EXPECT_EQ(table->GetSizeX() * 100 + table->GetSizeY(), 709u);
    ASSERT_EQ(table->GetSize(), 1u);
    EXPECT_EQ(table->At(0).GetIndexX() * 100 + table->At(0).GetMergeY(), 104u);
    EXPECT_EQ(lines_of(table), (std::vector<std::string>{"C", "|"}));

    // The selected candidate's code, distance and info; right < left wraps.
    PageDesc wrap(rkpage::Canvas(64, 64));
    Region r;
    r.lines = {Line{{Char{0x82A0, 30, 40, 20, 45, 77, 0xBEEF, 12}}}};
    wrap.regions = {r};
    Parsed q(wrap);
    const OCRChar& got = static_cast<OCRBox*>(q.doc->At(0))->At(0).At(0);
    EXPECT_EQ(got.GetChar(), u'\x82A0');
    EXPECT_EQ(got.GetDistance(), 77u);
    EXPECT_EQ(got.GetInfo(), 0xBEEFu);
    EXPECT_EQ(got.GetWidth(), 0xFFFFFFF6u);  // 20 - 30 in unsigned 32 bits
    EXPECT_EQ(got.GetHeight(), 5u);
}

TEST(Parse, HeadFlagsDecideTheRegionKind) {
    PageDesc desc(rkpage::Canvas(64, 64));
    Region excludedText;
    excludedText.flags = kText | OCR_RESULT_EXCLUDED;
    excludedText.lines = {chain("A"), chain("B")};
    Region excludedTable = cell_table({"C\n", "D\n"});
    excludedTable.flags |= OCR_RESULT_EXCLUDED;
    Region neither;
    neither.flags = OCR_RESULT_HEAD | 0x0400;
    neither.lines = {chain("E")};
    Region notHead;  // no head flag at all: passed over with its lines
    notHead.flags = OCR_RESULT_TEXT;
    notHead.lines = {chain("F"), chain("G")};
    Region both = cell_table({"H\n"});
    both.flags = kTable | OCR_RESULT_TEXT;
    Region text;
    text.lines = {chain("I")};
    desc.regions = {excludedText, excludedTable, neither, notHead, both, text};
    Parsed p(desc);
    ASSERT_EQ(p.doc->GetSize(), 2u);
    EXPECT_EQ(p.doc->At(0)->GetType(), 1u);
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
        if (result[i].wFlags & OCR_RESULT_HEAD) got.push_back(parse_region_head(&doc, i, result, detail));
    EXPECT_EQ(got, (std::vector<int>{-1, -1, -1, 0, 0}));
    EXPECT_EQ(doc.GetSize(), 2u);
    GlobalUnlock(head->hDetail);
    GlobalUnlock(head->hResult);
    GlobalUnlock(page.head());
}

// Empty pages and skipped regions are in the random test below.
TEST(Parse, MissingBlocksAndLockFailures) {
    EXPECT_EQ(parse_ocrhead(nullptr, nullptr), nullptr);
    // Either array failing to lock: null, nothing left locked.
    PageDesc desc(rkpage::Canvas(64, 32));
    desc.regions = {cell_table({"A\n"})};
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

// Reference rules, written from the chain descriptions directly.
std::vector<std::string> expected_lines(const Region& r) {
    std::vector<std::string> out;
    auto code = [](const Char& c) { return c.code; };
    if (r.layout == Layout::Text) {
        std::vector<Line> lines = r.lines.empty() ? std::vector<Line>{Line{}} : r.lines;
        for (const Line& l : lines) {
            std::string s;
            for (const Char& c : l.chars) {
                if (code(c) == 10) break;
                s += char(code(c));
            }
            out.push_back(s);
        }
        return out;
    }
    for (const rkpage::Cell& cell : r.cells) {
        std::vector<Char> chars = cell.chars;
        if (chars.empty()) chars.push_back(ch(10));
        std::string s;
        for (size_t i = 0; i < chars.size(); ++i) {
            if (code(chars[i]) == 10 || i + 1 == chars.size()) break;
            if (code(chars[i]) == 13) {
                out.push_back(s);
                s.clear();
            } else {
                s += char(code(chars[i]));
            }
        }
        out.push_back(s);
        out.push_back("|");
    }
    return out;
}

TEST(Parse, RandomPagesMatchTheChainRules) {
    std::mt19937 rng(12345);
    auto pick = [&](unsigned n) { return unsigned(rng() % n); };
    for (int round = 0; round < 200; ++round) {
        PageDesc desc(rkpage::Canvas(32, 32));
        std::vector<const Region*> kept;
        const unsigned regions = pick(6);
        for (unsigned k = 0; k < regions; ++k) {
            Region r;
            const bool table = pick(2);
            r.layout = table ? Layout::Table : Layout::Text;
            r.flags = OCR_RESULT_HEAD | (table ? OCR_RESULT_TABLE : OCR_RESULT_TEXT) |
                      (pick(6) == 0 ? OCR_RESULT_EXCLUDED : 0) | (table && pick(3) == 0 ? OCR_RESULT_TEXT : 0);
            auto random_chain = [&] {
                std::vector<Char> chars;
                const unsigned len = pick(6);
                for (unsigned i = 0; i < len; ++i) {
                    const unsigned t = pick(8);
                    chars.push_back(ch(t == 0 ? 10 : t == 1 ? 13 : WORD('a' + pick(26)), WORD(i * 9)));
                    chars.back().select = WORD(pick(OCR_DETAIL_CANDIDATES));
                }
                return chars;
            };
            for (unsigned n = pick(4) + (table ? 1 : 0); n > 0; --n) {
                if (table) {
                    rkpage::Cell c{WORD(pick(500)), WORD(pick(500)), 0, 0};
                    c.right = WORD(c.left + pick(100));
                    c.bottom = WORD(c.top + pick(100));
                    c.chars = random_chain();
                    r.cells.push_back(c);
                } else {
                    r.lines.push_back(Line{random_chain()});
                }
            }
            desc.regions.push_back(r);
        }
        for (const Region& r : desc.regions)
            if (!(r.flags & OCR_RESULT_EXCLUDED)) kept.push_back(&r);
        Parsed p(desc);
        ASSERT_TRUE(p.doc);
        ASSERT_EQ(p.doc->GetSize(), kept.size()) << "round " << round;
        for (size_t k = 0; k < kept.size(); ++k) {
            const OCRRegion* got = p.doc->At(unsigned(k));
            ASSERT_EQ(got->GetType(), kept[k]->layout == Layout::Table ? 1u : 0u);
            EXPECT_EQ(lines_of(got), expected_lines(*kept[k])) << "round " << round << " region " << k;
            if (got->GetType() == 1) {
                unsigned l = ~0u, t = ~0u, r = 0, b = 0;
                for (const rkpage::Cell& c : kept[k]->cells) {
                    l = std::min<unsigned>(l, c.left), t = std::min<unsigned>(t, c.top);
                    r = std::max<unsigned>(r, c.right), b = std::max<unsigned>(b, c.bottom);
                }
                auto* table = static_cast<const OCRTable*>(got);
                EXPECT_EQ(table->GetPosX(), l);
                EXPECT_EQ(table->GetPosY(), t);
                EXPECT_EQ(table->GetWidth(), r - l);
                EXPECT_EQ(table->GetHeight(), b - t);
            }
        }
    }
}

}  // namespace
