// OCRChar and OCRLine: a recognised character and a line of them.
#include "rkcorr/ocrresult/ocr_char.h"

OCRChar::OCRChar() : m_info(0), m_code(0), m_distance(0) {}

OCRChar::OCRChar(char16_t code, unsigned int distance, unsigned int info, OCRRect& rect)
    : OCRRect(rect), m_info(info), m_code(code), m_distance(distance) {}

OCRChar::OCRChar(OCRChar const& other) = default;
OCRChar::~OCRChar() = default;

void OCRChar::init() {
    m_code = 0;
    m_distance = 0;
}

char16_t OCRChar::GetChar() const { return m_code; }
unsigned int OCRChar::GetDistance() const { return m_distance; }
unsigned int OCRChar::GetInfo() const { return m_info; }

OCRLine::OCRLine() = default;
OCRLine::OCRLine(OCRLine const& other) = default;
OCRLine::~OCRLine() = default;

void OCRLine::Add(OCRChar& ch) { m_chars.push_back(ch); }
unsigned int OCRLine::GetSize() const { return static_cast<unsigned int>(m_chars.size()); }
const OCRChar& OCRLine::At(unsigned int index) const { return m_chars.at(index); }
