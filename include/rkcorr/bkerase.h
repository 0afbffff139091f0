// Background-erase scorer: edge detail of a grey or colour page at grey levels
// that are not paper background.
//
// Give it a packed device-independent bitmap (40-byte info header, bottom row
// first, uncompressed, 8 or 24 bits per pixel) with SetImage, call Do once, and
// then ask GetEntropyScore for any rectangle: the mean, over the rectangle's
// pixels whose brightness is not background, of the level's self-information
// times the squared gradient strength. Scores are single-precision; -1.0 means
// the rectangle reaches the right or bottom edge of the image or beyond, 0 that
// it holds no foreground pixel.
//
// Brightness of a pixel is floor((blue + green + red) / 3). For an 8-bit
// bitmap the palette holds biClrUsed entries right after the header and the
// rows follow it; a pixel value that is not below biClrUsed (every value when
// biClrUsed is 0) has no palette entry and is taken as its own brightness, so
// an 8-bit bitmap without a palette reads as plain grey levels. Only the
// header, the first biClrUsed palette entries (at most 256 of them) and the
// pixel rows are read; the block must hold the whole image, since `size` is
// only checked for 0.
//
// Memory: allocate() (and so SetImage) returns -1 when its arrays cannot be
// had, the scorer then being in state 0 with whatever arrays it obtained so
// far, which the next release() or the destructor frees. An image whose arrays
// cannot even be sized on this platform is reported the same way. No
// operation throws.
//
// variance() is an alternative to fast_variance() that Do does not use. When
// every local variance is 0 (so that the normalising maximum is 0) it leaves
// the stored values as they are instead of dividing by 0.
//
// One object is used by one thread at a time.
#ifndef RKCORR_BKERASE_H
#define RKCORR_BKERASE_H

#include "rkcorr/export.h"

class RKCORR_API BKErase {
public:
    BKErase();
    ~BKErase();
    BKErase(const BKErase&) = delete;
    BKErase& operator=(const BKErase&) = delete;

    // Width and height 0, bit count 24, no arrays, state 0; frees nothing.
    void init();
    // Frees the arrays and sets the state to 0; the size and bit count stay.
    void release();
    // release(), then the arrays for the current size: 0, or -1 for an empty size.
    int allocate();
    // Accepts a bitmap and fills the brightness array: 0, or -1 when refused.
    // A refused bitmap leaves the scorer exactly as it was.
    int SetImage(void* bitmap, unsigned int size);
    // histogram(), then fast_variance(): 0, or -1 unless an image was just set.
    int Do();
    // Histogram, information table and background flags: 0, or -1 unless an
    // image was just set.
    int histogram();
    // Gradient map from four samples per pixel. Always 0.
    int fast_variance();
    // Gradient map from the 7 x 7 local variance instead. Always 0.
    int variance();
    // Score of the rectangle (x, y)-(x + dx, y + dy), both ends included, rows
    // counted from the top of the image; sums in unsigned 32-bit arithmetic.
    float GetEntropyScore(unsigned int x, unsigned int y, unsigned int dx, unsigned int dy) const;
    // True when scores are available (state 2).
    bool CheckState() const;
    unsigned int GetWidth() const;
    unsigned int GetHeight() const;

private:
    unsigned int m_width;
    unsigned int m_height;
    unsigned int m_bitCount;
    unsigned char* m_colour;      // copy of the input pixels, never read
    unsigned char* m_brightness;  // width x height, bitmap row order
    unsigned int* m_histogram;    // 256 counters
    float* m_information;         // 256 self-information values
    unsigned char* m_flags;       // 256 flags: 1 counts in scores
    float* m_gradient;            // width x height, 0 to 1
    int m_state;                  // 0 empty, 1 image set, 2 scored
};

#endif
