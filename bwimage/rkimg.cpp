// Layout helpers for packed device-independent bitmaps.
#include <string.h>

#include <vector>

#include "rkcorr/bmpimage.h"
#include "platform/block_lock.h"

namespace {

template <class V>
V ReadAt(const BYTE* p, size_t offset) {
    V v;
    memcpy(&v, p + offset, sizeof v);
    return v;
}

DWORD HeaderSize(const BYTE* dib) { return ReadAt<DWORD>(dib, 0); }

// 40, 108 and 124 are the info header and its two extensions; anything else
// is read as the 12-byte core header.
bool IsInfoHeader(const BYTE* dib) {
    DWORD size = HeaderSize(dib);
    return size == 40 || size == 108 || size == 124;
}

WORD RoundBitCount(WORD bits) {
    if (bits <= 1) return 1;
    if (bits <= 4) return 4;
    if (bits <= 8) return 8;
    if (bits <= 16) return 16;
    if (bits <= 24) return 24;
    return 4;
}

}  // namespace

namespace RKIMG {

DWORD WIDTHBYTES(DWORD bits) { return (bits + 31) / 32 * 4; }

LONG DIBWidth(const BYTE* dib) {
    if (IsInfoHeader(dib)) return ReadAt<LONG>(dib, offsetof(BITMAPINFOHEADER, biWidth));
    return ReadAt<WORD>(dib, offsetof(BITMAPCOREHEADER, bcWidth));
}

LONG DIBHeight(const BYTE* dib) {
    if (IsInfoHeader(dib)) return ReadAt<LONG>(dib, offsetof(BITMAPINFOHEADER, biHeight));
    return ReadAt<WORD>(dib, offsetof(BITMAPCOREHEADER, bcHeight));
}

WORD DIBBitCount(const BYTE* dib) {
    if (IsInfoHeader(dib)) return ReadAt<WORD>(dib, offsetof(BITMAPINFOHEADER, biBitCount));
    return ReadAt<WORD>(dib, offsetof(BITMAPCOREHEADER, bcBitCount));
}

DWORD DIBCompression(const BYTE* dib) {
    if (IsInfoHeader(dib)) return ReadAt<DWORD>(dib, offsetof(BITMAPINFOHEADER, biCompression));
    return 0;
}

BOOL IsBottomUp(const BYTE* dib) {
    if (IsInfoHeader(dib)) return DIBHeight(dib) >= 0;
    return TRUE;
}

WORD DIBNumColors(const BYTE* dib) {
    if (IsInfoHeader(dib)) {
        DWORD used = ReadAt<DWORD>(dib, offsetof(BITMAPINFOHEADER, biClrUsed));
        if (used != 0) return static_cast<WORD>(used);
    }
    switch (DIBBitCount(dib)) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

WORD PaletteSize(const BYTE* dib) {
    DWORD entry = IsInfoHeader(dib) ? sizeof(RGBQUAD) : sizeof(RGBTRIPLE);
    return static_cast<WORD>(DIBNumColors(dib) * entry);
}

BYTE* FindPalette(const BYTE* dib) { return const_cast<BYTE*>(dib) + HeaderSize(dib); }

BYTE* DIBBits(const BYTE* dib) { return FindPalette(dib) + PaletteSize(dib); }

BYTE* FindDIBBits(const BYTE* dib) { return DIBBits(dib); }

DWORD DIBSize(const BYTE* dib) {
    LONG w = DIBWidth(dib), h = DIBHeight(dib);
    DWORD absW = w < 0 ? 0u - static_cast<DWORD>(w) : static_cast<DWORD>(w);
    DWORD absH = h < 0 ? 0u - static_cast<DWORD>(h) : static_cast<DWORD>(h);
    return HeaderSize(dib) + PaletteSize(dib) + WIDTHBYTES(DIBBitCount(dib) * absW) * absH;
}

DWORD DPItoDPM(WORD dpi) { return static_cast<DWORD>(dpi) * 10000u / 254u; }

WORD DPMtoDPI(DWORD dpm) { return static_cast<WORD>((dpm + 1u) * 254u / 10000u); }

HGLOBAL CreateDIB(DWORD width, DWORD height, WORD bitCount) {
    BITMAPINFOHEADER header;
    memset(&header, 0, sizeof header);
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = static_cast<LONG>(width);
    header.biHeight = static_cast<LONG>(height);
    header.biPlanes = 1;
    header.biBitCount = RoundBitCount(bitCount);
    const BYTE* raw = reinterpret_cast<const BYTE*>(&header);
    DWORD size = sizeof header + PaletteSize(raw) + WIDTHBYTES(width * header.biBitCount) * height;
    HGLOBAL handle = GlobalAlloc(GHND, size);
    if (handle == 0) return 0;
    {
        BlockLock block(handle);
        if (block.locked()) {
            memcpy(block.get<void>(), &header, sizeof header);
            return handle;
        }
    }
    GlobalFree(handle);  // a block without its header is of no use to anyone
    return 0;
}

BOOL UpsideDown(BYTE* dib) {
    if (dib == nullptr) return FALSE;
    LONG width = DIBWidth(dib);
    LONG height = DIBHeight(dib);
    DWORD rowSize = WIDTHBYTES(DIBBitCount(dib) * static_cast<DWORD>(width));
    BYTE* first = DIBBits(dib);
    // Only bottom-up images are flipped: a top-down height is negative and
    // leaves nothing to swap.
    if (width <= 0 || height <= 0 || rowSize == 0 || first == nullptr) return FALSE;
    BYTE* last = first + static_cast<size_t>(rowSize) * (height - 1);
    std::vector<BYTE> temp;
    try {
        temp.resize(rowSize);
    } catch (...) {
        return FALSE;
    }
    for (LONG i = 0; i < height / 2; ++i) {
        BYTE* a = first + static_cast<size_t>(rowSize) * i;
        BYTE* b = last - static_cast<size_t>(rowSize) * i;
        memcpy(temp.data(), a, rowSize);
        memcpy(a, b, rowSize);
        memcpy(b, temp.data(), rowSize);
    }
    return TRUE;
}

}  // namespace RKIMG
