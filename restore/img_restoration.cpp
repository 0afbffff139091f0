// The exported entry: locks the result block and the image header, builds the
// page model and hands the page to the driver. Every exception stops here.
#include "rkcorr/img_restoration.h"

#include <cstdint>
#include <memory>

#include "platform/block_lock.h"
#include "restore/driver.h"
#include "restore/parse.h"

int ImgRestoration(void* headHandle) {
    // The pointer carries the 32-bit handle value.
    const HGLOBAL handle = static_cast<HGLOBAL>(reinterpret_cast<uintptr_t>(headHandle));
    if (handle == 0) return -1;

    try {
        BlockLock headLock(handle);
        tagOCRHEAD* head = headLock.get<tagOCRHEAD>();
        if (head == nullptr) return -1;
        BlockLock imageLock(head->hImgHead);
        tagIMGHEAD* image = imageLock.get<tagIMGHEAD>();
        if (image == nullptr) return -1;
        // The document goes before either block is unlocked.
        std::unique_ptr<OCRDocument> doc(parse_ocrhead(head, image));
        if (!doc) return -1;
        // The driver's own failures leave tagIMGAREA untouched; the page
        // still counts as handled.
        img_processing(head, image, doc.get());
        return 0;
    } catch (...) {
        return -1;
    }
}
