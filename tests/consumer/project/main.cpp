// A program outside the tree that uses the installed library: it builds a
// tiny page's result block with GlobalAlloc and runs ImgRestoration on it.
#include <rkcorr/rkcorr.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

HGLOBAL alloc_block(size_t bytes, void** data) {
    HGLOBAL h = GlobalAlloc(GHND, bytes);
    *data = h ? GlobalLock(h) : nullptr;
    return h;
}

}  // namespace

int main() {
    // A 64 x 48 page at 300 dpi: a black square at columns 16-31, lines
    // 10-25 of the 1-bit page bits, one text region with one character at
    // (40, 30)-(48, 40), and no engine picture area.
    const unsigned width = 64, height = 48, lineBytes = 8;
    void *headP, *areaP, *imageP, *bitsP, *dibP, *resultP, *detailP;
    HGLOBAL head = alloc_block(sizeof(tagOCRHEAD), &headP);
    HGLOBAL area = alloc_block(sizeof(tagIMGAREA), &areaP);
    HGLOBAL image = alloc_block(sizeof(tagIMGHEAD), &imageP);
    HGLOBAL bits = alloc_block(lineBytes * height, &bitsP);
    HGLOBAL dib = alloc_block(sizeof(BITMAPINFOHEADER) + 8 + lineBytes * height, &dibP);
    HGLOBAL result = alloc_block(4 * sizeof(tagRESULT), &resultP);
    HGLOBAL detail = alloc_block(4 * sizeof(tagDETAIL), &detailP);
    if (!headP || !areaP || !imageP || !bitsP || !dibP || !resultP || !detailP) {
        std::puts("GlobalAlloc/GlobalLock failed");
        return 1;
    }
    auto* h = static_cast<tagOCRHEAD*>(headP);
    h->hImgArea = area;
    h->hImgHead = image;
    h->hResult = result;
    h->hDetail = detail;
    auto* img = static_cast<tagIMGHEAD*>(imageP);
    img->hBWImage = bits;
    img->wLineByte = lineBytes;
    img->wWidth = width;
    img->wHeight = height;
    img->wXResolution = img->wYResolution = 300;
    img->hDIB = dib;
    for (unsigned y = 10; y <= 25; ++y)
        for (unsigned x = 16; x <= 31; ++x)
            static_cast<BYTE*>(bitsP)[y * lineBytes + x / 8] |= BYTE(0x80 >> (x % 8));
    auto* bih = static_cast<BITMAPINFOHEADER*>(dibP);
    bih->biSize = sizeof(BITMAPINFOHEADER);
    bih->biWidth = width;
    bih->biHeight = height;
    bih->biPlanes = 1;
    bih->biBitCount = 1;
    bih->biClrUsed = 2;
    auto* res = static_cast<tagRESULT*>(resultP);
    res[0].wChild = 1;                                                // root -> region head
    res[1].wFlags = RKCORR_OCR_RESULT_HEAD | RKCORR_OCR_RESULT_TEXT;  // head and only line
    res[1].wChild = 2;
    res[1].wDetail = 1;
    res[2].wChild = 2;  // the character's detail record
    auto* det = static_cast<tagDETAIL*>(detailP);
    det[1].wLeft = 40, det[1].wRight = 48, det[1].wTop = 30, det[1].wBottom = 40;
    det[2] = det[1];
    det[2].candidate[0].wCode = 'A';
    for (HGLOBAL b : {head, area, image, bits, dib, result, detail}) GlobalUnlock(b);

    const int rc = ImgRestoration(reinterpret_cast<void*>(static_cast<uintptr_t>(head)));
    auto* areas = static_cast<tagIMGAREA*>(GlobalLock(area));
    const bool ok = rc == 0 && areas->wCount == 1 && areas->area[0].wLeft == 16 &&
                    areas->area[0].wRight == 30 && areas->area[0].wTop == 11 && areas->area[0].wBottom == 25;
    // No block stays locked: a lock and an unlock leave none behind.
    bool unlocked = true;
    for (HGLOBAL b : {head, image, bits, dib, result, detail}) {
        GlobalLock(b);
        unlocked = unlocked && GlobalUnlock(b) == FALSE;
    }
    if (!ok || !unlocked)
        std::printf("ImgRestoration: %d, %u areas, first (%u, %u)-(%u, %u)\n", rc, unsigned(areas->wCount),
                    unsigned(areas->area[0].wLeft), unsigned(areas->area[0].wTop),
                    unsigned(areas->area[0].wRight), unsigned(areas->area[0].wBottom));
    GlobalUnlock(area);
    for (HGLOBAL b : {head, area, image, bits, dib, result, detail}) GlobalFree(b);
    return ok && unlocked ? 0 : 1;
}
