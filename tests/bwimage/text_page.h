// A rendered text-like page: lines of words of stroke-built glyphs, i-dots,
// punctuation, a ruled line, a framed box and scattered specks, as a scanned
// page at 300 dots per inch shows them.
#ifndef RKCORR_TESTS_TEXT_PAGE_H
#define RKCORR_TESTS_TEXT_PAGE_H

#include <cmath>
#include <cstdlib>
#include <random>

#include "support/test_dib.h"

using BWBuffer = rktest::TestDib;

inline void DrawStroke(BWBuffer& b, int x0, int y0, int x1, int y1, int thick) {
    const int n = std::abs(x1 - x0) > std::abs(y1 - y0) ? std::abs(x1 - x0) : std::abs(y1 - y0);
    for (int i = 0; i <= n; ++i) {
        const int x = n ? x0 + (x1 - x0) * i / n : x0;
        const int y = n ? y0 + (y1 - y0) * i / n : y0;
        b.fillRect(x, y, x + thick - 1, y + thick - 1);
    }
}

// One glyph in the box (x, base - height) to (x + width - 1, base).
inline void DrawGlyph(BWBuffer& b, std::mt19937& rng, int x, int base, int width, int height, int thick) {
    const int top = base - height + 1;
    switch (rng() % 7) {
        case 0:  // l, I
            DrawStroke(b, x + width / 2, top, x + width / 2, base - thick + 1, thick);
            break;
        case 1:  // i: a stem and a separate dot
            DrawStroke(b, x + width / 2, top + height / 3, x + width / 2, base - thick + 1, thick);
            b.fillRect(x + width / 2, top, x + width / 2 + thick - 1, top + thick - 1);
            break;
        case 2:  // o: a ring
            for (int t = 0; t < 64; ++t) {
                const double a = t * 6.2831853 / 64;
                const int cx = x + width / 2 + static_cast<int>((width / 2 - thick) * std::cos(a));
                const int cy = top + height / 2 + static_cast<int>((height / 2 - thick) * std::sin(a));
                b.fillRect(cx, cy, cx + thick - 1, cy + thick - 1);
            }
            break;
        case 3:  // v, w: diagonals meeting at the bottom
            DrawStroke(b, x, top, x + width / 2, base - thick + 1, thick);
            DrawStroke(b, x + width / 2, base - thick + 1, x + width - thick, top, thick);
            break;
        case 4:  // n, m, u: stems joined at the top or the bottom only
            DrawStroke(b, x, top, x, base - thick + 1, thick);
            DrawStroke(b, x + width - thick, top + thick, x + width - thick, base - thick + 1, thick);
            DrawStroke(b, x, top, x + width - thick, top, thick);
            break;
        case 5:  // T, E-like: bars
            DrawStroke(b, x, top, x + width - thick, top, thick);
            DrawStroke(b, x + width / 2, top, x + width / 2, base - thick + 1, thick);
            if (rng() % 2) DrawStroke(b, x, base - thick + 1, x + width - thick, base - thick + 1, thick);
            break;
        default:  // punctuation: a small dot or a comma of two pixels
            if (rng() % 2)
                b.fillRect(x + width / 2, base - thick + 1, x + width / 2 + thick - 1, base);
            else {
                b.set(x + width / 2, base);
                b.set(x + width / 2 + 1, base + 1);
            }
            break;
    }
}

inline BWBuffer MakeTextPage(int width, int height, unsigned seed, bool topDown = false) {
    std::mt19937 rng(seed);
    BWBuffer b(width, height, topDown);
    const int margin = width / 16;
    const int lineStep = height / 70 > 12 ? height / 70 : 12;
    const int glyphH = lineStep * 3 / 5;
    const int thick = glyphH / 10 > 1 ? glyphH / 10 : 1;
    for (int base = margin + glyphH; base + lineStep < height - margin; base += lineStep) {
        int x = margin + static_cast<int>(rng() % 8);
        const int lineEnd = width - margin - static_cast<int>(rng() % (width / 5 + 1));
        while (x < lineEnd) {
            const int letters = 1 + static_cast<int>(rng() % 9);
            for (int k = 0; k < letters && x < lineEnd; ++k) {
                const int gw = glyphH / 2 + static_cast<int>(rng() % (glyphH / 2 + 1));
                const int gh = rng() % 4 ? glyphH * 2 / 3 : glyphH;
                DrawGlyph(b, rng, x, base, gw, gh, thick);
                x += gw + 1 + static_cast<int>(rng() % (thick + 2));
            }
            x += glyphH / 2 + static_cast<int>(rng() % (glyphH / 2 + 1));
        }
    }
    // A ruled line and a framed box.
    DrawStroke(b, margin, height - margin / 2, width - margin, height - margin / 2, thick);
    for (int i = 0; i < thick; ++i) {
        const int l = width / 2 + i, t = margin / 3 + i, r = width - margin - i, bo = margin - 2 - i;
        if (bo <= t) break;
        DrawStroke(b, l, t, r, t, 1);
        DrawStroke(b, l, bo, r, bo, 1);
        DrawStroke(b, l, t, l, bo, 1);
        DrawStroke(b, r, t, r, bo, 1);
    }
    // Specks: single pixels and pairs touching at a corner.
    const int specks = width * height / 20000 + 3;
    for (int i = 0; i < specks; ++i) {
        const int x = static_cast<int>(rng() % (width - 1)), y = static_cast<int>(rng() % (height - 1));
        b.set(x, y);
        if (i % 3 == 0) b.set(x + 1, y + 1);
    }
    return b;
}

#endif
