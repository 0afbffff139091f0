// CRkBWImage: construction, pixel tests, counting and row combination.
#include <string.h>

#include "rkcorr/bwimage.h"

CRkBWImage::CRkBWImage(BITMAPINFOHEADER* header, BYTE* bits, DWORD imageBufSize)
    : CRkBMPImage(header, bits, imageBufSize) {}

void CRkBWImage::SetLineByte(WORD bytes) { m_wLineByte = bytes; }

void CRkBWImage::SetImageBufSize(DWORD bytes) { m_dwImageBufSize = bytes; }

BOOL CRkBWImage::IsBlack(WORD x, WORD y) const { return IsBlack(GetLineData(y), x); }

BOOL CRkBWImage::IsBlack(const BYTE* row, WORD x) const { return (row[x >> 3] & (0x80u >> (x & 7))) != 0; }

DWORD CRkBWImage::NumOfBits(DWORD value) const {
    value = (value & 0x55555555u) + ((value >> 1) & 0x55555555u);
    value = (value & 0x33333333u) + ((value >> 2) & 0x33333333u);
    value = (value & 0x0F0F0F0Fu) + ((value >> 4) & 0x0F0F0F0Fu);
    value = (value & 0x00FF00FFu) + ((value >> 8) & 0x00FF00FFu);
    return (value & 0xFFFFu) + (value >> 16);
}

// Row by row: the two end bytes under their masks, and between them four
// bytes at a time (one unaligned 32-bit read) while at least five bytes remain
// before the last one, then single bytes.
DWORD CRkBWImage::CountBlack(TRkImgRect<unsigned short> rect) const {
    const UINT a = rect.left >> 3;
    const UINT b = rect.right >> 3;
    const DWORD maskLeft = 0xFFu >> (rect.left & 7);
    const DWORD maskRight = (0xFFu << (7 - (rect.right & 7))) & 0xFFu;
    DWORD total = 0;
    for (UINT y = rect.top; y <= rect.bottom; ++y) {
        const BYTE* row = GetLineData(y);
        if (a == b) {
            total += NumOfBits(row[a] & maskLeft & maskRight);
            continue;
        }
        total += NumOfBits(row[a] & maskLeft);
        UINT k = a + 1;
        while (k < b) {
            if (k + 4 < b) {
                DWORD word;
                memcpy(&word, row + k, sizeof word);
                total += NumOfBits(word);
                k += 4;
            } else {
                total += NumOfBits(row[k]);
                k += 1;
            }
        }
        total += NumOfBits(row[b] & maskRight);
    }
    return total;
}

namespace {

// Masks of the pixels start..end within their first and last bytes.
inline BYTE HeadMask(WORD start) { return static_cast<BYTE>(0xFFu >> (start & 7)); }
inline BYTE TailMask(WORD end) { return static_cast<BYTE>(0xFFu << (7 - (end & 7))); }

}  // namespace

void CRkBWImage::MemoryAnd(void* dstRow, const void* srcRow, WORD start, WORD end) const {
    BYTE* dst = static_cast<BYTE*>(dstRow);
    const BYTE* src = static_cast<const BYTE*>(srcRow);
    const UINT s = start >> 3, e = end >> 3;
    if (s == e) {
        BYTE mask = HeadMask(start) & TailMask(end);
        dst[s] &= static_cast<BYTE>(src[s] | ~mask);
        return;
    }
    dst[s] &= static_cast<BYTE>(src[s] | ~HeadMask(start));
    for (UINT k = s + 1; k < e; ++k) dst[k] &= src[k];
    dst[e] &= static_cast<BYTE>(src[e] | ~TailMask(end));
}

void CRkBWImage::MemoryOr(void* dstRow, const void* srcRow, WORD start, WORD end) const {
    BYTE* dst = static_cast<BYTE*>(dstRow);
    const BYTE* src = static_cast<const BYTE*>(srcRow);
    const UINT s = start >> 3, e = end >> 3;
    if (s == e) {
        dst[s] |= static_cast<BYTE>(src[s] & HeadMask(start) & TailMask(end));
        return;
    }
    dst[s] |= static_cast<BYTE>(src[s] & HeadMask(start));
    for (UINT k = s + 1; k < e; ++k) dst[k] |= src[k];
    dst[e] |= static_cast<BYTE>(src[e] & TailMask(end));
}
