// A recognised character and a line of characters.
#ifndef RKCORR_OCRRESULT_OCR_CHAR_H
#define RKCORR_OCRRESULT_OCR_CHAR_H

#include <vector>

#include "rkcorr/export.h"
#include "rkcorr/ocrresult/ocr_rect.h"

class RKCORR_API OCRChar : public OCRRect, public OCRReject {
public:
    OCRChar();
    // Code, distance of the chosen candidate, engine info, rectangle.
    OCRChar(char16_t code, unsigned int distance, unsigned int info, OCRRect& rect);
    // Member by member.
    OCRChar(OCRChar const& other);
    OCRChar& operator=(OCRChar const& other) = default;
    ~OCRChar();

    // Clears the code and the distance.
    void init();
    char16_t GetChar() const;
    unsigned int GetDistance() const;
    unsigned int GetInfo() const;

private:
    unsigned int m_info;
    char16_t m_code;
    unsigned int m_distance;
};

// A line has no rectangle of its own; it holds its characters by value.
class RKCORR_API OCRLine : public OCRReject {
public:
    OCRLine();
    // Member by member, the characters included.
    OCRLine(OCRLine const& other);
    OCRLine& operator=(OCRLine const& other) = default;
    ~OCRLine();

    // Appends a copy.
    void Add(OCRChar& ch);
    unsigned int GetSize() const;
    // Throws std::out_of_range when index is not below GetSize().
    const OCRChar& At(unsigned int index) const;

private:
    std::vector<OCRChar> m_chars;
};

#endif
