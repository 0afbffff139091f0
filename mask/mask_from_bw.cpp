// The page mask of a bilevel page: the engine's 1-bit rows go straight to
// ImgMask::CreateMask, top row first.
#include <stdint.h>
#include <string.h>

#include <memory>

#include "mask/bw_header.h"
#include "mask/mask_sources.h"
#include "platform/block_lock.h"
#include "rkcorr/bitmap_types.h"
#include "rkcorr/imgmask.h"
#include "rkcorr/ocr_records.h"

int dpi2dpm(unsigned int dpi) { return static_cast<int>(dpi * 10000u) / 254; }

ImgMask* mask_from_bw(tagIMGHEAD* head) {
    BlockLock lock(head->hBWImage);
    unsigned char* rows = lock.get<unsigned char>();
    if (!rows) return nullptr;
    std::unique_ptr<ImgMask> mask(new ImgMask());

    rkmask::BwHeaderBlock header = rkmask::make_bw_header(
        head->wWidth, head->wHeight, dpi2dpm(head->wXResolution), dpi2dpm(head->wYResolution));

    // The reduction reads ceil(width / 8) bytes of each of the wHeight rows;
    // a block too short for that is refused like any other bad input. A host
    // layer whose GlobalSize answers 0 keeps no sizes: no check then.
    const uint64_t lineBytes = head->wLineByte;
    const uint64_t needed =
        head->wHeight == 0 ? 0 : (head->wHeight - 1u) * lineBytes + (head->wWidth + 7u) / 8u;
    const SIZE_T size = GlobalSize(head->hBWImage);
    if (size == 0 || needed <= size) mask->CreateMask(&header.bih, rows, head->wLineByte);
    return mask.release();
}
