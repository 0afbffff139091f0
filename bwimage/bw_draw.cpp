// CRkBWImage: setting, clearing and inverting pixels, spans, rectangles,
// run lists and frames.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "bwimage/bw_fill.h"
#include "rkcorr/bwimage.h"

namespace {

inline BYTE PixelMask(UINT x) { return static_cast<BYTE>(0x80u >> (x & 7)); }

// Bits of a span's first byte before start, and of its last byte after end.
inline BYTE KeepLeft(WORD start) { return static_cast<BYTE>(0xFFu << (8 - (start & 7))); }
inline BYTE KeepRight(WORD end) { return static_cast<BYTE>(0xFFu >> ((end & 7) + 1)); }

// Sets (fill 0xFF) or clears (fill 0x00) the pixels start..end of a row, a
// byte at a time: masked end bytes and a byte fill between them. Most spans
// (a character's width on the page mask) are a few bytes long: those bytes
// are stored directly, in two overlapping words, rather than through a call
// to memset.
inline void FillBytes(BYTE* p, UINT n, BYTE fill) {
    if (n > 16) {
        memset(p, fill, n);
    } else if (n >= 8) {
        const uint64_t w = fill * 0x0101010101010101ull;
        memcpy(p, &w, 8);
        memcpy(p + n - 8, &w, 8);
    } else if (n >= 4) {
        const uint32_t w = fill * 0x01010101u;
        memcpy(p, &w, 4);
        memcpy(p + n - 4, &w, 4);
    } else if (n > 0) {
        p[0] = fill;
        p[n / 2] = fill;
        p[n - 1] = fill;
    }
}

void FillSpan(BYTE* row, WORD start, WORD end, BYTE fill) {
    const UINT s = start >> 3, e = end >> 3;
    const BYTE keepLeft = KeepLeft(start), keepRight = KeepRight(end);
    if (s == e) {
        const BYTE keep = keepLeft | keepRight;
        row[s] = static_cast<BYTE>((row[s] & keep) | (fill & ~keep));
        return;
    }
    row[s] = static_cast<BYTE>((row[s] & keepLeft) | (fill & ~keepLeft));
    FillBytes(row + s + 1, e - s - 1, fill);
    row[e] = static_cast<BYTE>((row[e] & keepRight) | (fill & ~keepRight));
}

// A span set or cleared: a row's bytes at once, a column pixel by pixel
// through the image's own pixel operation. An empty span changes nothing.
template <class Pixel>
void PaintSpan(CRkBWImage& image, WORD line, WORD start, WORD end, int horizontal, BYTE fill, Pixel pixel) {
    if (start > end) return;
    if (horizontal != 0) {
        FillSpan(image.GetLineData(line), start, end, fill);
        return;
    }
    for (UINT y = start; y <= end; ++y) pixel(static_cast<WORD>(y));
}

}  // namespace

// ---- single pixels -------------------------------------------------------

void CRkBWImage::Draw(WORD x, WORD y) { GetLineData(y)[x >> 3] |= PixelMask(x); }

void CRkBWImage::Erase(WORD x, WORD y) { GetLineData(y)[x >> 3] &= static_cast<BYTE>(~PixelMask(x)); }

void CRkBWImage::Reverse(WORD x, WORD y) { GetLineData(y)[x >> 3] ^= PixelMask(x); }

// ---- spans ------------------------------------------------------------------
// An empty span (start > end) changes nothing.

void CRkBWImage::Draw(WORD line, WORD start, WORD end, int horizontal) {
    PaintSpan(*this, line, start, end, horizontal, 0xFF, [&](WORD y) { Draw(line, y); });
}

void CRkBWImage::Erase(WORD line, WORD start, WORD end, int horizontal) {
    PaintSpan(*this, line, start, end, horizontal, 0x00, [&](WORD y) { Erase(line, y); });
}

void CRkBWImage::Reverse(WORD line, WORD start, WORD end, int horizontal) {
    if (horizontal != 0) {
        for (UINT x = start; x <= end; ++x) Reverse(static_cast<WORD>(x), line);
    } else {
        for (UINT y = start; y <= end; ++y) Reverse(line, static_cast<WORD>(y));
    }
}

// ---- rectangles: one horizontal span per row, top to bottom ----------------

void CRkBWImage::Draw(TRkImgRect<unsigned short> rect) {
    for (UINT y = rect.top; y <= rect.bottom; ++y) Draw(static_cast<WORD>(y), rect.left, rect.right, 1);
}

void CRkBWImage::Erase(TRkImgRect<unsigned short> rect) {
    for (UINT y = rect.top; y <= rect.bottom; ++y) Erase(static_cast<WORD>(y), rect.left, rect.right, 1);
}

void CRkBWImage::Reverse(TRkImgRect<unsigned short> rect) {
    for (UINT y = rect.top; y <= rect.bottom; ++y) Reverse(static_cast<WORD>(y), rect.left, rect.right, 1);
}

// ---- run lists on one line, in vector order --------------------------------

void CRkBWImage::Draw(WORD line, std::vector<TRkImgRan<unsigned short>>& runs, int horizontal) {
    for (const TRkImgRan<unsigned short>& r : runs) Draw(line, r.start, r.end, horizontal);
}

void CRkBWImage::Erase(WORD line, std::vector<TRkImgRan<unsigned short>>& runs, int horizontal) {
    for (const TRkImgRan<unsigned short>& r : runs) Erase(line, r.start, r.end, horizontal);
}

void CRkBWImage::Reverse(WORD line, std::vector<TRkImgRan<unsigned short>>& runs, int horizontal) {
    for (const TRkImgRan<unsigned short>& r : runs) Reverse(line, r.start, r.end, horizontal);
}

// ---- rectangles of images known to be plain --------------------------------

void rkbwimage::erase_rect_plain(CRkBWImage& image, TRkImgRect<unsigned short> rect) {
    if (rect.left > rect.right || rect.top > rect.bottom) return;
    const UINT left = rect.left, right = rect.right, top = rect.top, bottom = rect.bottom;
    // The rows of the image's own GetLineData, evenly spaced in either
    // storage order.
    BYTE* row = image.CRkBMPImage::GetLineData(top);
    const ptrdiff_t step = bottom > top ? image.CRkBMPImage::GetLineData(top + 1u) - row : 0;
    const UINT s = left >> 3, e = right >> 3, lineBytes = image.GetLineByteSize();
    if (lineBytes >= 8 && e - s < 8 && e < lineBytes) {
        // A span within eight bytes (most character cells): one word of
        // the row, inside it, is masked per row.
        const UINT first = s + 8 <= lineBytes ? s : lineBytes - 8;
        BYTE keep[8];
        for (UINT k = 0; k < 8; ++k) {
            const UINT b = first + k;
            keep[k] = b < s || b > e ? 0xFF
                                     : static_cast<BYTE>((b == s ? KeepLeft(rect.left) : 0) |
                                                         (b == e ? KeepRight(rect.right) : 0));
        }
        uint64_t mask;
        memcpy(&mask, keep, 8);
        for (UINT y = top; y <= bottom; ++y, row += step) {
            uint64_t w;
            memcpy(&w, row + first, 8);
            w &= mask;
            memcpy(row + first, &w, 8);
        }
        return;
    }
    for (UINT y = top; y <= bottom; ++y, row += step) FillSpan(row, rect.left, rect.right, 0x00);
}

// ---- frames and trimming ------------------------------------------------------

void CRkBWImage::DrawFrameRect(TRkImgRect<unsigned short> rect) {
    Draw(rect.top, rect.left, rect.right, 1);
    Draw(rect.bottom, rect.left, rect.right, 1);
    Draw(rect.left, rect.top, rect.bottom, 0);
    Draw(rect.right, rect.top, rect.bottom, 0);
}

void CRkBWImage::EraseFrameRect(TRkImgRect<unsigned short> rect) {
    Erase(rect.top, rect.left, rect.right, 1);
    Erase(rect.bottom, rect.left, rect.right, 1);
    Erase(rect.left, rect.top, rect.bottom, 0);
    Erase(rect.right, rect.top, rect.bottom, 0);
}

// Pixel by pixel over the whole image, row by row.
void CRkBWImage::TrimRect(TRkImgRect<unsigned short> rect) {
    const TRkImgRect<unsigned short> whole = GetRkImgRect();
    for (UINT y = whole.top; y <= whole.bottom; ++y) {
        const bool rowInside = y >= rect.top && y <= rect.bottom;
        for (UINT x = whole.left; x <= whole.right; ++x) {
            if (rowInside && x >= rect.left && x <= rect.right) {
                x = rect.right;  // skip the kept part of the row
                continue;
            }
            Erase(static_cast<WORD>(x), static_cast<WORD>(y));
        }
    }
}
