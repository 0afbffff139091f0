// The page mask: reduction of a 1-bit page by 2 in each direction, erasure of
// page rectangles and the conversions between mask and page positions.
#include "rkcorr/imgmask.h"

#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <new>

#include "bwimage/bw_fill.h"
#include "mask/bw_header.h"
#include "mask/reduce.h"
#include "rkcorr/bwimage.h"
#include "rkcorr/geometry.h"

namespace {

constexpr unsigned int kZoom = 2;
constexpr size_t kHeaderBlockBytes = sizeof(rkmask::BwHeaderBlock);
static_assert(kHeaderBlockBytes == 48, "header block: info header and two palette entries");

// Largest reduced side the image class can address with 16-bit coordinates.
constexpr uint64_t kMaxSide = 65535;

}  // namespace

ImgMask::ImgMask() { init(); }

ImgMask::~ImgMask() { release(); }

void ImgMask::init() {
    m_header = nullptr;
    m_bits = nullptr;
    m_image = nullptr;
    m_zoom = 0;
    m_srcWidth = 0;
    m_srcHeight = 0;
}

void ImgMask::release() {
    delete[] m_header;
    // The image is always a plain CRkBWImage, made below.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"
    delete m_image;
#pragma GCC diagnostic pop
    delete[] m_bits;
    init();
}

int ImgMask::CreateMask(tagBITMAPINFOHEADER* header, unsigned char* bits, unsigned int lineBytes) {
    if (!header || !bits || lineBytes == 0 || header->biBitCount != 1) return -1;
    const LONG signedHeight = header->biHeight;
    const unsigned int srcWidth = static_cast<unsigned int>(header->biWidth);
    const unsigned int srcHeight = signedHeight < 0 ? 0u - static_cast<unsigned int>(signedHeight)
                                                    : static_cast<unsigned int>(signedHeight);

    // Sizes in 64 bits: a width near 2^32 must not wrap.
    const uint64_t srcW = srcWidth, srcH = srcHeight;
    const uint64_t srcLineBytes = (srcW + 7) / 8;
    const uint64_t dstW = ((srcW + 1) & ~uint64_t{1}) / kZoom;
    const uint64_t dstH = ((srcH + 1) & ~uint64_t{1}) / kZoom;
    const uint64_t dstLineBytes = ((((srcLineBytes + 1) & ~uint64_t{1}) / kZoom) + 3) & ~uint64_t{3};
    const uint64_t bufferBytes = dstLineBytes * dstH;
    // The image class works in 16-bit coordinates and a 16-bit line length:
    // a larger mask cannot be represented. Refused like any other source the
    // mask cannot take, before the previous content is touched.
    if (dstW > kMaxSide || dstH > kMaxSide || dstLineBytes > 0xFFFF) return -1;

    release();
    m_zoom = kZoom;
    m_srcWidth = srcWidth;
    m_srcHeight = srcHeight;

    try {
        m_header = new unsigned char[kHeaderBlockBytes];
        const rkmask::BwHeaderBlock h =
            rkmask::make_bw_header(static_cast<LONG>(dstW), static_cast<LONG>(dstH), header->biXPelsPerMeter,
                                   header->biYPelsPerMeter);
        memcpy(m_header, &h, sizeof h);

        m_bits = new unsigned char[bufferBytes ? static_cast<size_t>(bufferBytes) : 1];
        memset(m_bits, 0, static_cast<size_t>(bufferBytes));

        rkmask::reduce_rows(bits, lineBytes, static_cast<size_t>(srcLineBytes), m_srcHeight, m_bits,
                            static_cast<size_t>(dstLineBytes));

        m_image = new CRkBWImage(reinterpret_cast<BITMAPINFOHEADER*>(m_header), m_bits,
                                 static_cast<DWORD>(bufferBytes));
    } catch (const std::bad_alloc&) {
        // The mask keeps its source size but no bilevel image.
        delete[] m_header;
        delete[] m_bits;
        m_header = nullptr;
        m_bits = nullptr;
        m_image = nullptr;
        return -1;
    }
    return 0;
}

void ImgMask::EraseRect(unsigned int x, unsigned int y, unsigned int width, unsigned int height) {
    if (!m_image) return;
    // Signed 32-bit sums, wrapping like the engine's own arithmetic.
    auto s32 = [](uint32_t v) { return static_cast<int32_t>(v); };
    const int32_t W = s32(m_srcWidth), H = s32(m_srcHeight), z = s32(m_zoom);
    const int32_t yF = s32(m_srcHeight - y - 1u);
    const int32_t bottom = std::min(s32(static_cast<uint32_t>(yF) + 2u), H) / z - 1;
    const int32_t left = std::max(s32(x - 2u), 0) / z;
    const int32_t right = std::min(s32(x + width + 4u), W) / z - 1;
    const int32_t top = std::max(s32(static_cast<uint32_t>(yF) - height - 4u), 0) / z;
    if (bottom < 0 || right < 0) return;

    const BITMAPINFOHEADER* bih = reinterpret_cast<const BITMAPINFOHEADER*>(m_header);
    const int32_t r = std::min(right, bih->biWidth - 1);
    const int32_t b = std::min(bottom, bih->biHeight - 1);
    if (r < left || b < top) return;
    // The image is a CRkBWImage made by CreateMask, never a derived one: its
    // rectangle erasure runs without the virtual slots.
    rkbwimage::erase_rect_plain(
        *m_image,
        TRkImgRect<unsigned short>(static_cast<unsigned short>(left), static_cast<unsigned short>(top),
                                   static_cast<unsigned short>(r), static_cast<unsigned short>(b)));
}

unsigned int ImgMask::GetOriginPosX(unsigned int x) const {
    const unsigned int p = m_zoom * x;
    return p < m_srcWidth ? p : m_srcWidth - 1;
}

unsigned int ImgMask::GetOriginPosY(unsigned int y) const {
    const unsigned int p = m_zoom * y;
    return p < m_srcHeight ? p : m_srcHeight - 1;
}

unsigned int ImgMask::GetZoom() const { return m_zoom; }

unsigned int ImgMask::GetSrcWidth() const { return m_srcWidth; }

unsigned int ImgMask::GetSrcHeight() const { return m_srcHeight; }

CRkBWImage* ImgMask::GetCRkBWImage() const { return m_image; }
