// IMGRect: the rectangle the picture-area finder works on, from labeling to
// the write-back: the bounding box of an ink component, a recognised character,
// a text box or a table, in page pixels (top-down, edges inclusive), with a
// border flag that marks thin lines.
//
// Header-only: the class adds no virtual operation (its virtual table is the
// one of TRkImgRect<unsigned short>) and nothing out of line.
#ifndef RKCORR_IMGRECT_H
#define RKCORR_IMGRECT_H

#include "rkcorr/geometry.h"

class IMGRect : public TRkImgRect<unsigned short> {
public:
    typedef TRkImgRect<unsigned short> Base;

    // The four sides of `rect`; not a border.
    IMGRect(Base rect) : Base(rect), border(false) {}
    // Arguments in (left, top, right, bottom) order; not a border.
    IMGRect(unsigned short l, unsigned short t, unsigned short r, unsigned short b)
        : Base(l, t, r, b), border(false) {}
    // Copies the four sides and the border flag.
    IMGRect(const IMGRect& o) : Base(o), border(o.border) {}
    IMGRect& operator=(const IMGRect& o) {
        Base::operator=(o);
        border = o.border;
        return *this;
    }
    // Not virtual; owns nothing.
    ~IMGRect() { init(); }

    // Clears the border flag and nothing else.
    void init() { border = false; }

    bool IsBorder() const { return border; }
    void SetBorder(bool b) { border = b; }

private:
    bool border;
};

#endif
