// Allocation and filling of the engine blocks of a built page.
#include "pageblock/page_builder.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <unordered_map>

#include "rkcorr/bitmap_types.h"
#include "rkcorr/platform_memory.h"

namespace rkpage {

namespace {

// Record arrays built in memory first, then copied into their blocks.
class Records {
public:
    Records() : m_result(1), m_detail(1) {}  // root record; detail 0 unused

    WORD add_detail(WORD left, WORD top, WORD right, WORD bottom) {
        tagDETAIL d;
        std::memset(&d, 0, sizeof d);
        d.wLeft = left, d.wTop = top, d.wRight = right, d.wBottom = bottom;
        m_detail.push_back(d);
        return index(m_detail.size() - 1);
    }
    WORD add_record(WORD flags, WORD child, WORD detail) {
        tagRESULT r;
        std::memset(&r, 0, sizeof r);
        r.wFlags = flags, r.wChild = child, r.wDetail = detail;
        m_result.push_back(r);
        return index(m_result.size() - 1);
    }
    // A character chain; an empty one becomes a single line feed.
    WORD add_chain(const std::vector<Char>& chars) {
        static const Char lineFeed{WORD(RKCORR_OCR_CODE_LINEFEED), 0, 0, 0, 0};
        const std::vector<Char> lf{lineFeed};
        const std::vector<Char>& chain = chars.empty() ? lf : chars;
        WORD first = 0, prev = 0;
        for (const Char& c : chain) {
            if (c.select >= RKCORR_OCR_DETAIL_CANDIDATES)
                throw std::invalid_argument("candidate index past the record");
            const WORD d = add_detail(c.left, c.top, c.right, c.bottom);
            tagDETAIL& det = m_detail[d];
            det.wInfo = c.info;
            det.wSelect = c.select;
            for (unsigned k = 0; k < RKCORR_OCR_DETAIL_CANDIDATES; ++k)  // decoys around the chosen pair
                det.candidate[k] = tagCANDIDATE{WORD(0x3013), WORD(0xFFFF)};
            det.candidate[c.select] = tagCANDIDATE{c.code, c.dist};
            const WORD r = add_record(0, d, 0);
            if (prev)
                m_result[prev].wNext = r;
            else
                first = r;
            prev = r;
        }
        return first;
    }

    std::vector<tagRESULT> m_result;
    std::vector<tagDETAIL> m_detail;

private:
    static WORD index(size_t i) {
        if (i > 0xFFFF) throw std::length_error("more than 65535 records");
        return WORD(i);
    }
};

void build_records(const std::vector<Region>& regions, Records& rec) {
    std::vector<WORD> top;
    for (const Region& region : regions) {
        if (region.layout == Layout::Text) {
            const WORD head = rec.add_detail(region.left, region.top, region.right, region.bottom);
            const size_t n = region.lines.empty() ? 1 : region.lines.size();
            for (size_t i = 0; i < n; ++i) {
                static const Line empty;
                const Line& line = region.lines.empty() ? empty : region.lines[i];
                WORD detail = head;
                if (i > 0) {  // a line's own detail (not read by the library)
                    const Char& c0 = line.chars.empty() ? Char{0, 0, 0, 0, 0} : line.chars.front();
                    const Char& c1 = line.chars.empty() ? c0 : line.chars.back();
                    detail = rec.add_detail(c0.left, c0.top, c1.right, c1.bottom);
                }
                const WORD chain = rec.add_chain(line.chars);
                top.push_back(rec.add_record(i == 0 ? region.flags : 0, chain, detail));
            }
        } else {
            const size_t n = region.cells.empty() ? 1 : region.cells.size();
            for (size_t i = 0; i < n; ++i) {
                static const Cell empty{0, 0, 0, 0};
                const Cell& cell = region.cells.empty() ? empty : region.cells[i];
                const WORD d = rec.add_detail(cell.left, cell.top, cell.right, cell.bottom);
                tagDETAIL& det = rec.m_detail[d];
                det.bIndexX = cell.indexX, det.bIndexY = cell.indexY;
                det.bMergeX = cell.mergeX, det.bMergeY = cell.mergeY;
                if (i == 0) det.bSizeX = region.sizeX, det.bSizeY = region.sizeY;
                const WORD chain = rec.add_chain(cell.chars);
                top.push_back(rec.add_record(i == 0 ? region.flags : 0, chain, d));
            }
        }
    }
    for (size_t k = 0; k + 1 < top.size(); ++k) rec.m_result[top[k]].wNext = top[k + 1];
    rec.m_result[0].wChild = top.empty() ? 0 : top.front();
}

unsigned row_bytes(unsigned width, unsigned bitCount) { return (width * bitCount + 31) / 32 * 4; }

LONG dpm(WORD dpi) { return LONG(dpi) * 10000 / 254; }

// Palette and pixel indices of an 8-bit palette page: the canvas colours when
// there are at most 256, 256 grey levels otherwise.
std::vector<RGBQUAD> make_palette(const Canvas& c, std::vector<BYTE>& indices) {
    std::vector<RGBQUAD> palette;
    std::unordered_map<uint32_t, BYTE> lookup;
    indices.resize(size_t(c.width()) * c.height());
    bool fits = true;
    for (unsigned y = 0; y < c.height() && fits; ++y)
        for (unsigned x = 0; x < c.width(); ++x) {
            const Rgb p = c.at(x, y);
            const uint32_t key = uint32_t(p.r) << 16 | uint32_t(p.g) << 8 | p.b;
            auto it = lookup.find(key);
            if (it == lookup.end()) {
                if (palette.size() == 256) {
                    fits = false;
                    break;
                }
                it = lookup.emplace(key, BYTE(palette.size())).first;
                palette.push_back(RGBQUAD{p.b, p.g, p.r, 0});
            }
            indices[size_t(y) * c.width() + x] = it->second;
        }
    if (fits) return palette;
    palette.clear();
    for (unsigned i = 0; i < 256; ++i) palette.push_back(RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0});
    for (unsigned y = 0; y < c.height(); ++y)
        for (unsigned x = 0; x < c.width(); ++x) indices[size_t(y) * c.width() + x] = c.grey(x, y);
    return palette;
}

// Locks a freshly allocated block for filling.
class Filler {
public:
    explicit Filler(HGLOBAL h) : m_h(h), m_p(static_cast<BYTE*>(GlobalLock(h))) {
        if (!m_p) throw std::bad_alloc();
    }
    ~Filler() { GlobalUnlock(m_h); }
    BYTE* data() const { return m_p; }

private:
    HGLOBAL m_h;
    BYTE* m_p;
};

}  // namespace

PageBlocks::PageBlocks(const PageDesc& desc) {
    try {
        build(desc);
    } catch (...) {
        release();
        throw;
    }
}

PageBlocks::~PageBlocks() { release(); }

void PageBlocks::release() {
    for (HGLOBAL h : m_owned) GlobalFree(h);
    m_owned.clear();
}

HGLOBAL PageBlocks::alloc(size_t bytes) {
    m_owned.reserve(m_owned.size() + 1);
    const HGLOBAL h = GlobalAlloc(GHND, bytes);
    if (!h) throw std::bad_alloc();
    m_owned.push_back(h);
    return h;
}

std::vector<HGLOBAL> PageBlocks::handles() const { return m_owned; }

void PageBlocks::build(const PageDesc& desc) {
    const Canvas& img = desc.image;
    const bool fromCanvas = img.width() > 0 && img.height() > 0;
    const unsigned w = fromCanvas ? img.width() : desc.width, h = fromCanvas ? img.height() : desc.height;
    // Ink of the page: the given page bits, else the canvas's dark pixels.
    auto ink = [&](unsigned x, unsigned y) {
        if (!desc.pageBits.empty())
            return (desc.pageBits[size_t(y) * desc.pageLineBytes + x / 8] & (0x80u >> (x % 8))) != 0;
        return fromCanvas && img.grey(x, y) < 128;
    };
    if (!desc.pageBits.empty() &&
        (desc.pageLineBytes < (w + 7) / 8 || desc.pageBits.size() < size_t(desc.pageLineBytes) * h))
        throw std::invalid_argument("page bits smaller than the page");

    Records rec;
    build_records(desc.regions, rec);

    m_head = alloc(sizeof(tagOCRHEAD));

    // Picture areas.
    m_imgArea = alloc(offsetof(tagIMGAREA, area) + sizeof(tagIMGAREAREC) * size_t(desc.areaRecords));
    {
        Filler f(m_imgArea);
        std::memset(f.data(), desc.areaFill, GlobalSize(m_imgArea));
        const WORD n = WORD(std::min<size_t>(desc.areas.size(), desc.areaRecords));
        std::memcpy(f.data() + offsetof(tagIMGAREA, wCount), &n, sizeof n);
        if (n)
            std::memcpy(f.data() + offsetof(tagIMGAREA, area), desc.areas.data(), n * sizeof(tagIMGAREAREC));
    }

    // Bilevel page bits, top row first.
    const unsigned lineBytes = desc.pageBits.empty() ? row_bytes(w, 1) : desc.pageLineBytes;
    m_bwImage = alloc(size_t(lineBytes) * h);
    {
        Filler f(m_bwImage);
        if (!desc.pageBits.empty())
            std::memcpy(f.data(), desc.pageBits.data(), size_t(lineBytes) * h);
        else
            for (unsigned y = 0; y < h; ++y)
                for (unsigned x = 0; x < w; ++x)
                    if (ink(x, y)) f.data()[size_t(y) * lineBytes + x / 8] |= BYTE(0x80u >> (x % 8));
    }

    // Page bitmap, bottom row first.
    WORD bitCount = 1;
    std::vector<RGBQUAD> palette;
    std::vector<BYTE> indices;
    switch (desc.format) {
        case Format::Bilevel:
            bitCount = 1;
            palette = {RGBQUAD{255, 255, 255, 0}, RGBQUAD{0, 0, 0, 0}};
            break;
        case Format::Grey8: bitCount = 8; break;
        case Format::Palette8:
            if (!fromCanvas && desc.dibBlock.empty())
                throw std::invalid_argument("a palette page needs a canvas");
            bitCount = 8;
            palette = make_palette(img, indices);
            break;
        case Format::Rgb24: bitCount = 24; break;
        case Format::Other: bitCount = desc.otherBitCount; break;
    }
    const unsigned stride = row_bytes(w, bitCount);
    const size_t bitsAt = sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * palette.size();
    if (!desc.dibBlock.empty()) {
        m_dib = alloc(desc.dibBlock.size());
        Filler f(m_dib);
        std::memcpy(f.data(), desc.dibBlock.data(), desc.dibBlock.size());
    } else {
        m_dib = alloc(bitsAt + size_t(stride) * h);
        Filler f(m_dib);
        BITMAPINFOHEADER bih;
        std::memset(&bih, 0, sizeof bih);
        bih.biSize = sizeof bih;
        bih.biWidth = LONG(w);
        bih.biHeight = LONG(h);
        bih.biPlanes = 1;
        bih.biBitCount = bitCount;
        bih.biSizeImage = stride * h;
        bih.biXPelsPerMeter = dpm(desc.xdpi);
        bih.biYPelsPerMeter = dpm(desc.ydpi);
        bih.biClrUsed = DWORD(palette.size());
        std::memcpy(f.data(), &bih, sizeof bih);
        if (!palette.empty())
            std::memcpy(f.data() + sizeof bih, palette.data(), sizeof(RGBQUAD) * palette.size());
        BYTE* bits = f.data() + bitsAt;
        for (unsigned y = 0; y < h; ++y) {
            BYTE* row = bits + size_t(h - 1 - y) * stride;
            for (unsigned x = 0; x < w; ++x) {
                switch (desc.format) {
                    case Format::Bilevel:
                        if (ink(x, y)) row[x / 8] |= BYTE(0x80u >> (x % 8));
                        break;
                    case Format::Grey8: row[x] = fromCanvas ? img.grey(x, y) : ink(x, y) ? 0 : 255; break;
                    case Format::Palette8: row[x] = indices[size_t(y) * w + x]; break;
                    case Format::Rgb24: {
                        const Rgb c = fromCanvas ? img.at(x, y) : ink(x, y) ? kBlack : kWhite;
                        row[3 * x] = c.b, row[3 * x + 1] = c.g, row[3 * x + 2] = c.r;
                        break;
                    }
                    case Format::Other: break;
                }
            }
        }
    }

    m_imgHead = alloc(sizeof(tagIMGHEAD));
    {
        Filler f(m_imgHead);
        tagIMGHEAD ih;
        std::memset(&ih, 0, sizeof ih);
        ih.hBWImage = m_bwImage;
        ih.wLineByte = WORD(lineBytes);
        ih.wWidth = WORD(w);
        ih.wHeight = WORD(h);
        ih.wXResolution = desc.xdpi;
        ih.wYResolution = desc.ydpi;
        ih.wBWFlag = desc.bwFlag;
        ih.hDIB = m_dib;
        std::memcpy(f.data(), &ih, sizeof ih);
    }

    m_result = alloc(sizeof(tagRESULT) * rec.m_result.size());
    {
        Filler f(m_result);
        std::memcpy(f.data(), rec.m_result.data(), sizeof(tagRESULT) * rec.m_result.size());
    }
    m_detail = alloc(sizeof(tagDETAIL) * rec.m_detail.size());
    {
        Filler f(m_detail);
        std::memcpy(f.data(), rec.m_detail.data(), sizeof(tagDETAIL) * rec.m_detail.size());
    }

    Filler f(m_head);
    tagOCRHEAD oh;
    std::memset(&oh, 0, sizeof oh);
    oh.hImgArea = m_imgArea;
    oh.hImgHead = m_imgHead;
    oh.hResult = m_result;
    oh.hDetail = m_detail;
    std::memcpy(f.data(), &oh, sizeof oh);
}

WORD PageBlocks::count() const {
    const std::vector<BYTE> bytes = area_bytes();
    WORD n = 0;
    if (bytes.size() >= offsetof(tagIMGAREA, area))
        std::memcpy(&n, bytes.data() + offsetof(tagIMGAREA, wCount), sizeof n);
    return n;
}

std::vector<tagIMGAREAREC> PageBlocks::areas() const {
    const std::vector<BYTE> bytes = area_bytes();
    const size_t room = bytes.size() < offsetof(tagIMGAREA, area)
                            ? 0
                            : (bytes.size() - offsetof(tagIMGAREA, area)) / sizeof(tagIMGAREAREC);
    const size_t n = std::min<size_t>(count(), room);
    std::vector<tagIMGAREAREC> out(n);
    if (n) std::memcpy(out.data(), bytes.data() + offsetof(tagIMGAREA, area), sizeof(tagIMGAREAREC) * n);
    return out;
}

std::vector<BYTE> PageBlocks::area_bytes() const {
    const size_t size = GlobalSize(m_imgArea);
    const BYTE* p = static_cast<const BYTE*>(GlobalLock(m_imgArea));
    if (!p) return {};
    std::vector<BYTE> out(p, p + size);
    GlobalUnlock(m_imgArea);
    return out;
}

}  // namespace rkpage
