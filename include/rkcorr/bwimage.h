// The bilevel image: a one-bit-per-pixel view over a caller's DIB.
//
// Pixel encoding: a set bit is black (foreground), a clear bit white; pixel x
// of a row is in byte x / 8 under the mask 0x80 >> (x % 8); the palette is
// never consulted. Row y counts from the top of the image whatever the storage
// order (GetLineData). Coordinates are unsigned 16-bit and are not checked
// against the image size: keeping them inside is the caller's duty.
//
// Operations call one another through their virtual slots, so a derived class
// that overrides GetLineData or a pixel operation changes every operation built
// on it. The slots continue those of CRkBMPImage in a fixed order.
#ifndef RKCORR_BWIMAGE_H
#define RKCORR_BWIMAGE_H

#include <vector>

#include "rkcorr/bmpimage.h"
#include "rkcorr/export.h"
#include "rkcorr/geometry.h"
#include "rkcorr/platform_types.h"

class RKCORR_API CRkBWImage : public CRkBMPImage {
public:
    // A size of 0 means line byte size * height. The caller owns header and bits.
    CRkBWImage(BITMAPINFOHEADER* header, BYTE* bits, DWORD imageBufSize = 0);

    // Replaces the row stride used by GetLineData.
    virtual void SetLineByte(WORD bytes);
    virtual void SetImageBufSize(DWORD bytes);
    // Note: pass a typed x (not the literal 0) to the (x, y) form, or the call
    // is ambiguous with the (row, x) form.
    virtual BOOL IsBlack(WORD x, WORD y) const;
    virtual BOOL IsBlack(const BYTE* row, WORD x) const;
    // Number of black pixels inside the rectangle.
    virtual DWORD CountBlack(TRkImgRect<unsigned short> rect) const;

    // Pixel, span (on row `line` when horizontal is non-zero, on column `line`
    // otherwise, start to end inclusive), rectangle, and runs on one line.
    virtual void Draw(WORD x, WORD y);
    virtual void Draw(WORD line, WORD start, WORD end, int horizontal);
    virtual void Draw(TRkImgRect<unsigned short> rect);
    virtual void Draw(WORD line, std::vector<TRkImgRan<unsigned short>>& runs, int horizontal);
    virtual void Erase(WORD x, WORD y);
    virtual void Erase(WORD line, WORD start, WORD end, int horizontal);
    virtual void Erase(TRkImgRect<unsigned short> rect);
    virtual void Erase(WORD line, std::vector<TRkImgRan<unsigned short>>& runs, int horizontal);
    virtual void Reverse(WORD x, WORD y);
    virtual void Reverse(WORD line, WORD start, WORD end, int horizontal);
    virtual void Reverse(TRkImgRect<unsigned short> rect);
    virtual void Reverse(WORD line, std::vector<TRkImgRan<unsigned short>>& runs, int horizontal);

    // The outline: rows top and bottom left to right, then columns left and
    // right top to bottom.
    virtual void DrawFrameRect(TRkImgRect<unsigned short> rect);
    virtual void EraseFrameRect(TRkImgRect<unsigned short> rect);
    // Clears every pixel of the image outside the rectangle.
    virtual void TrimRect(TRkImgRect<unsigned short> rect);

    // Copies each pixel of the rectangle from source (same coordinates). True.
    virtual BOOL CopyRect(CRkBWImage* source, TRkImgRect<unsigned short> rect);
    // Writes a packed 1-bit DIB of the whole image (rect null) or of the
    // rectangle into the buffer: the 48 bytes at this image's header (header
    // and two palette entries), then the rows. False, writing nothing, when
    // the buffer is too small.
    virtual BOOL AcquireImage(void* buffer, DWORD bufferSize, TRkImgRect<unsigned short>* rect) const;

    // Number of set bits of a 32-bit value.
    virtual DWORD NumOfBits(DWORD value) const;

    // dst := dst AND (OR) src for the pixels start to end of a row; the other
    // pixels of dst keep their value.
    void MemoryAnd(void* dst, const void* src, WORD start, WORD end) const;
    void MemoryOr(void* dst, const void* src, WORD start, WORD end) const;
};

#endif
