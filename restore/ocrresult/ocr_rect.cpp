// OCRRect and OCRReject: the rectangle every page-model item stands on, and
// the rejection flag of a recognised item.
#include "rkcorr/ocrresult/ocr_rect.h"

OCRRect::OCRRect() : m_x(0), m_y(0), m_width(0), m_height(0) {}

OCRRect::OCRRect(unsigned int x, unsigned int y, unsigned int width, unsigned int height)
    : m_x(x), m_y(y), m_width(width), m_height(height) {}

OCRRect::OCRRect(OCRRect const& other)
    : m_x(other.GetPosX()), m_y(other.GetPosY()), m_width(other.GetWidth()), m_height(other.GetHeight()) {}

unsigned int OCRRect::GetPosX() const { return m_x; }
unsigned int OCRRect::GetPosY() const { return m_y; }
unsigned int OCRRect::GetWidth() const { return m_width; }
unsigned int OCRRect::GetHeight() const { return m_height; }

OCRReject::OCRReject() : m_rejected(0) {}

unsigned char OCRReject::IsRejected() const { return m_rejected; }

unsigned char OCRReject::Reject() {
    m_rejected = 1;
    return m_rejected;
}

unsigned char OCRReject::Accept() {
    m_rejected = 0;
    return m_rejected;
}
