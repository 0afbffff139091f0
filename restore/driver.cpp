// The processing driver: page mask, text erasure, labeling, rectangles,
// merge passes and commit, in this order. Every intermediate object is held
// by a unique_ptr, so it is destroyed on every path, an exception included,
// in the order boxes, characters, merged list, labelled areas, mask.
#include "restore/driver.h"

#include <list>
#include <memory>
#include <vector>

#include "rkcorr/bitmap_types.h"
#include "platform/block_lock.h"
#include "restore/commit.h"
#include "restore/stages.h"

namespace {

// The bitmap's depth and palette size, both 0 when it cannot be locked. The
// bitmap stays locked only while they are read.
void read_depth(const tagIMGHEAD* image, unsigned& bitCount, unsigned& clrUsed) {
    bitCount = 0;
    clrUsed = 0;
    BlockLock dib(image->hDIB);
    if (const auto* bih = dib.get<BITMAPINFOHEADER>()) {
        bitCount = bih->biBitCount;
        clrUsed = bih->biClrUsed;
    }
}

// The mask source for the page's pixel format; null for an unsupported depth.
ImgMask* create_page_mask(tagIMGHEAD* image) {
    unsigned bitCount, clrUsed;
    read_depth(image, bitCount, clrUsed);
    // The 1-bit path reads the engine's bilevel page bits, never the bitmap,
    // so wBWFlag 1 sends 8-bit and 24-bit pages there too.
    if (bitCount == 1 || image->wBWFlag == 1) return mask_from_bw(image);
    if (bitCount == 8) return clrUsed == 0 ? mask_from_8bit_gray(image) : mask_from_8bit_palette(image);
    if (bitCount == 24) return mask_from_24bit(image);
    return nullptr;
}

}  // namespace

int img_processing(tagOCRHEAD* head, tagIMGHEAD* image, OCRDocument* doc) {
    if (!image) return -1;
    // Declared in the reverse of their destruction order.
    std::unique_ptr<ImgMask> mask(create_page_mask(image));
    if (!mask) return -1;
    erase_text_region(mask.get(), doc);
    std::unique_ptr<std::vector<IMGRect>> labels(labeling(mask.get()));
    if (!labels) return -1;
    // The list points into `labels`, which outlives it.
    std::unique_ptr<std::list<IMGRect*>> merged;
    std::unique_ptr<std::vector<IMGRect>> chars(create_char_rect(mask.get(), doc));
    if (!chars) return -1;
    std::unique_ptr<std::vector<IMGRect>> boxes(create_box_rect(mask.get(), doc));
    if (!boxes) return -1;
    merged.reset(merge_rects(labels.get(), chars.get(), boxes.get(), doc, mask.get()));
    if (!merged) return -1;
    commit_result(head, merged.get(), chars.get(), mask->GetSrcWidth(), mask->GetSrcHeight());
    return 0;
}
