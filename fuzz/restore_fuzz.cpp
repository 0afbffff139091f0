// Fuzz target: ImgRestoration on an engine result block decoded from the
// input. The block keeps what the engine guarantees (valid record indices,
// chains ending in 0, at least one character per line and cell, a bitmap that
// holds the whole page, page-bit rows of at least the row's bytes) and leaves
// everything else to the input: page size, pixels, depth, palette, row order,
// wBWFlag, wLineByte, resolutions, record flags, rectangles, codes, table
// indices and the engine's picture areas. Every run must return 0 or -1,
// release every lock, write no byte of any block but tagIMGAREA's count and
// records, and leave that count within its 100 records.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "rkcorr/bitmap_types.h"
#include "rkcorr/rkcorr.h"
#include "pageblock/page_builder.h"

namespace {

const size_t kMaxPixels = 600000;  // keeps one run around a tenth of a second
const size_t kMaxPageBits = 8u << 20;

// The input's pixel bytes, repeated over as many bytes as a block needs.
void tile(std::vector<BYTE>& out, size_t from, const std::vector<BYTE>& pattern) {
    if (pattern.empty()) return;
    for (size_t i = from, k = 0; i < out.size(); ++i, ++k) out[i] = pattern[k % pattern.size()];
}

rkpage::Char some_char(FuzzedDataProvider& in, unsigned w, unsigned h) {
    rkpage::Char c{};
    static const WORD kCodes[] = {'A', 0x3042, RKCORR_OCR_CODE_LINEFEED, RKCORR_OCR_CODE_RETURN, ' '};
    c.code = in.ConsumeBool() ? in.ConsumeIntegral<WORD>() : kCodes[in.ConsumeIntegralInRange<size_t>(0, 4)];
    if (in.ConsumeBool()) {  // anywhere, edges in any order
        c.left = in.ConsumeIntegral<WORD>(), c.top = in.ConsumeIntegral<WORD>();
        c.right = in.ConsumeIntegral<WORD>(), c.bottom = in.ConsumeIntegral<WORD>();
    } else {  // on or near the page
        c.left = WORD(in.ConsumeIntegralInRange<unsigned>(0, w + 8));
        c.top = WORD(in.ConsumeIntegralInRange<unsigned>(0, h + 8));
        c.right = WORD(c.left + in.ConsumeIntegralInRange<unsigned>(0, 64));
        c.bottom = WORD(c.top + in.ConsumeIntegralInRange<unsigned>(0, 64));
    }
    c.dist = in.ConsumeIntegral<WORD>();
    c.info = in.ConsumeIntegral<WORD>();
    c.select = WORD(in.ConsumeIntegralInRange<unsigned>(0, RKCORR_OCR_DETAIL_CANDIDATES - 1));
    return c;
}

std::vector<rkpage::Char> some_chars(FuzzedDataProvider& in, unsigned w, unsigned h) {
    std::vector<rkpage::Char> chars(in.ConsumeIntegralInRange<size_t>(1, 12));
    for (rkpage::Char& c : chars) c = some_char(in, w, h);
    return chars;
}

rkpage::Region some_region(FuzzedDataProvider& in, unsigned w, unsigned h) {
    rkpage::Region r;
    static const WORD kFlags[] = {
        RKCORR_OCR_RESULT_HEAD | RKCORR_OCR_RESULT_TEXT,
        RKCORR_OCR_RESULT_HEAD | RKCORR_OCR_RESULT_TABLE,
        RKCORR_OCR_RESULT_HEAD | RKCORR_OCR_RESULT_TEXT | RKCORR_OCR_RESULT_TABLE,
        RKCORR_OCR_RESULT_HEAD | RKCORR_OCR_RESULT_EXCLUDED | RKCORR_OCR_RESULT_TEXT,
        RKCORR_OCR_RESULT_HEAD,
        0};
    r.flags = in.ConsumeBool() ? in.ConsumeIntegral<WORD>() : kFlags[in.ConsumeIntegralInRange<size_t>(0, 5)];
    r.left = in.ConsumeIntegral<WORD>(), r.top = in.ConsumeIntegral<WORD>();
    r.right = in.ConsumeIntegral<WORD>(), r.bottom = in.ConsumeIntegral<WORD>();
    if (in.ConsumeBool()) {
        r.layout = rkpage::Layout::Text;
        r.lines.resize(in.ConsumeIntegralInRange<size_t>(1, 6));
        for (rkpage::Line& l : r.lines) l.chars = some_chars(in, w, h);
    } else {
        r.layout = rkpage::Layout::Table;
        r.sizeX = in.ConsumeIntegral<BYTE>(), r.sizeY = in.ConsumeIntegral<BYTE>();
        r.cells.resize(in.ConsumeIntegralInRange<size_t>(1, 6));
        for (rkpage::Cell& c : r.cells) {
            c.left = in.ConsumeIntegral<WORD>(), c.top = in.ConsumeIntegral<WORD>();
            c.right = in.ConsumeIntegral<WORD>(), c.bottom = in.ConsumeIntegral<WORD>();
            c.indexX = in.ConsumeIntegral<BYTE>(), c.indexY = in.ConsumeIntegral<BYTE>();
            c.mergeX = in.ConsumeIntegral<BYTE>(), c.mergeY = in.ConsumeIntegral<BYTE>();
            c.chars = some_chars(in, w, h);
        }
    }
    return r;
}

std::vector<BYTE> snapshot(HGLOBAL h) {
    const BYTE* p = static_cast<const BYTE*>(GlobalLock(h));
    std::vector<BYTE> bytes(p, p + GlobalSize(h));
    GlobalUnlock(h);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    rkpage::PageDesc desc;
    // Mostly up to a few thousand pixels a side; now and then up to the 16-bit limit.
    const unsigned side = in.ConsumeIntegralInRange<unsigned>(0, 7) == 0 ? 65535 : 4000;
    const unsigned w = in.ConsumeIntegralInRange<unsigned>(1, side);
    const unsigned h =
        in.ConsumeIntegralInRange<unsigned>(1, unsigned(std::min<size_t>(side, kMaxPixels / w)));
    desc.width = w, desc.height = h;
    desc.xdpi = in.ConsumeIntegral<WORD>(), desc.ydpi = in.ConsumeIntegral<WORD>();
    desc.bwFlag = in.ConsumeBool() ? WORD(1) : in.ConsumeIntegral<WORD>();

    static const WORD kDepths[] = {1, 8, 24, 8, 24, 4, 16, 32, 2, 0};
    const WORD depth = in.ConsumeBool() ? WORD(in.ConsumeIntegralInRange<unsigned>(0, 40))
                                        : kDepths[in.ConsumeIntegralInRange<size_t>(0, 9)];
    const bool topDown = in.ConsumeBool();
    DWORD colours = 0;
    if (depth == 8)
        colours = in.ConsumeIntegralInRange<DWORD>(0, 300);  // more than 256 entries too
    else if (depth <= 4 && depth > 0 && in.ConsumeBool())
        colours = DWORD(1) << depth;

    const unsigned rowBytes = (w + 7) / 8;
    const unsigned extra = in.ConsumeIntegralInRange<unsigned>(
        0, unsigned(std::min<size_t>(65535 - rowBytes, kMaxPageBits / h - rowBytes)));
    desc.pageLineBytes = WORD(rowBytes + extra);

    const size_t regions = in.ConsumeIntegralInRange<size_t>(0, 8);
    for (size_t i = 0; i < regions; ++i) desc.regions.push_back(some_region(in, w, h));
    const size_t areas = in.ConsumeIntegralInRange<size_t>(0, RKCORR_OCR_MAX_IMGAREA);
    for (size_t i = 0; i < areas && in.remaining_bytes() > 0; ++i) {
        tagIMGAREAREC a;
        a.wLeft = in.ConsumeIntegral<WORD>(), a.wRight = in.ConsumeIntegral<WORD>();
        a.wTop = in.ConsumeIntegral<WORD>(), a.wBottom = in.ConsumeIntegral<WORD>();
        desc.areas.push_back(a);
    }
    desc.areaFill = in.ConsumeIntegral<BYTE>();

    // What is left paints the palette, the bitmap and the page bits.
    const std::vector<BYTE> pixels = in.ConsumeRemainingBytes<BYTE>();
    desc.pageBits.assign(size_t(desc.pageLineBytes) * h, 0);
    tile(desc.pageBits, 0, pixels);

    const size_t stride = (size_t(w) * depth + 31) / 32 * 4;
    const size_t header = 40 + 4 * size_t(colours);
    desc.dibBlock.assign(header + stride * h, 0);
    BITMAPINFOHEADER bih;
    std::memset(&bih, 0, sizeof bih);
    bih.biSize = 40;
    bih.biWidth = LONG(w);
    bih.biHeight = topDown ? -LONG(h) : LONG(h);
    bih.biPlanes = 1;
    bih.biBitCount = depth;
    bih.biSizeImage = DWORD(stride * h);
    bih.biXPelsPerMeter = LONG(desc.xdpi) * 10000 / 254;
    bih.biYPelsPerMeter = LONG(desc.ydpi) * 10000 / 254;
    bih.biClrUsed = colours;
    tile(desc.dibBlock, 40, pixels);
    std::memcpy(desc.dibBlock.data(), &bih, sizeof bih);

    rkpage::PageBlocks page(desc);
    const HGLOBAL readOnly[] = {page.head(), page.imgHead(), page.bwImage(),
                                page.dib(),  page.result(),  page.detail()};
    std::vector<std::vector<BYTE>> before;
    for (HGLOBAL h : readOnly) before.push_back(snapshot(h));
    const std::vector<BYTE> areasBefore = snapshot(page.imgArea());

    const int r = ImgRestoration(page.arg());
    if (r != 0 && r != -1) std::abort();
    if (RkTestTotalLocks() != 0) std::abort();
    for (size_t i = 0; i < before.size(); ++i)
        if (snapshot(readOnly[i]) != before[i]) std::abort();
    const std::vector<BYTE> after = snapshot(page.imgArea());
    if (r == -1 && after != areasBefore) std::abort();
    const size_t count = page.count();
    if (count > RKCORR_OCR_MAX_IMGAREA) std::abort();
    const size_t written = offsetof(tagIMGAREA, area) + sizeof(tagIMGAREAREC) * count;
    for (size_t i = 0; i < after.size(); ++i)  // bytes 0-7 and the records past the count stay
        if ((i < offsetof(tagIMGAREA, wCount) || i >= written) && after[i] != areasBefore[i]) std::abort();
    return 0;
}
