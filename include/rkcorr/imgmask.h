// The page mask: a bilevel image of the page at half the page image's
// resolution in each direction, in which a black pixel marks content that may
// belong to a picture area.
//
// CreateMask reduces a full-size 1-bit image by 2 both ways: a mask pixel is
// black when any of the four source pixels of its 2 x 2 block is set (the
// padding bits of the source's last byte in a line included). The mask keeps
// the source's row order: its n-th stored row comes from the source's stored
// rows 2n and 2n + 1. Since the reduced header's height is positive, the image
// classes (which count rows from the top of a bottom-up bitmap) see the page
// upside down: image row r is the mask's stored row height - 1 - r. Page line y
// lies in image row (H - 1 - y) / zoom, H being the source height.
#ifndef RKCORR_IMGMASK_H
#define RKCORR_IMGMASK_H

#include "rkcorr/bitmap_types.h"
#include "rkcorr/bmpimage.h"
#include "rkcorr/export.h"

class CRkBWImage;

class RKCORR_API ImgMask {
public:
    ImgMask();   // empty
    ~ImgMask();  // release()

    ImgMask(const ImgMask&) = delete;
    ImgMask& operator=(const ImgMask&) = delete;

    // Sets every field to zero without freeing anything.
    void init();
    // Frees the header block, the image object and the bit buffer, then init().
    void release();

    // Builds the mask from a 1-bit source whose lines are lineBytes bytes
    // apart. 0 on success. -1, changing nothing, for a null header or bits, a
    // lineBytes of 0 or a depth other than 1; -1 with no bilevel image left
    // when memory runs out.
    int CreateMask(tagBITMAPINFOHEADER* header, unsigned char* bits, unsigned int lineBytes);

    // Clears the mask pixels of the page rectangle (x, y, width, height), top-
    // left corner in page coordinates, widened by a margin of 2 columns on the
    // left, 4 on the right, 1 line above and 5 below; clipped to the mask.
    void EraseRect(unsigned int x, unsigned int y, unsigned int width, unsigned int height);

    // Source column of mask column x (zoom * x, at most width - 1) and full-
    // size row of mask row y (zoom * y, at most height - 1), in the same
    // counting direction.
    unsigned int GetOriginPosX(unsigned int x) const;
    unsigned int GetOriginPosY(unsigned int y) const;

    unsigned int GetZoom() const;       // 2 when built, 0 when empty
    unsigned int GetSrcWidth() const;   // source width, pixels
    unsigned int GetSrcHeight() const;  // source height, pixels
    CRkBWImage* GetCRkBWImage() const;  // null on an empty mask

private:
    unsigned char* m_header;  // 48 bytes: BITMAPINFOHEADER and two palette entries
    unsigned char* m_bits;    // reduced rows
    CRkBWImage* m_image;      // view over m_header and m_bits
    unsigned int m_zoom;
    unsigned int m_srcWidth;
    unsigned int m_srcHeight;
};

#endif
