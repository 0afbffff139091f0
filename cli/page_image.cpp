// Reading a page image into the 1-bit page and the bitmap the engine's blocks need.
#include "cli/page_image.h"

#include "cli/quiet_stderr.h"

#include <leptonica/allheaders.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "rkcorr/bitmap_types.h"

namespace rkcli {

void PixDeleter::operator()(Pix* p) const { pixDestroy(&p); }

namespace {

// Leptonica keeps each row as 32-bit words whose most significant bit is the
// leftmost pixel; the page bits want bytes in the same order.
void CopyBits(Pix* pix1, PageImage& page) {
    const uint32_t w = pixGetWidth(pix1), h = pixGetHeight(pix1), wpl = pixGetWpl(pix1);
    page.bwLineBytes = (w + 7) / 8;
    page.bw.assign(size_t(page.bwLineBytes) * h, 0);
    const l_uint32* data = pixGetData(pix1);
    for (uint32_t y = 0; y < h; ++y) {
        const l_uint32* row = data + size_t(y) * wpl;
        uint8_t* out = page.bw.data() + size_t(y) * page.bwLineBytes;
        for (uint32_t k = 0; k < page.bwLineBytes; ++k) out[k] = uint8_t(row[k / 4] >> (24 - 8 * (k % 4)));
        if (w % 8) out[page.bwLineBytes - 1] &= uint8_t(0xFF << (8 - w % 8));  // no ink in the padding
    }
}

void WriteHeader(PageImage& page, uint16_t bits, uint32_t colours, uint32_t stride) {
    BITMAPINFOHEADER h{};
    h.biSize = 40;
    h.biWidth = LONG(page.width);
    h.biHeight = LONG(page.height);
    h.biPlanes = 1;
    h.biBitCount = bits;
    h.biSizeImage = stride * page.height;
    h.biXPelsPerMeter = LONG((page.xDpi * 10000 + 127) / 254);
    h.biYPelsPerMeter = LONG((page.yDpi * 10000 + 127) / 254);
    h.biClrUsed = colours;
    page.dib.assign(40 + 4 * size_t(colours) + size_t(stride) * page.height, 0);
    std::memcpy(page.dib.data(), &h, sizeof h);
}

void MakeGreyDib(Pix* pix8, PageImage& page) {
    const uint32_t stride = (page.width + 3) & ~3u;
    PIXCMAP* cmap = pixGetColormap(pix8);
    const uint32_t colours = cmap ? uint32_t(pixcmapGetCount(cmap)) : 256;
    WriteHeader(page, 8, colours, stride);
    RGBQUAD* pal = reinterpret_cast<RGBQUAD*>(page.dib.data() + 40);
    for (uint32_t i = 0; i < colours; ++i) {
        l_int32 r = i, g = i, b = i;
        if (cmap) pixcmapGetColor(cmap, int(i), &r, &g, &b);
        pal[i] = RGBQUAD{uint8_t(b), uint8_t(g), uint8_t(r), 0};
    }
    uint8_t* rows = page.dib.data() + 40 + 4 * colours;
    const l_uint32* data = pixGetData(pix8);
    const uint32_t wpl = pixGetWpl(pix8);
    for (uint32_t y = 0; y < page.height; ++y) {
        const l_uint32* src = data + size_t(y) * wpl;
        uint8_t* dst = rows + size_t(page.height - 1 - y) * stride;
        for (uint32_t x = 0; x < page.width; ++x) dst[x] = uint8_t(GET_DATA_BYTE(src, x));
    }
}

void MakeColourDib(Pix* pix32, PageImage& page) {
    const uint32_t stride = (page.width * 3 + 3) & ~3u;
    WriteHeader(page, 24, 0, stride);
    uint8_t* rows = page.dib.data() + 40;
    const l_uint32* data = pixGetData(pix32);
    const uint32_t wpl = pixGetWpl(pix32);
    for (uint32_t y = 0; y < page.height; ++y) {
        const l_uint32* src = data + size_t(y) * wpl;
        uint8_t* dst = rows + size_t(page.height - 1 - y) * stride;
        for (uint32_t x = 0; x < page.width; ++x) {
            l_int32 r, g, b;
            extractRGBValues(src[x], &r, &g, &b);
            dst[3 * x] = uint8_t(b);
            dst[3 * x + 1] = uint8_t(g);
            dst[3 * x + 2] = uint8_t(r);
        }
    }
}

}  // namespace

void SetPageBits(PageImage& page, Pix* bits) { CopyBits(bits, page); }

std::string ReadPageImage(const std::string& path, uint32_t defaultDpi, PageImage& out) {
    // The file (or standard input, "-") is read whole into memory once, so
    // pipes and named pipes work as well as plain files.
    std::vector<uint8_t> data;
    FILE* f = stdin;
    if (path != "-") {
        struct stat st;
        if (stat(path.c_str(), &st) != 0) return std::strerror(errno);
        if (S_ISDIR(st.st_mode)) return "is a directory";
        if (!(f = std::fopen(path.c_str(), "rb"))) return std::strerror(errno);
    }
    uint8_t chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
        data.insert(data.end(), chunk, chunk + n);
    const bool readError = std::ferror(f) != 0;
    if (f != stdin) std::fclose(f);
    if (readError) return path == "-" ? "cannot read standard input" : "read error";
    l_int32 format = IFF_UNKNOWN;
    if (data.size() >= 12) findFileFormatBuffer(data.data(), &format);
    switch (format) {
        case IFF_BMP:
        case IFF_JFIF_JPEG:
        case IFF_PNG:
        case IFF_TIFF:
        case IFF_TIFF_PACKBITS:
        case IFF_TIFF_RLE:
        case IFF_TIFF_G3:
        case IFF_TIFF_G4:
        case IFF_TIFF_LZW:
        case IFF_TIFF_ZIP:
        case IFF_TIFF_JPEG:
        case IFF_PNM: break;
        default: return "unsupported image format (PNG, TIFF, BMP, PNM and JPEG are read)";
    }
    PixPtr pix;
    {
        QuietStderr quiet;  // the PNG decoder prints its own complaint otherwise
        pix.reset(pixReadMem(data.data(), data.size()));
    }
    if (!pix) return "cannot decode the image (truncated or corrupt file)";
    const l_int32 w = pixGetWidth(pix.get()), h = pixGetHeight(pix.get()), d = pixGetDepth(pix.get());
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535)
        return "image size " + std::to_string(w) + "x" + std::to_string(h) + " outside 1..65535 pixels";
    out = PageImage{};
    out.width = uint32_t(w);
    out.height = uint32_t(h);
    l_int32 xres = 0, yres = 0;
    pixGetResolution(pix.get(), &xres, &yres);
    out.xDpi = xres > 0 && xres < 65536 ? uint32_t(xres) : defaultDpi;
    out.yDpi = yres > 0 && yres < 65536 ? uint32_t(yres) : out.xDpi;

    PIXCMAP* cmap = pixGetColormap(pix.get());
    if (d == 1 && !cmap) {
        out.kind = PageKind::Bilevel;
        CopyBits(pix.get(), out);
    } else if (d == 32) {
        out.kind = PageKind::Colour;
        MakeColourDib(pix.get(), out);
    } else if (cmap) {
        // Any colour-mapped image becomes an 8-bit palette page.
        PixPtr pix8(pixConvertTo8(pix.get(), TRUE));
        if (!pix8 || !pixGetColormap(pix8.get())) return "cannot convert the colour-mapped image";
        out.kind = PageKind::Palette;
        MakeGreyDib(pix8.get(), out);
    } else {
        PixPtr grey(pixConvertTo8(pix.get(), FALSE));
        if (!grey) return "cannot convert the image to 8-bit grey";
        out.kind = PageKind::Grey;
        MakeGreyDib(grey.get(), out);
    }
    if (out.kind != PageKind::Bilevel) {
        // Until a recogniser supplies its own, the page bits are a plain threshold.
        PixPtr bits(pixConvertTo1(pix.get(), 128));
        if (!bits) return "cannot threshold the image";
        CopyBits(bits.get(), out);
    }
    out.pix = std::move(pix);
    return {};
}

}  // namespace rkcli
