// The exported entry: locks the result block and the image header, builds the
// page model and hands the page to the driver. Every exception stops here.
#include "rkcorr/img_restoration.h"

#include <cstdint>

#include "rkcorr/platform_memory.h"
#include "restore/driver.h"
#include "restore/parse.h"

int ImgRestoration(void* headHandle) {
    // The pointer carries the 32-bit handle value.
    const HGLOBAL handle = static_cast<HGLOBAL>(reinterpret_cast<uintptr_t>(headHandle));
    if (handle == 0) return -1;

    int result = -1;
    tagOCRHEAD* head = nullptr;
    tagIMGHEAD* image = nullptr;
    HGLOBAL imageHandle = 0;
    OCRDocument* doc = nullptr;
    try {
        head = static_cast<tagOCRHEAD*>(GlobalLock(handle));
        if (head) {
            imageHandle = head->hImgHead;
            image = static_cast<tagIMGHEAD*>(GlobalLock(imageHandle));
            if (image) {
                doc = parse_ocrhead(head, image);
                if (doc) {
                    // The driver's own failures leave tagIMGAREA untouched;
                    // the page still counts as handled.
                    img_processing(head, image, doc);
                    result = 0;
                }
            }
        }
    } catch (...) {
        result = -1;
    }
    delete doc;
    if (image) GlobalUnlock(imageHandle);
    if (head) GlobalUnlock(handle);
    return result;
}
