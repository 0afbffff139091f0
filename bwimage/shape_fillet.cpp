// CRkBWImage: shrinking rectangles to their black content (FilletLine,
// FilletRect, FilletRect2) and run-length projections (Projection).
#include <string.h>

#include <vector>

#include "rkcorr/bwimage.h"

typedef TRkImgRect<unsigned short> Rect;

BOOL CRkBWImage::FilletLine(const BYTE* row, int& left, int& right) const {
    for (int x = left; x <= right; ++x) {
        if (!IsBlack(row, static_cast<WORD>(x))) continue;
        int last = right;
        while (last > x && !IsBlack(row, static_cast<WORD>(last))) --last;
        left = x;
        right = last;
        return TRUE;
    }
    return FALSE;
}

// The first and last rows with a black pixel give top and bottom; one OR of
// the bytes of the rows between them gives the columns. A row holds at most
// 65536 / 8 bytes, so the OR fits a fixed buffer and nothing is allocated.
BOOL CRkBWImage::FilletRect(Rect& rect) {
    const int top = rect.top, bottom = rect.bottom;
    int first = top;
    for (;; ++first) {
        if (first > bottom) return FALSE;
        int l = rect.left, r = rect.right;
        if (FilletLine(GetLineData(static_cast<UINT>(first)), l, r)) break;
    }
    int last = bottom;
    for (; last > first; --last) {
        int l = rect.left, r = rect.right;
        if (FilletLine(GetLineData(static_cast<UINT>(last)), l, r)) break;
    }
    const int a = rect.left >> 3, b = rect.right >> 3;
    BYTE merged[65536 / 8];
    memcpy(merged, GetLineData(static_cast<UINT>(first)) + a, static_cast<size_t>(b - a + 1));
    for (int y = first + 1; y <= last; ++y) {
        const BYTE* row = GetLineData(static_cast<UINT>(y)) + a;
        for (int k = 0; k <= b - a; ++k) merged[k] |= row[k];
    }
    int l = rect.left - 8 * a, r = rect.right - 8 * a;
    FilletLine(merged, l, r);
    rect.bottom = static_cast<unsigned short>(last);
    rect.left = static_cast<unsigned short>(l + 8 * a);
    rect.right = static_cast<unsigned short>(r + 8 * a);
    rect.top = static_cast<unsigned short>(first);
    return TRUE;
}

namespace {

// One side of FilletRect2: lines 0, 1, ... inward from the side, count(i) the
// black pixels of line i. trim is the first line holding black; cut skips a
// leading speck (at most three lines of at most three pixels) that an empty
// line parts from more black lines, and otherwise equals trim.
template <class Count>
void ScanSide(int lines, Count count, int& trim, int& cut) {
    trim = cut = 0;
    bool started = false, gap = false;
    int counter = 0;
    for (int i = 0; i < lines; ++i) {
        const int c = count(i);
        if (c == 0) {
            if (started) gap = true;
            continue;
        }
        if (gap) {
            cut = i;
            return;
        }
        if (started) {
            if (counter > 2 || c > 3) return;
            ++counter;
            continue;
        }
        trim = cut = i;
        if (c > 3) return;
        counter = 1;
        started = true;
    }
}

}  // namespace

void CRkBWImage::FilletRect2(Rect& rect) {
    Rect r = rect;
    const int width = r.GetWidth(), height = r.GetHeight();
    if (width > 255 || height > 255) return;
    auto rowCount = [&](int y) {
        int n = 0;
        for (int x = r.left; x <= r.right; ++x)
            n += IsBlack(static_cast<WORD>(x), static_cast<WORD>(y)) ? 1 : 0;
        return n;
    };
    auto columnCount = [&](int x) {
        int n = 0;
        for (int y = r.top; y <= r.bottom; ++y)
            n += IsBlack(static_cast<WORD>(x), static_cast<WORD>(y)) ? 1 : 0;
        return n;
    };
    int topTrim, topCut, bottomTrim, bottomCut, leftTrim, leftCut, rightTrim, rightCut;
    // Both sides of one direction, from lo upward and from hi downward; across
    // fewer than 4 pixels nothing is cut beyond the trim.
    auto scanPair = [&](int n, int across, auto count, int lo, int hi, int& loTrim, int& loCut, int& hiTrim,
                        int& hiCut) {
        ScanSide(
            n, [&](int i) { return count(lo + i); }, loTrim, loCut);
        ScanSide(
            n, [&](int i) { return count(hi - i); }, hiTrim, hiCut);
        if (across < 4) {
            loCut = loTrim;
            hiCut = hiTrim;
        }
    };
    scanPair(height, width, rowCount, r.top, r.bottom, topTrim, topCut, bottomTrim, bottomCut);
    scanPair(width, height, columnCount, r.left, r.right, leftTrim, leftCut, rightTrim, rightCut);
    const int width8 = (width + 7) / 8 * 8;
    auto move = [](unsigned short& lo, unsigned short& hi, int byLo, int byHi) {
        lo = static_cast<unsigned short>(lo + byLo);
        hi = static_cast<unsigned short>(hi - byHi);
    };
    if (leftCut + rightCut < width8 && topCut + bottomCut < height) {
        move(r.left, r.right, leftCut, rightCut);
        move(r.top, r.bottom, topCut, bottomCut);
    } else {
        if (leftTrim + rightTrim < width8) move(r.left, r.right, leftTrim, rightTrim);
        if (topTrim + bottomTrim < height) move(r.top, r.bottom, topTrim, bottomTrim);
    }
    if (r.left > r.right) {
        r.left = rect.left;
        r.right = rect.right;
    }
    if (r.top > r.bottom) {
        r.top = rect.top;
        r.bottom = rect.bottom;
    }
    if (r.left > rect.left) rect.left = r.left;
    if (r.right < rect.right) rect.right = r.right;
    if (r.top > rect.top) rect.top = r.top;
    if (r.bottom < rect.bottom) rect.bottom = r.bottom;
}

void CRkBWImage::Projection(std::vector<unsigned short>& histogram, Rect rect, int horizontal, WORD minLength,
                            int black) {
    histogram.clear();
    try {
        std::vector<TRkImgRan<unsigned short>> runs;
        const bool rows = horizontal != 0;
        const UINT first = rows ? rect.top : rect.left, last = rows ? rect.bottom : rect.right;
        const WORD from = rows ? rect.left : rect.top, to = rows ? rect.right : rect.bottom;
        histogram.assign(static_cast<size_t>(last - first + 1), 0);
        for (UINT line = first; line <= last; ++line) {
            RanExtract(runs, static_cast<WORD>(line), from, to, rows ? 1 : 0, black, 0);
            unsigned short& total = histogram[line - first];
            for (const TRkImgRan<unsigned short>& run : runs)
                if (run.GetLength() >= minLength)
                    total = static_cast<unsigned short>(total + run.GetLength());
        }
    } catch (...) {
        histogram.clear();
    }
}
