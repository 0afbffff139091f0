// OCRBox: a text box of the page model, a list of lines.
#include "rkcorr/ocrresult/ocr_box.h"

OCRBox::OCRBox() = default;

OCRBox::OCRBox(unsigned int x, unsigned int y, unsigned int width, unsigned int height)
    : OCRRect(x, y, width, height) {}

OCRBox::OCRBox(OCRBox const& other) = default;
OCRBox::~OCRBox() = default;

unsigned int OCRBox::GetType() const { return RKCORR_OCR_REGION_BOX; }

void OCRBox::Add(OCRLine& line) { m_lines.push_back(line); }
unsigned int OCRBox::GetSize() const { return static_cast<unsigned int>(m_lines.size()); }
const OCRLine& OCRBox::At(unsigned int index) const { return m_lines.at(index); }
