// CRkBMPImage: row addressing, sizes and resolution conversions of a DIB view.
#include <stdlib.h>
#include <string.h>

#include "rkcorr/bmpimage.h"

// MMX code paths are never taken: the answer is "no" on every target.
int SupportMMX() { return 0; }

namespace {

DWORD AbsoluteValue(LONG v) { return v < 0 ? 0u - static_cast<DWORD>(v) : static_cast<DWORD>(v); }

// ((bit count * width + 31) / 32) * 4 with the signed width, cut to 16 bits.
WORD HeaderLineBytes(const BITMAPINFOHEADER* header) {
    int64_t bits = static_cast<int64_t>(header->biBitCount) * header->biWidth;
    return static_cast<WORD>((bits + 31) / 32 * 4);
}

}  // namespace

CRkBMPImage::CRkBMPImage(BITMAPINFOHEADER* header, BYTE* bits, DWORD imageBufSize)
    : m_pHeader(header),
      m_pPalette(reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(header) + sizeof(BITMAPINFOHEADER))),
      m_pBits(bits),
      m_dwImageBufSize(0),
      m_dwWidth(AbsoluteValue(header->biWidth)),
      m_dwHeight(AbsoluteValue(header->biHeight)),
      m_wXResolution(RKIMG::DPMtoDPI(static_cast<DWORD>(header->biXPelsPerMeter))),
      m_wYResolution(RKIMG::DPMtoDPI(static_cast<DWORD>(header->biYPelsPerMeter))),
      m_wLineByte(HeaderLineBytes(header)),
      m_DefaultProgress(),
      m_pProgress(&m_DefaultProgress),
      m_wAccelerate(0) {
    m_dwImageBufSize = imageBufSize != 0 ? imageBufSize : static_cast<DWORD>(m_wLineByte) * m_dwHeight;
    m_wAccelerate = SupportMMX() != 0 ? 1 : 0;
}

// Not virtual; the image owns nothing.
CRkBMPImage::~CRkBMPImage() {}

CRkBMPImage::CRkBMPImage(const CRkBMPImage& other)
    : m_pHeader(other.m_pHeader),
      m_pPalette(other.m_pPalette),
      m_pBits(other.m_pBits),
      m_dwImageBufSize(other.m_dwImageBufSize),
      m_dwWidth(other.m_dwWidth),
      m_dwHeight(other.m_dwHeight),
      m_wXResolution(other.m_wXResolution),
      m_wYResolution(other.m_wYResolution),
      m_wLineByte(other.m_wLineByte),
      m_DefaultProgress(),
      m_pProgress(other.m_pProgress == &other.m_DefaultProgress ? &m_DefaultProgress : other.m_pProgress),
      m_wAccelerate(other.m_wAccelerate) {}

CRkBMPImage& CRkBMPImage::operator=(const CRkBMPImage& other) {
    if (this == &other) return *this;
    m_pHeader = other.m_pHeader;
    m_pPalette = other.m_pPalette;
    m_pBits = other.m_pBits;
    m_dwImageBufSize = other.m_dwImageBufSize;
    m_dwWidth = other.m_dwWidth;
    m_dwHeight = other.m_dwHeight;
    m_wXResolution = other.m_wXResolution;
    m_wYResolution = other.m_wYResolution;
    m_wLineByte = other.m_wLineByte;
    m_pProgress = other.m_pProgress == &other.m_DefaultProgress ? &m_DefaultProgress : other.m_pProgress;
    m_wAccelerate = other.m_wAccelerate;
    return *this;
}

BOOL CRkBMPImage::CheckUpsideDown() const { return m_pHeader->biHeight < 0; }

BYTE* CRkBMPImage::GetLineData(UINT y) const {
    size_t stride = m_wLineByte;
    if (m_pHeader->biHeight < 0) return m_pBits + stride * y;
    return m_pBits + stride * static_cast<DWORD>(m_dwHeight - y - 1);
}

WORD CRkBMPImage::GetXResolution() const { return m_wXResolution; }
WORD CRkBMPImage::GetYResolution() const { return m_wYResolution; }
WORD CRkBMPImage::GetLineByteSize() const { return m_wLineByte; }
WORD CRkBMPImage::GetWidth() const { return static_cast<WORD>(m_dwWidth); }
WORD CRkBMPImage::GetHeight() const { return static_cast<WORD>(m_dwHeight); }
DWORD CRkBMPImage::GetImageBufSize() const { return m_dwImageBufSize; }

TRkImgRect<unsigned short> CRkBMPImage::GetRkImgRect() const {
    return TRkImgRect<unsigned short>(0, 0, static_cast<unsigned short>(GetWidth() - 1),
                                      static_cast<unsigned short>(GetHeight() - 1));
}

TRkImgRect<unsigned short> CRkBMPImage::GetLNImgRect() const {
    TRkImgRect<int> whole(0, 0, static_cast<int>(GetWidth()) - 1, static_cast<int>(GetHeight()) - 1);
    return TRkImgRect<unsigned short>(whole);
}

RGBQUAD CRkBMPImage::GetRGBQUAD(UINT index) const { return m_pPalette[index]; }

WORD CRkBMPImage::GetXDot(WORD mm) const {
    return static_cast<WORD>(static_cast<DWORD>(mm) * m_wXResolution / 25u);
}

WORD CRkBMPImage::GetDotY(WORD mm) const {
    return static_cast<WORD>(static_cast<DWORD>(mm) * m_wYResolution / 25u);
}

short CRkBMPImage::POINTtoDOT(WORD points, BOOL horizontal) const {
    int resolution = horizontal != 0 ? GetXResolution() : GetYResolution();
    return static_cast<short>(static_cast<int>(points) * resolution / 72);
}

WORD CRkBMPImage::MMtoDOT(WORD mm, BOOL horizontal) const {
    DWORD resolution = horizontal != 0 ? m_wXResolution : m_wYResolution;
    return static_cast<WORD>(static_cast<DWORD>(mm) * resolution / 25u);
}

void CRkBMPImage::ReplaceProgressObj(CRkProgress* progress) {
    m_pProgress = progress != nullptr ? progress : &m_DefaultProgress;
}

void CRkBMPImage::SetDefaultProgressObj() { m_pProgress = &m_DefaultProgress; }

DWORD CRkBMPImage::DPItoDPM(WORD dpi) const { return RKIMG::DPItoDPM(dpi); }

WORD CRkBMPImage::DPMtoDPI(DWORD dpm) const { return RKIMG::DPMtoDPI(dpm); }
