// Result parsing: text regions become OCRBox objects of lines, table regions
// OCRTable objects of cells of lines. Indices are trusted as the engine
// guarantees them; nothing here checks an index or a loop.
#include "restore/parse.h"

#include <cstring>
#include <memory>

#include "platform/block_lock.h"

namespace {

OCRRect detail_rect(const tagDETAIL& d) {
    return OCRRect(d.wLeft, d.wTop, static_cast<unsigned int>(d.wRight) - d.wLeft,
                   static_cast<unsigned int>(d.wBottom) - d.wTop);
}

// The chosen candidate lies at byte 12 + 4 * wSelect of the record.
tagCANDIDATE chosen_candidate(const tagDETAIL& d) {
    tagCANDIDATE c;
    std::memcpy(&c, reinterpret_cast<const BYTE*>(&d) + offsetof(tagDETAIL, candidate) + 4u * d.wSelect,
                sizeof c);
    return c;
}

OCRChar make_char(const tagDETAIL& d, const tagCANDIDATE& c) {
    OCRRect rect = detail_rect(d);
    return OCRChar(static_cast<char16_t>(c.wCode), c.wDist, d.wInfo, rect);
}

// The record after `index` in the top chain, or 0 when the region ends there.
unsigned short next_in_region(const tagRESULT* result, unsigned short index) {
    const unsigned short next = result[index].wNext;
    if (next == 0 || (result[next].wFlags & RKCORR_OCR_RESULT_HEAD)) return 0;
    return next;
}

}  // namespace

int parse_text_region(OCRDocument* doc, unsigned short index, tagRESULT* result, tagDETAIL* detail) {
    OCRRect rect = detail_rect(detail[result[index].wDetail]);
    std::unique_ptr<OCRBox> box(
        new OCRBox(rect.GetPosX(), rect.GetPosY(), rect.GetWidth(), rect.GetHeight()));
    for (unsigned short lineRec = index; lineRec != 0; lineRec = next_in_region(result, lineRec)) {
        OCRLine line;
        unsigned short charRec = result[lineRec].wChild;
        for (;;) {
            const tagRESULT& rec = result[charRec];
            const tagDETAIL& d = detail[rec.wChild];
            const tagCANDIDATE c = chosen_candidate(d);
            if (c.wCode == RKCORR_OCR_CODE_LINEFEED) break;
            OCRChar ch = make_char(d, c);
            line.Add(ch);
            if (rec.wNext == 0) break;
            charRec = rec.wNext;
        }
        box->Add(line);
    }
    doc->Add(box.get());
    box.release();
    return 0;
}

int parse_table_region(OCRDocument* doc, unsigned short index, tagRESULT* result, tagDETAIL* detail) {
    const tagDETAIL& headDetail = detail[result[index].wDetail];
    OCRRect rect = detail_rect(headDetail);
    std::unique_ptr<OCRTable> table(new OCRTable(headDetail.bSizeX, headDetail.bSizeY, rect));
    for (unsigned short cellRec = index; cellRec != 0; cellRec = next_in_region(result, cellRec)) {
        const tagDETAIL& cd = detail[result[cellRec].wDetail];
        OCRRect cellRect = detail_rect(cd);
        OCRCell cell(cd.bIndexX, cd.bIndexY, cd.bMergeX, cd.bMergeY, cellRect);
        unsigned short charRec = result[cellRec].wChild;
        bool cellEnded = false;
        while (!cellEnded) {
            OCRLine line;
            for (;;) {
                const tagRESULT& rec = result[charRec];
                const tagDETAIL& d = detail[rec.wChild];
                const tagCANDIDATE c = chosen_candidate(d);
                // A line feed or the chain's last record closes the cell
                // without being added; a carriage return closes the line.
                if (c.wCode == RKCORR_OCR_CODE_LINEFEED || rec.wNext == 0) {
                    cellEnded = true;
                    break;
                }
                charRec = rec.wNext;
                if (c.wCode == RKCORR_OCR_CODE_RETURN) break;
                OCRChar ch = make_char(d, c);
                line.Add(ch);
            }
            cell.Add(line);
        }
        table->Add(cell);
    }
    table->CalcSize();
    doc->Add(table.get());
    table.release();
    return 0;
}

int parse_region_head(OCRDocument* doc, unsigned short index, tagRESULT* result, tagDETAIL* detail) {
    const WORD flags = result[index].wFlags;
    if (flags & RKCORR_OCR_RESULT_EXCLUDED) return -1;
    if (flags & RKCORR_OCR_RESULT_TABLE) return parse_table_region(doc, index, result, detail);
    if (flags & RKCORR_OCR_RESULT_TEXT) return parse_text_region(doc, index, result, detail);
    return -1;
}

OCRDocument* parse_ocrhead(tagOCRHEAD* head, tagIMGHEAD* image) {
    if (!head) return nullptr;
    BlockLock resultLock(head->hResult);
    // Without the result array the detail array is not even locked.
    if (!resultLock.locked()) return nullptr;
    BlockLock detailLock(head->hDetail);
    std::unique_ptr<OCRDocument> doc;
    if (detailLock.locked()) {
        tagRESULT* result = resultLock.get<tagRESULT>();
        tagDETAIL* detail = detailLock.get<tagDETAIL>();
        OCRRect page(0, 0, image ? image->wWidth : 0u, image ? image->wHeight : 0u);
        doc.reset(new OCRDocument(page));
        // Records of the top chain without the head flag are the further
        // lines or cells of the region before them; the walk passes them.
        for (unsigned short i = result[0].wChild; i != 0; i = result[i].wNext) {
            if (result[i].wFlags & RKCORR_OCR_RESULT_HEAD) parse_region_head(doc.get(), i, result, detail);
        }
    }
    resultLock.unlock();
    detailLock.unlock();
    return doc.release();
}
