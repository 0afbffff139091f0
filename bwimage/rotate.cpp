// CRkBWImage quarter turns inside the image's own pixel buffer: Clockwise,
// CounterClockwise.
#include <stdint.h>
#include <string.h>

#include <utility>
#include <vector>

#include "rkcorr/bwimage.h"

int CRkBWImage::Clockwise() { return QuarterTurn(true); }

int CRkBWImage::CounterClockwise() { return QuarterTurn(false); }

// The black runs of every row are read first (all memory is taken then, so a
// failure leaves the image as it was); the buffer is then cleared, the object
// and its header take the turned geometry, and each old row is drawn back as
// vertical spans of one new column.
int CRkBWImage::QuarterTurn(bool clockwise) {
    const UINT w = GetWidth(), h = GetHeight();
    const WORD newLine = static_cast<WORD>((h + 31) / 32 * 4);
    // The full product: a 16-bit line size times the width must not wrap.
    if (static_cast<uint64_t>(newLine) * w > GetImageBufSize()) return 0;

    typedef std::vector<TRkImgRan<unsigned short>> Runs;
    Runs all;
    std::vector<size_t> first;
    try {
        first.resize(static_cast<size_t>(h) + 1);
        Runs row;
        for (UINT y = 0; y < h; ++y) {
            first[y] = all.size();
            if (w == 0) continue;
            HRanExtract(row, static_cast<WORD>(y), 0, static_cast<WORD>(w - 1));
            all.insert(all.end(), row.begin(), row.end());
        }
        first[h] = all.size();
    } catch (...) {
        return 0;
    }

    memset(m_pBits, 0, static_cast<size_t>(newLine) * w);
    std::swap(m_dwWidth, m_dwHeight);
    std::swap(m_wXResolution, m_wYResolution);
    m_wLineByte = newLine;
    LONG newWidth = m_pHeader->biHeight, newHeight = m_pHeader->biWidth;
    if (newWidth < 0) {  // stored top row first: keep it so, with a positive width
        newWidth = -newWidth;
        newHeight = -newHeight;
    }
    m_pHeader->biWidth = newWidth;
    m_pHeader->biHeight = newHeight;
    std::swap(m_pHeader->biXPelsPerMeter, m_pHeader->biYPelsPerMeter);

    // Old pixel (x, y) lands at (h - 1 - y, x) clockwise, at (y, w - 1 - x)
    // counter-clockwise.
    for (UINT c = 0; c < h; ++c) {
        const UINT y = clockwise ? h - 1 - c : c;
        for (size_t i = first[y]; i < first[y + 1]; ++i) {
            const TRkImgRan<unsigned short>& run = all[i];
            if (clockwise)
                Draw(static_cast<WORD>(c), run.start, run.end, 0);
            else
                Draw(static_cast<WORD>(c), static_cast<WORD>(w - 1 - run.end),
                     static_cast<WORD>(w - 1 - run.start), 0);
        }
    }
    return 1;
}
