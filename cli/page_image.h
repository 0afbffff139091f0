// A page image read from a file, in the forms the engine's blocks need: the
// 1-bit page bits (top row first, bit 7 leftmost, 1 black) and, for grey and
// colour pages, a packed device-independent bitmap (bottom row first).
#ifndef RKCORR_CLI_PAGE_IMAGE_H
#define RKCORR_CLI_PAGE_IMAGE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Pix;

namespace rkcli {

struct PixDeleter {
    void operator()(Pix* p) const;
};
using PixPtr = std::unique_ptr<Pix, PixDeleter>;

enum class PageKind { Bilevel, Grey, Palette, Colour };

struct PageImage {
    PixPtr pix;  // the image as read (Leptonica), for recognition and overlays
    PageKind kind = PageKind::Bilevel;
    uint32_t width = 0, height = 0;
    uint32_t xDpi = 0, yDpi = 0;
    uint32_t bwLineBytes = 0;
    std::vector<uint8_t> bw;   // 1-bit page bits, height rows of bwLineBytes
    std::vector<uint8_t> dib;  // header + palette + rows; empty for bilevel pages
};

// Reads `path` ("-" is standard input). Returns an empty string on success, else a one-line problem.
// `defaultDpi` stands in for a resolution the file does not record.
std::string ReadPageImage(const std::string& path, uint32_t defaultDpi, PageImage& out);

// Replaces the page bits with a 1-bit image of the same size (a recogniser's
// thresholded image); `bits` is a Leptonica 1 bpp Pix.
void SetPageBits(PageImage& page, Pix* bits);

}  // namespace rkcli

#endif
