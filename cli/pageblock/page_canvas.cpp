// The colour canvas of a built page and the drawing of recognised regions.
#include <algorithm>

#include "pageblock/page_builder.h"

namespace rkpage {

Canvas::Canvas(unsigned width, unsigned height, Rgb background)
    : m_width(width), m_height(height), m_pixels(size_t(width) * height, background) {}

BYTE Canvas::grey(unsigned x, unsigned y) const {
    const Rgb c = at(x, y);
    return static_cast<BYTE>((unsigned(c.r) + c.g + c.b) / 3);
}

void Canvas::fill(int left, int top, int right, int bottom, Rgb c) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, int(m_width) - 1);
    bottom = std::min(bottom, int(m_height) - 1);
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) set(unsigned(x), unsigned(y), c);
}

void Canvas::frame(int left, int top, int right, int bottom, int thickness, Rgb c) {
    fill(left, top, right, top + thickness - 1, c);
    fill(left, bottom - thickness + 1, right, bottom, c);
    fill(left, top, left + thickness - 1, bottom, c);
    fill(right - thickness + 1, top, right, bottom, c);
}

Line text_line(unsigned left, unsigned top, unsigned width, unsigned height, unsigned gap, unsigned count,
               bool lineFeed) {
    Line line;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned x = left + i * (width + gap);
        line.chars.push_back(
            Char{WORD('A' + i % 26), WORD(x), WORD(top), WORD(x + width), WORD(top + height)});
    }
    if (lineFeed) {
        const unsigned x = left + count * (width + gap);
        line.chars.push_back(
            Char{WORD(RKCORR_OCR_CODE_LINEFEED), WORD(x), WORD(top), WORD(x), WORD(top + height)});
    }
    return line;
}

Region text_region(std::vector<Line> lines, WORD flags) {
    Region r;
    r.layout = Layout::Text;
    r.flags = flags;
    bool first = true;
    for (const Line& line : lines)
        for (const Char& c : line.chars) {
            if (c.code == RKCORR_OCR_CODE_LINEFEED) continue;
            if (first) {
                r.left = c.left, r.top = c.top, r.right = c.right, r.bottom = c.bottom;
                first = false;
            }
            r.left = std::min(r.left, c.left);
            r.top = std::min(r.top, c.top);
            r.right = std::max(r.right, c.right);
            r.bottom = std::max(r.bottom, c.bottom);
        }
    r.lines = std::move(lines);
    return r;
}

Region table_region(unsigned left, unsigned top, unsigned cellWidth, unsigned cellHeight, unsigned cols,
                    unsigned rows, unsigned charsPerCell, WORD flags) {
    Region r;
    r.layout = Layout::Table;
    r.flags = flags;
    r.sizeX = BYTE(cols);
    r.sizeY = BYTE(rows);
    const unsigned charH = std::min(14u, cellHeight > 8 ? cellHeight - 8 : 1u);
    const unsigned charW = std::max(1u, charH * 2 / 3);
    for (unsigned row = 0; row < rows; ++row)
        for (unsigned col = 0; col < cols; ++col) {
            Cell cell;
            cell.left = WORD(left + col * cellWidth);
            cell.top = WORD(top + row * cellHeight);
            cell.right = WORD(left + (col + 1) * cellWidth);
            cell.bottom = WORD(top + (row + 1) * cellHeight);
            cell.indexX = BYTE(col);
            cell.indexY = BYTE(row);
            const unsigned ty = cell.top + (cellHeight - charH) / 2;
            Line line = text_line(cell.left + 5, ty, charW, charH, 2, charsPerCell, true);
            cell.chars = std::move(line.chars);
            r.cells.push_back(std::move(cell));
        }
    return r;
}

namespace {

// A few strokes inside the character's box [left, right) x [top, bottom).
void draw_glyph(Canvas& canvas, const Char& c, Rgb ink) {
    if (c.code == RKCORR_OCR_CODE_LINEFEED || c.code == RKCORR_OCR_CODE_RETURN) return;
    const int l = c.left, t = c.top, r = int(c.right) - 1, b = int(c.bottom) - 1;
    if (r < l || b < t) return;
    const int stroke = std::max(1, (r - l + 1) / 5);
    canvas.fill(l, t, l + stroke - 1, b, ink);                      // stem
    canvas.fill(l, t, r, t + stroke - 1, ink);                      // top bar
    canvas.fill(l, (t + b) / 2, r, (t + b) / 2 + stroke - 1, ink);  // middle bar
    if (c.code % 2) canvas.fill(r - stroke + 1, t, r, b, ink);      // closing stem on odd codes
}

}  // namespace

void draw_regions(Canvas& canvas, const std::vector<Region>& regions, Rgb ink) {
    for (const Region& region : regions) {
        for (const Line& line : region.lines)
            for (const Char& c : line.chars) draw_glyph(canvas, c, ink);
        for (const Cell& cell : region.cells) {
            canvas.frame(cell.left, cell.top, cell.right, cell.bottom, 1, ink);
            for (const Char& c : cell.chars) draw_glyph(canvas, c, ink);
        }
    }
}

}  // namespace rkpage
