// A rendered text-like page: lines of words of stroke-built glyphs (stems,
// i-dots, rings, diagonals, bars, punctuation), a ruled line and scattered
// specks, as a scanned page at 300 dots per inch shows them: the benchmarks'
// page.
#ifndef RKCORR_BENCH_TEXT_PAGE_H
#define RKCORR_BENCH_TEXT_PAGE_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "support/test_dib.h"

using BWBuffer = rktest::TestDib;

// Reduction by 2: a pixel is black when any of its four source pixels is.
inline BWBuffer Reduce2(const BWBuffer& b) {
    BWBuffer r((b.w + 1) / 2, (b.h + 1) / 2, b.topDown);
    for (int y = 0; y < b.h; ++y)
        for (int x = 0; x < b.w; ++x)
            if (b.get(x, y)) r.set(x / 2, y / 2);
    return r;
}

inline void DrawStroke(BWBuffer& b, int x0, int y0, int x1, int y1, int thick) {
    const int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= n; ++i) {
        const int x = n ? x0 + (x1 - x0) * i / n : x0, y = n ? y0 + (y1 - y0) * i / n : y0;
        b.fillRect(x, y, x + thick - 1, y + thick - 1);
    }
}

// One glyph in the box (x, base - height + 1) to (x + width - 1, base).
inline void DrawGlyph(BWBuffer& b, std::mt19937& rng, int x, int base, int width, int height, int t) {
    const int top = base - height + 1, mid = x + width / 2, foot = base - t + 1, right = x + width - t;
    switch (rng() % 6) {
        case 0:  // l, i: a stem, with a separate dot
            DrawStroke(b, mid, top + (rng() % 2) * height / 3, mid, foot, t);
            if (rng() % 2) b.fillRect(mid, top - 2 * t, mid + t - 1, top - t - 1);
            break;
        case 1:  // o: a ring
            for (int k = 0; k < 64; ++k) {
                const double a = k * 6.2831853 / 64;
                const int cx = mid + int((width / 2 - t) * std::cos(a)),
                          cy = top + height / 2 + int((height / 2 - t) * std::sin(a));
                b.fillRect(cx, cy, cx + t - 1, cy + t - 1);
            }
            break;
        case 2:  // v: diagonals meeting at the bottom
            DrawStroke(b, x, top, mid, foot, t);
            DrawStroke(b, mid, foot, right, top, t);
            break;
        case 3:  // n: stems joined at the top
            DrawStroke(b, x, top, x, foot, t);
            DrawStroke(b, right, top + t, right, foot, t);
            DrawStroke(b, x, top, right, top, t);
            break;
        case 4:  // T, I: bars
            DrawStroke(b, x, top, right, top, t);
            DrawStroke(b, mid, top, mid, foot, t);
            if (rng() % 2) DrawStroke(b, x, foot, right, foot, t);
            break;
        default:  // punctuation: a dot, or a comma of two pixels touching at a corner
            if (rng() % 2)
                b.fillRect(mid, foot, mid + t - 1, base);
            else
                b.set(mid, base), b.set(mid + 1, base + 1);
    }
}

inline BWBuffer MakeTextPage(int width, int height, unsigned seed, bool topDown = false) {
    std::mt19937 rng(seed);
    BWBuffer b(width, height, topDown);
    const int margin = width / 16, lineStep = std::max(height / 70, 12), glyphH = lineStep * 3 / 5;
    const int thick = std::max(glyphH / 10, 1);
    for (int base = margin + glyphH; base + lineStep < height - margin; base += lineStep) {
        const int lineEnd = width - margin - int(rng() % (width / 5 + 1));
        for (int x = margin + int(rng() % 8); x < lineEnd; x += glyphH / 2 + int(rng() % (glyphH / 2 + 1)))
            for (int k = 1 + rng() % 9; k > 0 && x < lineEnd; --k) {  // a word
                const int gw = glyphH / 2 + int(rng() % (glyphH / 2 + 1));
                DrawGlyph(b, rng, x, base, gw, rng() % 4 ? glyphH * 2 / 3 : glyphH, thick);
                x += gw + 1 + int(rng() % (thick + 2));
            }
    }
    DrawStroke(b, margin, height - margin / 2, width - margin, height - margin / 2, thick);
    for (int i = 0; i < width * height / 20000 + 3; ++i) {  // specks
        const int x = int(rng() % (width - 1)), y = int(rng() % (height - 1));
        b.set(x, y);
        if (i % 3 == 0) b.set(x + 1, y + 1);
    }
    return b;
}

#endif
