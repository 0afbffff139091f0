// OCRCell and OCRTable: a table of the page model and its cells of lines.
#include "rkcorr/ocrresult/ocr_table.h"

OCRCell::OCRCell() : m_indexX(0), m_indexY(0), m_mergeX(0), m_mergeY(0) {}

OCRCell::OCRCell(OCRRect& rect) : OCRRect(rect), m_indexX(0), m_indexY(0), m_mergeX(0), m_mergeY(0) {}

OCRCell::OCRCell(unsigned int indexX, unsigned int indexY, unsigned int mergeX, unsigned int mergeY,
                 OCRRect& rect)
    : OCRRect(rect), m_indexX(indexX), m_indexY(indexY), m_mergeX(mergeX), m_mergeY(mergeY) {}

OCRCell::OCRCell(OCRCell const& other) = default;
OCRCell::~OCRCell() = default;

void OCRCell::Add(OCRLine& line) { m_lines.push_back(line); }
unsigned int OCRCell::GetSize() const { return static_cast<unsigned int>(m_lines.size()); }
const OCRLine& OCRCell::At(unsigned int index) const { return m_lines.at(index); }
unsigned int OCRCell::GetIndexX() const { return m_indexX; }
unsigned int OCRCell::GetIndexY() const { return m_indexY; }
unsigned int OCRCell::GetMergeX() const { return m_mergeX; }
unsigned int OCRCell::GetMergeY() const { return m_mergeY; }

OCRTable::OCRTable() : m_sizeX(0), m_sizeY(0) {}

OCRTable::OCRTable(OCRRect& rect) : OCRRect(rect), m_sizeX(0), m_sizeY(0) {}

OCRTable::OCRTable(unsigned int sizeX, unsigned int sizeY, OCRRect& rect)
    : OCRRect(rect), m_sizeX(sizeX), m_sizeY(sizeY) {}

OCRTable::OCRTable(OCRTable const& other) = default;
OCRTable::~OCRTable() = default;

unsigned int OCRTable::GetType() const { return RKCORR_OCR_REGION_TABLE; }

void OCRTable::Add(OCRCell& cell) { m_cells.push_back(cell); }
unsigned int OCRTable::GetSize() const { return static_cast<unsigned int>(m_cells.size()); }
const OCRCell& OCRTable::At(unsigned int index) const { return m_cells.at(index); }
unsigned int OCRTable::GetSizeX() const { return m_sizeX; }
unsigned int OCRTable::GetSizeY() const { return m_sizeY; }

void OCRTable::CalcSize() {
    // Unsigned 32-bit bounds; the table's own rectangle always takes part.
    unsigned int minX = m_x, minY = m_y;
    unsigned int maxX = m_x + m_width, maxY = m_y + m_height;
    for (const OCRCell& cell : m_cells) {
        const unsigned int x = cell.GetPosX(), y = cell.GetPosY();
        const unsigned int right = x + cell.GetWidth(), bottom = y + cell.GetHeight();
        if (x < minX) minX = x;
        if (y < minY) minY = y;
        if (right > maxX) maxX = right;
        if (bottom > maxY) maxY = bottom;
    }
    m_x = minX;
    m_y = minY;
    m_width = maxX - minX;
    m_height = maxY - minY;
}
