// The tool's own picture areas: ink not read as confident text, joined into blocks.
#include "cli/picture_finder.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>

namespace rkcli {
namespace {

// The page bits as a Leptonica 1 bpp image (1 is ink in both).
PixPtr BitsPix(const PageImage& page) {
    PixPtr pix(pixCreate(int(page.width), int(page.height), 1));
    if (!pix) return pix;
    l_uint32* data = pixGetData(pix.get());
    const uint32_t wpl = pixGetWpl(pix.get());
    for (uint32_t y = 0; y < page.height; ++y) {
        const uint8_t* in = page.bw.data() + size_t(y) * page.bwLineBytes;
        l_uint32* row = data + size_t(y) * wpl;
        for (uint32_t k = 0; k < page.bwLineBytes; ++k) row[k / 4] |= l_uint32(in[k]) << (24 - 8 * (k % 4));
    }
    return pix;
}

void ClearBox(Pix* pix, const Box& b) {
    BOX* box = boxCreate(int(b.left), int(b.top), int(b.right - b.left + 1), int(b.bottom - b.top + 1));
    pixClearInRect(pix, box);
    boxDestroy(&box);
}

// Thin lines `length` long or longer in one direction, at most `thick` across.
PixPtr ThinLines(Pix* ink, int length, int thick, bool horizontal) {
    const int w = horizontal ? length : 1, h = horizontal ? 1 : length;
    PixPtr lines(pixOpenBrick(nullptr, ink, w, h));
    PixPtr solid(pixOpenBrick(nullptr, ink, horizontal ? length : thick, horizontal ? thick : length));
    if (lines && solid) pixSubtract(lines.get(), lines.get(), solid.get());
    return lines;
}

bool Inside(const Char& c, const std::vector<Box>& areas) {
    const uint32_t x = (c.box.left + c.box.right) / 2, y = (c.box.top + c.box.bottom) / 2;
    for (const Box& a : areas)
        if (x >= a.left && x <= a.right && y >= a.top && y <= a.bottom) return true;
    return false;
}

Box Union(const Box& a, const Box& b) {
    return Box{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
               std::max(a.bottom, b.bottom)};
}

}  // namespace

std::vector<Box> FindPictureAreas(const PageImage& page, const Recognition& rec) {
    std::vector<Box> out;
    if (page.bw.empty() || page.width < 16 || page.height < 16) return out;
    PixPtr ink = BitsPix(page);
    if (!ink) return out;
    for (const TextRegion& r : rec.regions)
        for (const Line& l : r.lines)
            for (const Char& c : l.chars)
                if (c.dist <= kSureTextDistance) ClearBox(ink.get(), c.box);
    const double mm = std::max<uint32_t>(std::min(page.xDpi, page.yDpi), 50) / 25.4;
    // Specks (under 1.5 mm each way) are dust, not pictures.
    const int speck = std::max(2, int(1.5 * mm));
    PixPtr clean(pixSelectBySize(ink.get(), speck, speck, 8, L_SELECT_IF_EITHER, L_SELECT_IF_GTE, nullptr));
    if (!clean) return out;
    // Thin straight lines, to tell rules and ruled tables from pictures.
    const int length = int(10 * mm), thick = std::max(3, int(std::lround(mm)));
    PixPtr lines(pixCreateTemplate(clean.get()));
    for (bool horizontal : {true, false}) {
        PixPtr l = ThinLines(clean.get(), length, thick, horizontal);
        if (l && lines) pixOr(lines.get(), lines.get(), l.get());
    }
    // Half resolution (a pixel is ink when any of its four is), then blocks
    // of ink closer than 4 mm join.
    PixPtr half(pixReduceRankBinary2(clean.get(), 1, nullptr));
    if (!half || !lines) return out;
    const int gap = std::max(3, int(2 * mm)) | 1;
    PixPtr closed(pixCloseSafeBrick(nullptr, half.get(), gap, gap));
    if (!closed) return out;
    BOXA* boxes = pixConnCompBB(closed.get(), 8);
    const int least = int(15 * mm / 2);
    for (int i = 0; boxes && i < boxaGetCount(boxes); ++i) {
        l_int32 x, y, w, h;
        boxaGetBoxGeometry(boxes, i, &x, &y, &w, &h);
        if (w < least || h < least) continue;
        BOX* full = boxCreate(2 * x, 2 * y, 2 * w, 2 * h);
        l_int32 inkCount = 0, lineCount = 0;
        pixCountPixelsInRect(clean.get(), full, &inkCount, nullptr);
        pixCountPixelsInRect(lines.get(), full, &lineCount, nullptr);
        boxDestroy(&full);
        if (inkCount == 0 || lineCount > 0.7 * inkCount) continue;  // rules or a ruled table
        Box b{uint32_t(2 * x), uint32_t(2 * y), uint32_t(std::min<int>(2 * (x + w) - 1, int(page.width) - 1)),
              uint32_t(std::min<int>(2 * (y + h) - 1, int(page.height) - 1))};
        // Short lines of text at the block's edge are its labels (a chart's
        // axis numbers and title, a drawing's names).
        const uint32_t reach = uint32_t(3 * mm);
        for (bool grew = true; grew;) {
            grew = false;
            for (const TextRegion& r : rec.regions)
                for (const Line& l : r.lines) {
                    if (l.chars.size() > 12) continue;
                    const Box& lb = l.box;
                    if (lb.left > b.right + reach || lb.right + reach < b.left || lb.top > b.bottom + reach ||
                        lb.bottom + reach < b.top)
                        continue;
                    Box u = Union(b, lb);
                    if (u.left != b.left || u.top != b.top || u.right != b.right || u.bottom != b.bottom) {
                        b = u;
                        grew = true;
                    }
                }
        }
        out.push_back(b);
    }
    boxaDestroy(&boxes);
    return out;
}

void DropPictureNoise(Recognition& rec, const std::vector<Box>& areas) {
    if (areas.empty()) return;
    std::vector<TextRegion> kept;
    for (TextRegion& r : rec.regions) {
        std::vector<Line> lines;
        for (Line& l : r.lines) {
            std::vector<Char> chars;
            for (const Char& c : l.chars)
                if (c.dist <= kSureTextDistance || !Inside(c, areas)) chars.push_back(c);
            if (chars.empty()) continue;
            if (chars.size() != l.chars.size()) {
                l.box = chars[0].box;
                for (const Char& c : chars) l.box = Union(l.box, c.box);
            }
            l.chars = std::move(chars);
            lines.push_back(std::move(l));
        }
        if (lines.empty()) continue;
        if (lines.size() != r.lines.size() || true) {
            Box b = lines[0].box;
            for (const Line& l : lines) b = Union(b, l.box);
            if (lines.size() != r.lines.size()) r.box = b;
        }
        r.lines = std::move(lines);
        kept.push_back(std::move(r));
    }
    rec.regions = std::move(kept);
}

}  // namespace rkcli
