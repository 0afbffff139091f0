// The tool's own picture areas: ink not read as confident text, joined into blocks.
#include "cli/picture_finder.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>

namespace rkcli {
namespace {

// Lines of fewer characters are labels: a chart's numbers, a drawing's names.
constexpr size_t kLabelLength = 6;

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

// Blank paper between two boxes: the larger of the gaps across and down.
uint32_t Gap(const Box& a, const Box& b) {
    const uint32_t across = std::max(a.left, b.left) > std::min(a.right, b.right)
                                ? std::max(a.left, b.left) - std::min(a.right, b.right) - 1
                                : 0;
    const uint32_t down = std::max(a.top, b.top) > std::min(a.bottom, b.bottom)
                              ? std::max(a.top, b.top) - std::min(a.bottom, b.bottom) - 1
                              : 0;
    return std::max(across, down);
}

bool Same(const Box& a, const Box& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Counts of points in any rectangle, from the sums of all rectangles that
// start at the grid's corner. Large pages are counted in cells of 2, 4, ...
// pixels (at most 4 M cells); a rectangle then counts the cells it touches.
class PointCount {
public:
    PointCount(uint32_t width, uint32_t height) {
        while ((size_t(width >> shift_) + 2) * ((height >> shift_) + 2) > (size_t(1) << 22)) ++shift_;
        w_ = (width >> shift_) + 2;
        sum_.assign(w_ * ((height >> shift_) + 2), 0);
    }
    void Add(uint32_t x, uint32_t y) { ++sum_[((y >> shift_) + 1) * w_ + (x >> shift_) + 1]; }
    void Finish() {
        for (size_t y = 1; y < sum_.size() / w_; ++y)
            for (size_t x = 1; x < w_; ++x)
                sum_[y * w_ + x] +=
                    sum_[y * w_ + x - 1] + sum_[(y - 1) * w_ + x] - sum_[(y - 1) * w_ + x - 1];
    }
    uint32_t In(const Box& b) const {
        const size_t l = b.left >> shift_, t = b.top >> shift_, r = (b.right >> shift_) + 1,
                     d = (b.bottom >> shift_) + 1;
        return sum_[d * w_ + r] - sum_[t * w_ + r] - sum_[d * w_ + l] + sum_[t * w_ + l];
    }

private:
    unsigned shift_ = 0;
    size_t w_ = 0;
    std::vector<uint32_t> sum_;
};

// Lines of more characters are not labels.
constexpr size_t kLongLine = 12;

// Whether a short line closes a paragraph: a long line of its region lies
// over it, at most two line heights above.
bool EndsParagraph(const Line& line, const TextRegion& region) {
    const uint32_t height = line.box.bottom - line.box.top + 1;
    for (const Line& l : region.lines)
        if (l.chars.size() > kLongLine && l.box.top < line.box.top &&
            line.box.top - l.box.top <= 2 * height && l.box.left <= line.box.right &&
            line.box.left <= l.box.right)
            return true;
    return false;
}

// The box around the boxes of `parts` (at least one).
template <class T>
Box Around(const std::vector<T>& parts) {
    Box b = parts[0].box;
    for (const T& p : parts) b = Union(b, p.box);
    return b;
}

}  // namespace

double TextHeight(const Recognition& rec) {
    std::vector<uint32_t> heights;
    for (const TextRegion& r : rec.regions)
        for (const Line& l : r.lines)
            if (l.chars.size() > 1)
                for (const Char& c : l.chars)
                    if (c.dist <= kSureTextDistance) heights.push_back(c.box.bottom - c.box.top + 1);
    if (heights.empty()) return 0;
    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
    return heights[heights.size() / 2];
}

bool SureText(const Char& c, size_t lineLength, double textHeight) {
    if (c.dist > kSureTextDistance || lineLength < 2) return false;
    const double most = 2.5 * textHeight;
    return textHeight <= 0 || (c.box.right - c.box.left + 1 <= most && c.box.bottom - c.box.top + 1 <= most);
}

std::vector<Box> FindPictureAreas(const PageImage& page, const Recognition& rec) {
    std::vector<Box> out;
    if (page.bw.empty() || page.width < 16 || page.height < 16) return out;
    PixPtr ink = BitsPix(page);
    if (!ink) return out;
    // Sure text is cleared from the ink; the centres (at half resolution) of
    // its lines longer than labels keep pieces of a picture from joining
    // across text.
    const double textHeight = TextHeight(rec);
    const uint32_t halfW = (page.width + 1) / 2, halfH = (page.height + 1) / 2;
    PointCount text(halfW, halfH);
    for (const TextRegion& r : rec.regions)
        for (const Line& l : r.lines)
            for (const Char& c : l.chars)
                if (SureText(c, l.chars.size(), textHeight)) {
                    ClearBox(ink.get(), c.box);
                    if (l.chars.size() >= kLabelLength)
                        text.Add(std::min((c.box.left + c.box.right) / 4, halfW - 1),
                                 std::min((c.box.top + c.box.bottom) / 4, halfH - 1));
                }
    text.Finish();
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
    // A rule standing alone (a running head's, a column's) is no part of a
    // picture it passes close to.
    PixPtr blocks(pixCopy(nullptr, clean.get()));
    if (!blocks) return out;
    if (BOXA* parts = pixConnCompBB(clean.get(), 8)) {
        for (int i = 0; i < boxaGetCount(parts); ++i) {
            l_int32 x, y, w, h;
            boxaGetBoxGeometry(parts, i, &x, &y, &w, &h);
            if (std::max(w, h) >= length && std::min(w, h) <= thick)
                ClearBox(blocks.get(),
                         Box{uint32_t(x), uint32_t(y), uint32_t(x + w - 1), uint32_t(y + h - 1)});
        }
        boxaDestroy(&parts);
    }
    // Half resolution (a pixel is ink when any of its four is), then blocks
    // of ink closer than 4 mm join.
    PixPtr half(pixReduceRankBinary2(blocks.get(), 1, nullptr));
    if (!half || !lines) return out;
    const int gap = std::max(3, int(2 * mm)) | 1;
    PixPtr closed(pixCloseSafeBrick(nullptr, half.get(), gap, gap));
    if (!closed) return out;
    BOXA* boxes = pixConnCompBB(closed.get(), 8);
    std::vector<Box> pieces;
    for (int i = 0; boxes && i < boxaGetCount(boxes); ++i) {
        l_int32 x, y, w, h;
        boxaGetBoxGeometry(boxes, i, &x, &y, &w, &h);
        pieces.push_back(Box{uint32_t(x), uint32_t(y), uint32_t(x + w - 1), uint32_t(y + h - 1)});
    }
    boxaDestroy(&boxes);
    // The strokes of a line drawing lie apart: pieces up to 8 mm apart join
    // while the box they make holds no text but labels and no column gutter
    // parts them (text on both sides of the gap, none across it, within 30 mm
    // above or below).
    const uint32_t apart = uint32_t(8 * mm / 2);
    std::vector<Box> textLines;
    for (const TextRegion& r : rec.regions)
        for (const Line& l : r.lines)
            if (l.chars.size() >= kLabelLength) textLines.push_back(l.box);
    const uint32_t band = uint32_t(30 * mm);
    auto Gutter = [&](const Box& a, const Box& b) {
        if (a.right >= b.left && b.right >= a.left) return false;  // one over the other
        const uint32_t g0 = 2 * std::min(a.right, b.right) + 2, g1 = 2 * std::max(a.left, b.left) - 1;
        const uint32_t top = 2 * std::min(a.top, b.top), bottom = 2 * std::max(a.bottom, b.bottom) + 1;
        bool left = false, right = false;
        for (const Box& l : textLines) {
            if (l.bottom + band < top || l.top > bottom + band) continue;
            if (l.right < g0)
                left = true;
            else if (l.left > g1)
                right = true;
            else
                return false;  // text runs across
        }
        return left && right;
    };
    for (bool joined = true; joined;) {
        joined = false;
        for (size_t i = 0; i < pieces.size(); ++i)
            for (size_t j = i + 1; j < pieces.size(); ++j) {
                if (Gap(pieces[i], pieces[j]) > apart) continue;
                const Box u = Union(pieces[i], pieces[j]);
                // A piece inside another's box is part of it (a chart's plot
                // in its frame, under its title).
                const bool inside = Same(u, pieces[i]) || Same(u, pieces[j]);
                if (!inside && (text.In(u) != 0 || Gutter(pieces[i], pieces[j]))) continue;
                pieces[i] = u;
                pieces.erase(pieces.begin() + long(j));
                j = i;
                joined = true;
            }
    }
    const uint32_t least = uint32_t(15 * mm / 2);
    for (const Box& p : pieces) {
        if (p.right - p.left + 1 < least || p.bottom - p.top + 1 < least) continue;
        BOX* full = boxCreate(int(2 * p.left), int(2 * p.top), int(2 * (p.right - p.left + 1)),
                              int(2 * (p.bottom - p.top + 1)));
        l_int32 inkCount = 0, lineCount = 0;
        pixCountPixelsInRect(clean.get(), full, &inkCount, nullptr);
        pixCountPixelsInRect(lines.get(), full, &lineCount, nullptr);
        boxDestroy(&full);
        // Mostly rules with a line of text between them is a ruled table; a
        // drawing of boxes and lines holds no more than its labels.
        const Box whole{2 * p.left, 2 * p.top, 2 * p.right + 1, 2 * p.bottom + 1};
        const bool holdsText = std::any_of(textLines.begin(), textLines.end(), [&](const Box& l) {
            const uint32_t x = (l.left + l.right) / 2, y = (l.top + l.bottom) / 2;
            return x >= whole.left && x <= whole.right && y >= whole.top && y <= whole.bottom;
        });
        if (inkCount == 0 || (lineCount > 0.7 * inkCount && holdsText)) continue;
        Box b{2 * p.left, 2 * p.top, std::min(2 * p.right + 1, page.width - 1),
              std::min(2 * p.bottom + 1, page.height - 1)};
        // Short lines of text at the block's edge are its labels (a chart's
        // axis numbers and title, a drawing's names); the short last line of
        // a paragraph, right under a long one, is not.
        const uint32_t reach = uint32_t(3 * mm);
        for (bool grew = true; grew;) {
            grew = false;
            for (const TextRegion& r : rec.regions) {
                for (const Line& l : r.lines) {
                    if (l.chars.size() > kLongLine || EndsParagraph(l, r)) continue;
                    const Box& lb = l.box;
                    if (lb.left > b.right + reach || lb.right + reach < b.left || lb.top > b.bottom + reach ||
                        lb.bottom + reach < b.top)
                        continue;
                    Box u = Union(b, lb);
                    if (text.In(Box{u.left / 2, u.top / 2, u.right / 2, u.bottom / 2}) >
                        text.In(Box{b.left / 2, b.top / 2, b.right / 2, b.bottom / 2}))
                        continue;
                    if (!Same(u, b)) {
                        b = u;
                        grew = true;
                    }
                }
            }
        }
        out.push_back(b);
    }
    return out;
}

void DropPictureNoise(Recognition& rec, const std::vector<Box>& areas) {
    if (areas.empty()) return;
    const double textHeight = TextHeight(rec);
    std::vector<TextRegion> kept;
    for (TextRegion& r : rec.regions) {
        std::vector<Line> lines;
        for (Line& l : r.lines) {
            std::vector<Char> chars;
            for (const Char& c : l.chars)
                if (SureText(c, l.chars.size(), textHeight) || !Inside(c, areas)) chars.push_back(c);
            if (chars.empty()) continue;
            if (chars.size() != l.chars.size()) l.box = Around(chars);
            l.chars = std::move(chars);
            lines.push_back(std::move(l));
        }
        if (lines.empty()) continue;
        if (lines.size() != r.lines.size()) r.box = Around(lines);
        r.lines = std::move(lines);
        kept.push_back(std::move(r));
    }
    rec.regions = std::move(kept);
}

void HandPictures(const PageImage& page, Recognition& rec) {
    // The recogniser's own picture areas that take in lines of sure text (a
    // caption, the next column) are left out: the areas found cover the
    // picture instead.
    const double textHeight = TextHeight(rec);
    std::vector<Box> own;
    for (const Box& a : rec.engineAreas) {
        size_t text = 0;
        for (const TextRegion& r : rec.regions)
            for (const Line& l : r.lines)
                if (l.chars.size() >= kLabelLength)
                    for (const Char& c : l.chars)
                        if (SureText(c, l.chars.size(), textHeight) && Inside(c, {a})) ++text;
        if (text < kLabelLength) own.push_back(a);
    }
    std::vector<Box> found = FindPictureAreas(page, rec);
    // Nor are those that overlap an area found: that one, drawn from the ink
    // around the text, covers the picture (the recogniser's block may run on
    // across a column gap or a caption).
    rec.engineAreas.clear();
    for (const Box& a : own)
        if (std::none_of(found.begin(), found.end(), [&a](const Box& f) {
                return f.left <= a.right && a.left <= f.right && f.top <= a.bottom && a.top <= f.bottom;
            }))
            rec.engineAreas.push_back(a);
    DropPictureNoise(rec, found);
    rec.engineAreas.insert(rec.engineAreas.end(), found.begin(), found.end());
}

}  // namespace rkcli
