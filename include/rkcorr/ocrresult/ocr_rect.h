// Value bases of the page model: a rectangle in page pixels and a rejection flag.
#ifndef RKCORR_OCRRESULT_OCR_RECT_H
#define RKCORR_OCRRESULT_OCR_RECT_H

#include "rkcorr/export.h"

// Position and size in page pixels (origin top-left, y downward).
class RKCORR_API OCRRect {
public:
    OCRRect();
    OCRRect(unsigned int x, unsigned int y, unsigned int width, unsigned int height);
    OCRRect(OCRRect const& other);
    OCRRect& operator=(OCRRect const& other) = default;

    unsigned int GetPosX() const;
    unsigned int GetPosY() const;
    unsigned int GetWidth() const;
    unsigned int GetHeight() const;

protected:
    unsigned int m_x;
    unsigned int m_y;
    unsigned int m_width;
    unsigned int m_height;
};

// Accepted (0) or rejected (1).
class RKCORR_API OCRReject {
public:
    OCRReject();

    unsigned char IsRejected() const;
    // Set the flag and return its new value.
    unsigned char Reject();
    unsigned char Accept();

private:
    unsigned char m_rejected;
};

#endif
