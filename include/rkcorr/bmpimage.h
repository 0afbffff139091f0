// Device-independent bitmaps in memory: layout helpers (RKIMG) and the image
// view CRkBMPImage on which the bilevel image class stands.
//
// A packed DIB is one block: a header (40, 108 or 124 bytes: info header;
// any other size: the 12-byte core header), the palette (4-byte entries after
// an info header, 3-byte ones after a core header), then the pixel rows, each
// padded to a multiple of 32 bits, bottom row first unless an info header has
// a negative biHeight.
#ifndef RKCORR_BMPIMAGE_H
#define RKCORR_BMPIMAGE_H

#include "rkcorr/bitmap_types.h"
#include "rkcorr/export.h"
#include "rkcorr/geometry.h"
#include "rkcorr/platform_types.h"
#include "rkcorr/progress.h"

// Whether the processor's MMX instructions may be used: always 0. The image
// view and the page mask both ask it.
RKCORR_API int SupportMMX();

namespace RKIMG {

// ((bits + 31) / 32) * 4: the padded size in bytes of a row of that many bits.
RKCORR_API DWORD WIDTHBYTES(DWORD bits);

// Readers of a packed DIB given by the address of its first byte.
RKCORR_API LONG DIBWidth(const BYTE* dib);
RKCORR_API LONG DIBHeight(const BYTE* dib);  // may be negative (top row first)
RKCORR_API WORD DIBBitCount(const BYTE* dib);
RKCORR_API DWORD DIBCompression(const BYTE* dib);  // 0 for a core header
RKCORR_API BOOL IsBottomUp(const BYTE* dib);       // always true for a core header
RKCORR_API WORD DIBNumColors(const BYTE* dib);
RKCORR_API WORD PaletteSize(const BYTE* dib);   // in bytes
RKCORR_API BYTE* FindPalette(const BYTE* dib);  // dib + header size
RKCORR_API BYTE* DIBBits(const BYTE* dib);      // dib + header size + PaletteSize
RKCORR_API BYTE* FindDIBBits(const BYTE* dib);  // the same as DIBBits
RKCORR_API DWORD DIBSize(const BYTE* dib);      // header + palette + padded rows

// dpi * 10000 / 254 and (dpm + 1) * 254 / 10000 (cut to 16 bits).
RKCORR_API DWORD DPItoDPM(WORD dpi);
RKCORR_API WORD DPMtoDPI(DWORD dpm);

// A new zero-filled packed DIB (bottom row first, every palette entry black)
// in a movable memory block; 0 when the allocation fails. The bit count is
// raised to 1, 4, 8, 16 or 24 (anything above 24 gives 4).
RKCORR_API HGLOBAL CreateDIB(DWORD width, DWORD height, WORD bitCount);

// Reverses the order of the pixel rows of a bottom-up DIB in place; 0,
// changing nothing, for a null pointer or an empty image.
RKCORR_API BOOL UpsideDown(BYTE* dib);

}  // namespace RKIMG

// A view over a DIB whose 40-byte info header (directly followed by its
// palette) and pixel rows are given as two pointers. Owns neither; the caller
// keeps both alive for the life of the object.
//
// Virtual slots, in order (they are part of the exported interface):
//   0 CheckUpsideDown   1 GetLineData     2 GetXResolution  3 GetYResolution
//   4 GetLineByteSize   5 GetWidth        6 GetHeight       7 GetImageBufSize
//   8 GetRkImgRect      9 GetLNImgRect   10 GetRGBQUAD     11 GetXDot
//  12 GetDotY          13 POINTtoDOT     14 MMtoDOT        15 OutputBMPImage
//  16 ReplaceProgressObj 17 SetDefaultProgressObj 18 DPItoDPM 19 DPMtoDPI
// The destructor is not virtual and frees nothing.
class RKCORR_API CRkBMPImage {
public:
    // A size of 0 means line byte size * height.
    CRkBMPImage(BITMAPINFOHEADER* header, BYTE* bits, DWORD imageBufSize = 0);
    // Copies view the same memory; the copy reports to its own default
    // progress object unless the source had another one installed.
    CRkBMPImage(const CRkBMPImage& other);
    CRkBMPImage& operator=(const CRkBMPImage& other);
    ~CRkBMPImage();

    // True when the rows are stored top row first (negative biHeight).
    virtual BOOL CheckUpsideDown() const;
    // First byte of row y, rows counted from the top whatever the storage
    // order, with the current line byte size as the row stride.
    virtual BYTE* GetLineData(UINT y) const;
    virtual WORD GetXResolution() const;  // dots per inch
    virtual WORD GetYResolution() const;
    virtual WORD GetLineByteSize() const;
    virtual WORD GetWidth() const;
    virtual WORD GetHeight() const;
    virtual DWORD GetImageBufSize() const;
    // (0, 0, width - 1, height - 1).
    virtual TRkImgRect<unsigned short> GetRkImgRect() const;
    // The same rectangle, built in int and cut to 16 bits.
    virtual TRkImgRect<unsigned short> GetLNImgRect() const;
    // Palette entry, no range check.
    virtual RGBQUAD GetRGBQUAD(UINT index) const;
    // mm * X (Y) resolution / 25, cut to 16 bits.
    virtual WORD GetXDot(WORD mm) const;
    virtual WORD GetDotY(WORD mm) const;
    // points * X or Y resolution / 72, signed, cut to 16 bits.
    virtual short POINTtoDOT(WORD points, BOOL horizontal) const;
    // mm * X or Y resolution / 25, cut to 16 bits.
    virtual WORD MMtoDOT(WORD mm, BOOL horizontal) const;
    // Writes the image as an upright bitmap file (positive height, palette of
    // biClrUsed entries, rows of the header's row size); 0 when the file
    // cannot be opened, 1 once it is open.
    virtual BOOL OutputBMPImage(const char* path) const;
    virtual void ReplaceProgressObj(CRkProgress* progress);
    virtual void SetDefaultProgressObj();
    virtual DWORD DPItoDPM(WORD dpi) const;
    virtual WORD DPMtoDPI(DWORD dpm) const;

protected:
    BITMAPINFOHEADER* m_pHeader;
    RGBQUAD* m_pPalette;  // header + 40 bytes
    BYTE* m_pBits;
    DWORD m_dwImageBufSize;
    DWORD m_dwWidth;
    DWORD m_dwHeight;
    WORD m_wXResolution;
    WORD m_wYResolution;
    WORD m_wLineByte;
    CRkProgress m_DefaultProgress;
    CRkProgress* m_pProgress;  // &m_DefaultProgress unless replaced
    WORD m_wAccelerate;        // 1 when SupportMMX() answers non-zero
};

#endif
