// A table and its cells.
#ifndef RKCORR_OCRRESULT_OCR_TABLE_H
#define RKCORR_OCRRESULT_OCR_TABLE_H

#include <vector>

#include "rkcorr/export.h"
#include "rkcorr/ocrresult/ocr_char.h"
#include "rkcorr/ocrresult/ocr_rect.h"
#include "rkcorr/ocrresult/ocr_region.h"

class RKCORR_API OCRCell : public OCRRect, public OCRReject {
public:
    OCRCell();
    explicit OCRCell(OCRRect& rect);
    OCRCell(unsigned int indexX, unsigned int indexY, unsigned int mergeX, unsigned int mergeY,
            OCRRect& rect);
    // Member by member, the lines included.
    OCRCell(OCRCell const& other);
    OCRCell& operator=(OCRCell const& other) = default;
    ~OCRCell();

    // Appends a copy.
    void Add(OCRLine& line);
    unsigned int GetSize() const;
    // Throws std::out_of_range when index is not below GetSize().
    const OCRLine& At(unsigned int index) const;

    unsigned int GetIndexX() const;
    unsigned int GetIndexY() const;
    unsigned int GetMergeX() const;
    unsigned int GetMergeY() const;

private:
    std::vector<OCRLine> m_lines;
    unsigned int m_indexX;
    unsigned int m_indexY;
    unsigned int m_mergeX;
    unsigned int m_mergeY;
};

class RKCORR_API OCRTable final : public OCRRect, public OCRRegion, public OCRReject {
public:
    OCRTable();
    explicit OCRTable(OCRRect& rect);
    OCRTable(unsigned int sizeX, unsigned int sizeY, OCRRect& rect);
    OCRTable(OCRTable const& other);
    OCRTable& operator=(OCRTable const& other) = default;
    ~OCRTable();

    unsigned int GetType() const override;  // 1

    // Appends a copy.
    void Add(OCRCell& cell);
    unsigned int GetSize() const;
    // Throws std::out_of_range when index is not below GetSize().
    const OCRCell& At(unsigned int index) const;

    unsigned int GetSizeX() const;
    unsigned int GetSizeY() const;

    // Widens the table's rectangle to the bounding box of itself and every cell.
    void CalcSize();

private:
    unsigned int m_sizeX;
    unsigned int m_sizeY;
    std::vector<OCRCell> m_cells;
};

#endif
