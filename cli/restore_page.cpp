// A page laid out as the engine's result block, restored, and its areas read back.
#include "cli/restore_page.h"

#include <rkcorr/rkcorr.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <stdexcept>

#include "pageblock/page_builder.h"

namespace rkcli {
namespace {

rkpage::Char ToChar(const Char& c) {
    rkpage::Char out{c.code, WORD(c.box.left), WORD(c.box.top), WORD(c.box.right), WORD(c.box.bottom)};
    out.dist = c.dist;
    return out;
}

// Closing code of a line: a line feed (the box of a control code is empty).
rkpage::Char Control(WORD code) { return rkpage::Char{code, 0, 0, 0, 0}; }

rkpage::Region TextOf(const TextRegion& r, bool excluded) {
    rkpage::Region out;
    out.layout = rkpage::Layout::Text;
    out.flags =
        WORD(RKCORR_OCR_RESULT_HEAD | RKCORR_OCR_RESULT_TEXT | (excluded ? RKCORR_OCR_RESULT_EXCLUDED : 0));
    out.left = WORD(r.box.left), out.top = WORD(r.box.top);
    out.right = WORD(r.box.right), out.bottom = WORD(r.box.bottom);
    for (const Line& l : r.lines) {
        rkpage::Line line;
        for (const Char& c : l.chars) line.chars.push_back(ToChar(c));
        line.chars.push_back(Control(RKCORR_OCR_CODE_LINEFEED));
        out.lines.push_back(std::move(line));
    }
    return out;
}

// A cell's chain holds its lines separated by carriage returns and closed by
// a line feed.
rkpage::Region TableOf(const Table& t) {
    rkpage::Region out;
    out.layout = rkpage::Layout::Table;
    out.flags = WORD(RKCORR_OCR_RESULT_HEAD | RKCORR_OCR_RESULT_TABLE);
    out.left = WORD(t.box.left), out.top = WORD(t.box.top);
    out.right = WORD(t.box.right), out.bottom = WORD(t.box.bottom);
    out.sizeX = t.sizeX, out.sizeY = t.sizeY;
    for (const Cell& c : t.cells) {
        rkpage::Cell cell{WORD(c.box.left), WORD(c.box.top), WORD(c.box.right), WORD(c.box.bottom)};
        cell.indexX = c.indexX, cell.indexY = c.indexY, cell.mergeX = c.mergeX, cell.mergeY = c.mergeY;
        for (size_t i = 0; i < c.lines.size(); ++i) {
            if (i > 0) cell.chars.push_back(Control(RKCORR_OCR_CODE_RETURN));
            for (const Char& ch : c.lines[i].chars) cell.chars.push_back(ToChar(ch));
        }
        cell.chars.push_back(Control(RKCORR_OCR_CODE_LINEFEED));
        out.cells.push_back(std::move(cell));
    }
    return out;
}

// The regions in page order: top to bottom, then left to right.
std::vector<rkpage::Region> RegionsOf(const Recognition& rec) {
    std::vector<rkpage::Region> out;
    for (const TextRegion& r : rec.regions) out.push_back(TextOf(r, false));
    for (const TextRegion& r : rec.excluded) out.push_back(TextOf(r, true));
    for (const Table& t : rec.tables) out.push_back(TableOf(t));
    std::stable_sort(out.begin(), out.end(), [](const rkpage::Region& a, const rkpage::Region& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    return out;
}

}  // namespace

size_t DetailRecordCount(const Recognition& rec) {
    size_t n = 1;  // record 0 is never used
    auto text = [&n](const TextRegion& r) {
        n += r.lines.size();  // the head's and each further line's rectangle
        for (const Line& l : r.lines) n += l.chars.size() + 1;
    };
    for (const TextRegion& r : rec.regions) text(r);
    for (const TextRegion& r : rec.excluded) text(r);
    for (const Table& t : rec.tables)
        for (const Cell& c : t.cells) {
            n += 1 + std::max<size_t>(c.lines.size(), 1);  // the cell, its returns and line feed
            for (const Line& l : c.lines) n += l.chars.size();
        }
    return n;
}

std::string RestorePage(const PageImage& page, const Recognition& rec, bool bw, RestoreOutcome& out) {
    if (size_t n = DetailRecordCount(rec); n > 65535)
        return "the recognition needs " + std::to_string(n) + " detail records, more than 65535";
    try {
        rkpage::PageDesc desc;
        desc.width = page.width;
        desc.height = page.height;
        desc.pageBits = page.bw;
        desc.pageLineBytes = page.bwLineBytes;
        desc.dibBlock = page.dib;
        desc.format = page.kind == PageKind::Bilevel ? rkpage::Format::Bilevel : rkpage::Format::Rgb24;
        desc.bwFlag = bw ? 1 : 0;
        desc.xdpi = WORD(page.xDpi);
        desc.ydpi = WORD(page.yDpi);
        desc.regions = RegionsOf(rec);
        for (const Box& a : rec.engineAreas)
            desc.areas.push_back(tagIMGAREAREC{WORD(a.left), WORD(a.right), WORD(a.top), WORD(a.bottom)});
        desc.areaRecords = std::max<unsigned>(RKCORR_OCR_MAX_IMGAREA, unsigned(rec.engineAreas.size()));
        rkpage::PageBlocks blocks(desc);
        auto t0 = std::chrono::steady_clock::now();
        out.result = ImgRestoration(blocks.arg());
        out.milliseconds =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        out.areas.clear();
        for (const tagIMGAREAREC& a : blocks.areas())
            out.areas.push_back(Box{a.wLeft, a.wTop, a.wRight, a.wBottom});
        return {};
    } catch (const std::length_error&) {
        return "the recognition has more than 65535 records";
    } catch (const std::bad_alloc&) {
        return "out of memory laying out the page";
    } catch (const std::exception& e) {
        return std::string("cannot lay out the page: ") + e.what();
    }
}

}  // namespace rkcli
