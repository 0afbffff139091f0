// Result commit: the engine's own picture areas join the found ones, the
// last merge passes run over the sorted list, and at most 100 survivors are
// written back. This is the only write into the engine's memory.
#include "restore/commit.h"

#include "platform/block_lock.h"
#include "restore/stages.h"

int commit_result(tagOCRHEAD* head, std::list<IMGRect*>* candidates, std::vector<IMGRect>* chars,
                  unsigned int width, unsigned int height) {
    // Areas below this many square pixels are dropped (0 on pages under 200
    // lines); the first division truncates before the product.
    const unsigned int tiny = ((height / 200u) * width) / 200u;
    if (!head || !candidates) return -1;
    BlockLock lock(head->hImgArea);
    auto* block = lock.get<tagIMGAREA>();
    if (!block) return -1;

    // Records may lie past the declared array when the engine's block is
    // larger; address them through a plain pointer.
    tagIMGAREAREC* records = block->area;
    const unsigned int n = block->wCount;
    // Sized once: the list points at its elements until the write-back.
    std::vector<IMGRect> engineAreas(n, IMGRect(0, 0, 0, 0));
    for (unsigned int k = 0; k < n; ++k) {
        const tagIMGAREAREC rec = records[k];
        engineAreas[k] = IMGRect(rec.wLeft, rec.wTop, rec.wRight, rec.wBottom);
        candidates->push_back(&engineAreas[k]);
    }

    candidates->sort(compare());
    merge_image(candidates);
    merge_step_mark_tinyrc(candidates, tiny);
    merge_closeset(chars, candidates);
    merge_step_erase_disablerc(candidates);

    // Nothing below can throw: tagIMGAREA is either untouched or rewritten.
    WORD written = 0;
    for (IMGRect* r : *candidates) {
        if (written == RKCORR_OCR_MAX_IMGAREA) break;
        if (!r) continue;  // the sweep leaves none; never write through null
        tagIMGAREAREC& out = records[written++];
        out.wLeft = r->GetLeft();
        out.wRight = r->GetRight();
        out.wTop = r->GetTop();
        out.wBottom = r->GetBottom();
    }
    block->wCount = written;
    const int survivors = static_cast<int>(candidates->size());
    lock.unlock();
    return survivors;
}
