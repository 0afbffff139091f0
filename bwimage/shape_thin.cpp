// CRkBWImage thinning: ConvertThinningImage (Zhang and Suen) and its deletion
// test DeletePt.
#include <stdint.h>
#include <string.h>

#include <utility>
#include <vector>

#include "rkcorr/bwimage.h"

typedef TRkImgRect<unsigned short> Rect;
typedef TRkImgRan<unsigned short> Ran;

BOOL CRkBWImage::DeletePt(const int* p, int pass) const {
    int black = 0, rises = 0;
    for (int i = 0; i < 8; ++i) {
        black += p[i];
        rises += (p[i] == 0 && p[i + 1] == 1) ? 1 : 0;
    }
    if (black < 2 || black > 6 || rises != 1) return FALSE;
    if (pass == 1) return p[1] * p[3] * p[5] == 0 && p[3] * p[5] * p[7] == 0;
    return p[1] * p[3] * p[7] == 0 && p[1] * p[5] * p[7] == 0;
}

namespace {

inline unsigned Bit(const BYTE* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1u; }

// The neighbours of (x, y) as bits 0..7 in DeletePt's order: upper-left,
// left, lower-left, below, lower-right, right, upper-right, above.
inline unsigned Neighbours(const BYTE* up, const BYTE* row, const BYTE* down, int x) {
    return Bit(up, x - 1) | Bit(row, x - 1) << 1 | Bit(down, x - 1) << 2 | Bit(down, x) << 3 |
           Bit(down, x + 1) << 4 | Bit(row, x + 1) << 5 | Bit(up, x + 1) << 6 | Bit(up, x) << 7;
}

}  // namespace

// DeletePt depends on the eight neighbours and the pass alone, so it is
// tabulated once per call for both passes; the sub-pass then visits the black
// pixels of each row a byte at a time (white stretches eight bytes at a time).
// A row's deletions are carried out after the next row has been decided, so
// every decision of a sub-pass sees the image as the sub-pass found it. The
// two record vectors are reserved up front: once the loop starts nothing is
// allocated, and a failure to reserve changes nothing.
void CRkBWImage::ConvertThinningImage(Rect* rect) {
    const Rect r = rect ? *rect : GetRkImgRect();
    if (r.GetHeight() < 3 || r.GetWidth() < 3) return;
    const int first = r.left + 1, last = r.right - 1;
    std::vector<Ran> previous, current;
    try {
        previous.reserve(static_cast<size_t>(last - first + 1));
        current.reserve(static_cast<size_t>(last - first + 1));
    } catch (...) {
        return;
    }
    bool table[2][256];
    for (unsigned pattern = 0; pattern < 256; ++pattern) {
        int p[9];
        for (int i = 0; i < 8; ++i) p[i] = (pattern >> i) & 1;
        p[8] = p[0];
        table[0][pattern] = DeletePt(p, 0) != 0;
        table[1][pattern] = DeletePt(p, 1) != 0;
    }

    const int firstByte = first >> 3, lastByte = last >> 3;
    const BYTE headMask = static_cast<BYTE>(0xFFu >> (first & 7));
    const BYTE tailMask = static_cast<BYTE>(0xFFu << (7 - (last & 7)));
    int pass = 1;
    for (;;) {
        bool changed = false;
        previous.clear();
        const bool* deletable = table[pass];
        for (UINT y = r.top + 1u; y < r.bottom; ++y) {
            const BYTE* up = GetLineData(y - 1);
            const BYTE* row = GetLineData(y);
            const BYTE* down = GetLineData(y + 1);
            current.clear();
            for (int k = firstByte; k <= lastByte; ++k) {
                unsigned c = row[k];
                if (k == firstByte) c &= headMask;
                if (k == lastByte) c &= tailMask;
                if (c == 0) {
                    while (k + 8 < lastByte) {
                        uint64_t word;
                        memcpy(&word, row + k + 1, sizeof word);
                        if (word != 0) break;
                        k += 8;
                    }
                    continue;
                }
                for (int bit = 0; bit < 8; ++bit) {
                    if (!(c & (0x80u >> bit))) continue;
                    const int x = 8 * k + bit;
                    if (deletable[Neighbours(up, row, down, x)])
                        current.push_back(
                            Ran(static_cast<unsigned short>(x), static_cast<unsigned short>(x)));
                }
            }
            if (!current.empty()) changed = true;
            if (!previous.empty()) Erase(static_cast<WORD>(y - 1), previous, 1);
            std::swap(previous, current);
        }
        if (!previous.empty()) Erase(static_cast<WORD>(r.bottom - 1), previous, 1);
        pass = 1 - pass;
        if (!changed) break;
    }
}
