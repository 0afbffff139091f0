// CRkBWImage: copying a rectangle between images and out into a packed DIB.
#include <string.h>

#include "rkcorr/bwimage.h"

BOOL CRkBWImage::CopyRect(CRkBWImage* source, TRkImgRect<unsigned short> rect) {
    for (UINT y = rect.top; y <= rect.bottom; ++y) {
        for (UINT x = rect.left; x <= rect.right; ++x) {
            const WORD px = static_cast<WORD>(x), py = static_cast<WORD>(y);
            if (source->IsBlack(px, py)) {
                Draw(px, py);
            } else {
                Erase(px, py);
            }
        }
    }
    return TRUE;
}

// The buffer receives the 48 bytes at this image's header address (the info
// header and two palette entries) and then the rows, in this image's storage
// order. For a rectangle, each output row is the source row shifted so the
// rectangle's first pixel lands on bit 0x80, its bits past the rectangle's
// width cleared; the row's padding bytes are cleared too.
BOOL CRkBWImage::AcquireImage(void* buffer, DWORD bufferSize, TRkImgRect<unsigned short>* rect) const {
    const size_t headerBytes = sizeof(BITMAPINFOHEADER) + 2 * sizeof(RGBQUAD);
    BYTE* out = static_cast<BYTE*>(buffer);

    if (rect == nullptr) {
        const uint64_t width = GetWidth(), height = GetHeight();
        const uint64_t needed = (width + 31) / 32 * 4 * height + headerBytes;
        if (bufferSize < needed) return FALSE;
        memcpy(out, m_pHeader, headerBytes);
        CRkBWImage target(reinterpret_cast<BITMAPINFOHEADER*>(out), out + headerBytes,
                          bufferSize - static_cast<DWORD>(headerBytes));
        const WORD lineBytes = GetLineByteSize(), targetBytes = target.GetLineByteSize();
        const size_t n = lineBytes < targetBytes ? lineBytes : targetBytes;
        for (UINT y = 0; y < height; ++y) memcpy(target.GetLineData(y), GetLineData(y), n);
        return TRUE;
    }

    const UINT w = rect->GetWidth(), h = rect->GetHeight();
    const uint64_t needed = (static_cast<uint64_t>(w) + 31) / 32 * 4 * h + headerBytes;
    if (bufferSize < needed) return FALSE;
    memcpy(out, m_pHeader, headerBytes);
    LONG copiedHeight;
    memcpy(&copiedHeight, out + offsetof(BITMAPINFOHEADER, biHeight), sizeof copiedHeight);
    const LONG newWidth = static_cast<LONG>(w);
    const LONG newHeight = copiedHeight > 0 ? static_cast<LONG>(h) : -static_cast<LONG>(h);
    memcpy(out + offsetof(BITMAPINFOHEADER, biWidth), &newWidth, sizeof newWidth);
    memcpy(out + offsetof(BITMAPINFOHEADER, biHeight), &newHeight, sizeof newHeight);
    if (w == 0 || h == 0) return TRUE;

    CRkBWImage target(reinterpret_cast<BITMAPINFOHEADER*>(out), out + headerBytes,
                      bufferSize - static_cast<DWORD>(headerBytes));
    const UINT firstByte = rect->left >> 3;
    const UINT shift = 8 - (rect->left & 7);
    const UINT outBytes = (w + 7) / 8;
    const UINT lineBytes = GetLineByteSize();
    const UINT rowBytes = (w + 31) / 32 * 4;
    const UINT valid = (w - 1) % 8 + 1;
    const BYTE lastMask = static_cast<BYTE>(0xFFu << (8 - valid));
    for (UINT i = 0; i < h; ++i) {
        const BYTE* src = GetLineData(rect->top + i) + firstByte;
        BYTE* dst = target.GetLineData(i);
        // All but the last output byte read two whole source bytes; only the
        // last may need the guard against the source row's end.
        for (UINT k = 0; k + 1 < outBytes; ++k)
            dst[k] = static_cast<BYTE>(MAKEWORD(src[k + 1], src[k]) >> shift);
        const UINT k = outBytes - 1;
        const BYTE b1 = firstByte + k + 1 < lineBytes ? src[k + 1] : 0;
        dst[k] = static_cast<BYTE>((MAKEWORD(b1, src[k]) >> shift) & lastMask);
        if (rowBytes > outBytes) memset(dst + outBytes, 0, rowBytes - outBytes);
    }
    return TRUE;
}
