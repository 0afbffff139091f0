// CRkBWImage morphology: the 3 x 3 square (LocalErosion, LocalDilation), a
// structuring element (Erosion, Dilation) and their compositions (Opening,
// Closing). Each checks and allocates here and leaves the row loops to
// morph_kernels.cpp; if its scratch memory cannot be had, it changes nothing.
#include <string.h>

#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "bwimage/morph_kernels.h"
#include "rkcorr/bwimage.h"

typedef TRkImgRect<unsigned short> Rect;
typedef TRkImgPos<unsigned short> Pos;

void CRkBWImage::LocalErosion(Rect* rect) { Local3x3(rect, false); }

void CRkBWImage::LocalDilation(Rect* rect) { Local3x3(rect, true); }

// Row y is first eroded (dilated) horizontally in place. Then, columns L..R
// only: it is combined into row y - 1, which thereby becomes final; row y + 1
// (still original) combined with it waits in one line buffer for the next
// row; and the other buffer, original row y combined with row y - 1's
// horizontal result, is combined into it. The outcome is H(y - 1) op H(y) op
// H(y + 1) with rows outside T..B left out, for the memory of two line
// buffers and nothing else.
void CRkBWImage::Local3x3(Rect* rect, bool dilate) {
    const Rect r = rect ? *rect : GetRkImgRect();
    const int left = r.left, right = r.right;
    const UINT top = r.top, bottom = r.bottom;
    if (left > right || top > bottom) return;
    const size_t line = GetLineByteSize();
    std::unique_ptr<BYTE[]> buffers(new (std::nothrow) BYTE[2 * line + 1]);
    if (!buffers) return;

    // Only the bytes of columns left..right of the buffers are ever read.
    const int firstByte = left >> 3, lastByte = right >> 3;
    const WORD l = static_cast<WORD>(left), rr = static_cast<WORD>(right);
    BYTE* prevCarry = buffers.get();
    BYTE* nextCarry = prevCarry + line;
    BYTE* above = nullptr;
    for (UINT y = top; y <= bottom; ++y) {
        BYTE* row = GetLineData(y);
        if (dilate) {
            rkbw::dilate_row_3(row, left, right);
            if (y != top) MemoryOr(above, row, l, rr);
            if (y != bottom) rkbw::or_bytes(nextCarry, GetLineData(y + 1), row, firstByte, lastByte);
            if (y != top) MemoryOr(row, prevCarry, l, rr);
        } else {
            rkbw::erode_row_3(row, left, right);
            if (y != top) MemoryAnd(above, row, l, rr);
            if (y != bottom) rkbw::and_bytes(nextCarry, GetLineData(y + 1), row, firstByte, lastByte);
            if (y != top) MemoryAnd(row, prevCarry, l, rr);
        }
        std::swap(prevCarry, nextCarry);
        above = row;
    }
}

void CRkBWImage::Dilation(Rect* rect, CRkBWImage* element, Pos* origin) {
    if (element == nullptr)
        LocalDilation(rect);
    else
        MorphByElement(rect, element, origin, true);
}

void CRkBWImage::Erosion(Rect* rect, CRkBWImage* element, Pos* origin) {
    if (element == nullptr)
        LocalErosion(rect);
    else
        MorphByElement(rect, element, origin, false);
}

void CRkBWImage::Opening(Rect* rect, CRkBWImage* element, Pos* origin) {
    Erosion(rect, element, origin);
    Dilation(rect, element, origin);
}

void CRkBWImage::Closing(Rect* rect, CRkBWImage* element, Pos* origin) {
    Dilation(rect, element, origin);
    Erosion(rect, element, origin);
}

// Dilation spreads every black pixel of the rectangle to each offset; erosion
// spreads every white one. Both read the image as it was and write into a
// scratch copy of the whole pixel area (viewed through a temporary image over
// this image's header), which then replaces the pixels in one copy: every
// allocation comes first, so a failure leaves the image as it was. Sources are
// taken a run at a time, and each run moves to a target span per offset.
void CRkBWImage::MorphByElement(Rect* rect, CRkBWImage* element, Pos* origin, bool dilate) {
    const WORD ew = element->GetWidth(), eh = element->GetHeight();
    if (eh == 0 || ew == 0) return;
    const Pos o =
        origin ? *origin : Pos(static_cast<unsigned short>(ew / 2), static_cast<unsigned short>(eh / 2));
    const Rect r = rect ? *rect : GetRkImgRect();
    const int left = r.left, right = r.right, top = r.top, bottom = r.bottom;
    if (left > right || top > bottom) return;
    try {
        std::vector<TRkImgPos<short>> offsets;
        const Rect er = element->GetRkImgRect();
        for (UINT y = er.top; y <= er.bottom; ++y)
            for (UINT x = er.left; x <= er.right; ++x)
                if (element->IsBlack(static_cast<WORD>(x), static_cast<WORD>(y)))
                    offsets.emplace_back(static_cast<short>(x - o.x), static_cast<short>(y - o.y));

        const size_t line = GetLineByteSize();
        const size_t bytes = line * m_dwHeight;
        std::unique_ptr<BYTE[]> copy(new BYTE[bytes + 1]);
        const size_t width = static_cast<size_t>(right + 1 - left) + 2;
        std::unique_ptr<int[]> scratch(new int[2 * width]);
        memcpy(copy.get(), m_pBits, bytes);
        CRkBWImage target(m_pHeader, copy.get(), static_cast<DWORD>(bytes));
        target.SetLineByte(static_cast<WORD>(line));

        int* transitions = scratch.get();
        int* runs = transitions + width;
        for (int y = top; y <= bottom; ++y) {
            const BYTE* row = GetLineData(static_cast<UINT>(y));
            const int n = dilate ? rkbw::black_runs(row, left, right, transitions, runs)
                                 : rkbw::white_runs(row, left, right, transitions, runs);
            if (n == 0) continue;
            for (const TRkImgPos<short>& d : offsets) {
                rkbw::for_target_spans(y, y, d.y, top, bottom, [&](int ty, int) {
                    for (int i = 0; i < n; ++i) {
                        rkbw::for_target_spans(
                            runs[2 * i], runs[2 * i + 1], d.x, left, right, [&](int from, int to) {
                                if (dilate)
                                    target.Draw(static_cast<WORD>(ty), static_cast<WORD>(from),
                                                static_cast<WORD>(to), 1);
                                else
                                    target.Erase(static_cast<WORD>(ty), static_cast<WORD>(from),
                                                 static_cast<WORD>(to), 1);
                            });
                    }
                });
            }
        }
        memcpy(m_pBits, copy.get(), bytes);
    } catch (...) {
        // Nothing was written to the image before the last copy.
    }
}
