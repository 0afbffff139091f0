// Builds an OCR engine's result block for one page from a compact description,
// for tests, benchmarks and the command-line tool. Every block is allocated
// through the platform layer (GlobalAlloc) as the engine would, and freed by
// the PageBlocks destructor.
//
//   rkpage::PageDesc desc(rkpage::Canvas(600, 800));
//   desc.format = rkpage::Format::Grey8;
//   desc.regions.push_back(rkpage::text_region({rkpage::text_line(50, 40, 12, 16, 2, 10)}));
//   rkpage::draw_regions(desc.image, desc.regions);
//   rkpage::PageBlocks page(desc);
//   ImgRestoration(page.arg());
//   for (const tagIMGAREAREC& a : page.areas()) ...
#ifndef RKCORR_CLI_PAGEBLOCK_PAGE_BUILDER_H
#define RKCORR_CLI_PAGEBLOCK_PAGE_BUILDER_H

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "rkcorr/ocr_records.h"
#include "rkcorr/platform_types.h"

namespace rkpage {

struct Rgb {
    BYTE r, g, b;
};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// The page drawn in colour, top row first. Every pixel format of the page is
// derived from it: grey level floor((r + g + b) / 3); ink in the 1-bit page
// bits where that level is below 128.
class Canvas {
public:
    Canvas() = default;
    Canvas(unsigned width, unsigned height, Rgb background = kWhite);

    unsigned width() const { return m_width; }
    unsigned height() const { return m_height; }
    Rgb at(unsigned x, unsigned y) const { return m_pixels[size_t(y) * m_width + x]; }
    void set(unsigned x, unsigned y, Rgb c) { m_pixels[size_t(y) * m_width + x] = c; }
    BYTE grey(unsigned x, unsigned y) const;

    // Inclusive rectangle, clipped to the canvas.
    void fill(int left, int top, int right, int bottom, Rgb c);
    // Outline `thickness` pixels wide inside the inclusive rectangle.
    void frame(int left, int top, int right, int bottom, int thickness, Rgb c);

private:
    unsigned m_width = 0;
    unsigned m_height = 0;
    std::vector<Rgb> m_pixels;
};

// One recognised character. The rectangle is stored as given in its detail
// record; the chosen candidate (`select`) carries `code` and `dist`.
struct Char {
    WORD code;
    WORD left, top, right, bottom;
    WORD dist = 0;
    WORD info = 0;
    WORD select = 0;
};

// A character chain. An empty chain is written as a single line feed record
// (the engine never leaves a chain empty).
struct Line {
    std::vector<Char> chars;
};

struct Cell {
    WORD left, top, right, bottom;
    BYTE indexX = 0, indexY = 0, mergeX = 0, mergeY = 0;
    std::vector<Char> chars{};  // the whole chain, line feeds and returns included
};

enum class Layout { Text, Table };

// A region of the top chain. A text layout writes one record per line, the
// head being the first; a table layout one record per cell, the head being the
// first cell and its detail holding the table sizes too.
struct Region {
    Layout layout = Layout::Text;
    WORD flags = RKCORR_OCR_RESULT_HEAD | RKCORR_OCR_RESULT_TEXT;
    WORD left = 0, top = 0, right = 0, bottom = 0;  // text: the head's detail rectangle
    std::vector<Line> lines;
    BYTE sizeX = 0, sizeY = 0;
    std::vector<Cell> cells;
};

// `count` characters of `width` x `height` in a row from (left, top), `gap`
// pixels apart, codes 'A', 'B', ... cycling; a line feed closes the line
// unless `lineFeed` is false.
Line text_line(unsigned left, unsigned top, unsigned width, unsigned height, unsigned gap, unsigned count,
               bool lineFeed = true);
// A text region around its lines (bounding box of their characters).
Region text_region(std::vector<Line> lines, WORD flags = RKCORR_OCR_RESULT_HEAD | RKCORR_OCR_RESULT_TEXT);
// A ruled table of cols x rows cells of the given size from (left, top); each
// cell holds `charsPerCell` characters and a closing line feed.
Region table_region(unsigned left, unsigned top, unsigned cellWidth, unsigned cellHeight, unsigned cols,
                    unsigned rows, unsigned charsPerCell,
                    WORD flags = RKCORR_OCR_RESULT_HEAD | RKCORR_OCR_RESULT_TABLE);
// Draws the characters of the regions (glyph-like strokes inside each
// character rectangle) and the cell rules of table layouts.
void draw_regions(Canvas& canvas, const std::vector<Region>& regions, Rgb ink = kBlack);

enum class Format {
    Bilevel,   // 1-bit bitmap
    Grey8,     // 8-bit, biClrUsed 0
    Palette8,  // 8-bit with a palette (the canvas colours, or 256 greys)
    Rgb24,     // 24-bit
    Other,     // header with `otherBitCount` bits per pixel, rows of zeros
};

struct PageDesc {
    PageDesc() = default;
    explicit PageDesc(Canvas c) : image(std::move(c)) {}

    Canvas image;
    Format format = Format::Bilevel;
    WORD otherBitCount = 4;
    WORD bwFlag = 0;
    WORD xdpi = 300, ydpi = 300;
    std::vector<Region> regions;
    std::vector<tagIMGAREAREC> areas;               // the engine's picture areas on entry
    unsigned areaRecords = RKCORR_OCR_MAX_IMGAREA;  // room in tagIMGAREA
    BYTE areaFill = 0;                              // fills bytes 0-7 and the unused records of tagIMGAREA

    // A page read from elsewhere instead of a canvas (the command-line tool):
    // with an empty canvas, `width` x `height` give the page size; non-empty
    // `pageBits` (rows of `pageLineBytes`, top row first) are the 1-bit page
    // bits, and a non-empty `dibBlock` (header, palette, rows) is the bitmap
    // as it stands. A bilevel page without `dibBlock` gets its bitmap from the
    // page bits.
    unsigned width = 0, height = 0;
    std::vector<BYTE> pageBits;
    WORD pageLineBytes = 0;
    std::vector<BYTE> dibBlock;
};

// The blocks of one page. Construction throws std::bad_alloc when a block
// cannot be allocated or locked, having freed what it had allocated.
class PageBlocks {
public:
    explicit PageBlocks(const PageDesc& desc);
    ~PageBlocks();
    PageBlocks(const PageBlocks&) = delete;
    PageBlocks& operator=(const PageBlocks&) = delete;

    HGLOBAL head() const { return m_head; }
    // The argument of ImgRestoration: the head handle as a pointer value.
    void* arg() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(m_head)); }
    HGLOBAL imgArea() const { return m_imgArea; }
    HGLOBAL imgHead() const { return m_imgHead; }
    HGLOBAL bwImage() const { return m_bwImage; }
    HGLOBAL dib() const { return m_dib; }
    HGLOBAL result() const { return m_result; }
    HGLOBAL detail() const { return m_detail; }
    std::vector<HGLOBAL> handles() const;

    // tagIMGAREA read back: wCount, its first wCount records, its raw bytes.
    WORD count() const;
    std::vector<tagIMGAREAREC> areas() const;
    std::vector<BYTE> area_bytes() const;

private:
    HGLOBAL alloc(size_t bytes);
    void build(const PageDesc& desc);
    void release();

    std::vector<HGLOBAL> m_owned;
    HGLOBAL m_head = 0, m_imgArea = 0, m_imgHead = 0, m_bwImage = 0, m_dib = 0, m_result = 0, m_detail = 0;
};

}  // namespace rkpage

#endif
