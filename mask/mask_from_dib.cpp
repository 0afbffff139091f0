// The page masks of grey and colour pages: 8-bit grey, 8-bit palette and
// 24-bit bitmaps become grey rows, one byte per pixel, each counted into the
// level histogram and handed to the entropy mask in the same pass.
#include <stdint.h>
#include <string.h>

#include <memory>
#include <stdexcept>

#include "bwimage/grey_level.h"
#include "mask/entropy_mask.h"
#include "mask/mask_sources.h"
#include "platform/block_lock.h"
#include "rkcorr/bitmap_types.h"
#include "rkcorr/imgmask.h"
#include "rkcorr/ocr_records.h"

namespace {

// The locked bitmap with its geometry, or nothing when it cannot be locked,
// has another depth, or is shorter than its header says. The length is known
// only when GlobalSize reports one: a host layer that answers 0 does not keep
// sizes, and its blocks are taken as the engine guarantees them.
struct Dib {
    const BITMAPINFOHEADER* bih = nullptr;
    const unsigned char* rows = nullptr;  // first stored row
    unsigned int width = 0;
    unsigned int height = 0;
    unsigned int rowBytes = 0;  // bitmap row length
};

unsigned int pad4(uint64_t bytes) { return static_cast<unsigned int>((bytes + 3) & ~uint64_t{3}); }

bool open_dib(BlockLock& lock, HGLOBAL handle, unsigned int bitCount, uint64_t paletteEntries, Dib& dib) {
    const unsigned char* base = lock.get<unsigned char>();
    const uint64_t size = GlobalSize(handle);
    const bool sized = size != 0;
    if (!base || (sized && size < sizeof(BITMAPINFOHEADER))) return false;
    const auto* bih = reinterpret_cast<const BITMAPINFOHEADER*>(base);
    if (bih->biBitCount != bitCount) return false;
    const uint64_t width = static_cast<uint32_t>(bih->biWidth);
    const uint64_t height =
        bih->biHeight < 0 ? 0u - static_cast<uint32_t>(bih->biHeight) : static_cast<uint32_t>(bih->biHeight);
    const uint64_t rowBytes = (width * (bitCount / 8) + 3) & ~uint64_t{3};
    const uint64_t offset = sizeof(BITMAPINFOHEADER) + 4 * paletteEntries;
    if (rowBytes > UINT32_MAX || (sized && offset + rowBytes * height > size)) return false;
    dib.bih = bih;
    dib.rows = base + offset;
    dib.width = static_cast<unsigned int>(width);
    dib.height = static_cast<unsigned int>(height);
    dib.rowBytes = static_cast<unsigned int>(rowBytes);
    return true;
}

// One grey row, reused for every row of the page: the grey rows go to the
// entropy mask while they are still in the cache, so the page's grey image
// is never kept.
struct GreyRow {
    std::unique_ptr<unsigned char[]> bytes;
    explicit GreyRow(const Dib& dib) : bytes(new unsigned char[pad4(dib.width)]) {}
};

}  // namespace

ImgMask* mask_from_8bit_gray(tagIMGHEAD* head) {
    BlockLock lock(head->hDIB);
    const auto* bih = lock.get<BITMAPINFOHEADER>();
    Dib dib;
    if (!bih || !open_dib(lock, head->hDIB, 8, bih->biClrUsed, dib)) return nullptr;
    // The pixel values are the grey levels; the palette, if any, is skipped.
    return create_entropy_mask(dib.width, dib.height, dib.rowBytes,
                               static_cast<unsigned int>(bih->biXPelsPerMeter),
                               const_cast<unsigned char*>(dib.rows));
}

ImgMask* mask_from_8bit_palette(tagIMGHEAD* head) {
    BlockLock lock(head->hDIB);
    const auto* bih = lock.get<BITMAPINFOHEADER>();
    Dib dib;
    if (!bih || !open_dib(lock, head->hDIB, 8, bih->biClrUsed, dib)) return nullptr;

    // A pixel value not below the palette size has no grey level.
    uint16_t table[256];
    rkbwimage::grey_palette_table(reinterpret_cast<const uint8_t*>(bih) + sizeof *bih, bih->biClrUsed, false,
                                  table);
    GreyRow grey(dib);
    return make_entropy_mask(dib.width, dib.height, static_cast<unsigned int>(bih->biXPelsPerMeter),
                             [&](unsigned first, unsigned step, unsigned count, unsigned int* histogram,
                                 rkbwimage::GreyRowSink* sink) {
                                 if (!rkbwimage::grey_from_table(
                                         dib.rows + size_t{first} * dib.rowBytes, size_t{step} * dib.rowBytes,
                                         grey.bytes.get(), 0, dib.width, count, table, histogram, sink))
                                     throw std::out_of_range("palette index not below the palette size");
                             });
}

ImgMask* mask_from_24bit(tagIMGHEAD* head) {
    BlockLock lock(head->hDIB);
    Dib dib;
    // The rows follow the 40-byte header directly: no palette is assumed.
    if (!open_dib(lock, head->hDIB, 24, 0, dib)) return nullptr;

    GreyRow grey(dib);
    return make_entropy_mask(dib.width, dib.height, static_cast<unsigned int>(dib.bih->biXPelsPerMeter),
                             [&](unsigned first, unsigned step, unsigned count, unsigned int* histogram,
                                 rkbwimage::GreyRowSink* sink) {
                                 rkbwimage::grey_from_bgr(dib.rows + size_t{first} * dib.rowBytes,
                                                          size_t{step} * dib.rowBytes, grey.bytes.get(), 0,
                                                          dib.width, count, histogram, sink);
                             });
}
