// The bilevel image: a one-bit-per-pixel view over a caller's DIB.
//
// Pixel encoding: a set bit is black (foreground), a clear bit white; pixel x
// of a row is in byte x / 8 under the mask 0x80 >> (x % 8); the palette is
// never consulted. Row y counts from the top of the image whatever the storage
// order (GetLineData). Coordinates are unsigned 16-bit and are not checked
// against the image size: keeping them inside is the caller's duty.
//
// Operations call one another through their virtual slots, so a derived class
// that overrides GetLineData or a pixel operation changes every operation built
// on it. The slots continue those of CRkBMPImage in a fixed order.
#ifndef RKCORR_BWIMAGE_H
#define RKCORR_BWIMAGE_H

#include <vector>

#include "rkcorr/bmpimage.h"
#include "rkcorr/export.h"
#include "rkcorr/framepack.h"
#include "rkcorr/geometry.h"
#include "rkcorr/hranextract.h"
#include "rkcorr/runlist.h"
#include "rkcorr/platform_types.h"

class RKCORR_API CRkBWImage : public CRkBMPImage {
public:
    // A size of 0 means line byte size * height. The caller owns header and bits.
    CRkBWImage(BITMAPINFOHEADER* header, BYTE* bits, DWORD imageBufSize = 0);

    // Replaces the row stride used by GetLineData.
    virtual void SetLineByte(WORD bytes);
    virtual void SetImageBufSize(DWORD bytes);
    // Note: pass a typed x (not the literal 0) to the (x, y) form, or the call
    // is ambiguous with the (row, x) form.
    virtual BOOL IsBlack(WORD x, WORD y) const;
    virtual BOOL IsBlack(const BYTE* row, WORD x) const;
    // Number of black pixels inside the rectangle.
    virtual DWORD CountBlack(TRkImgRect<unsigned short> rect) const;

    // Rewrites the part of line `line` inside the window (the whole row when
    // horizontal is 1, the whole column otherwise, when window is null): the
    // window is cleared and the runs, cut to the window, are drawn. Returns 1.
    virtual int ReDraw(WORD line, std::vector<TRkImgRan<unsigned short>>& runs, int horizontal,
                       TRkImgRan<unsigned short>* window);

    // Pixel, span (on row `line` when horizontal is non-zero, on column `line`
    // otherwise, start to end inclusive), rectangle, and runs on one line.
    virtual void Draw(WORD x, WORD y);
    virtual void Draw(WORD line, WORD start, WORD end, int horizontal);
    virtual void Draw(TRkImgRect<unsigned short> rect);
    virtual void Draw(WORD line, std::vector<TRkImgRan<unsigned short>>& runs, int horizontal);
    virtual void Erase(WORD x, WORD y);
    virtual void Erase(WORD line, WORD start, WORD end, int horizontal);
    virtual void Erase(TRkImgRect<unsigned short> rect);
    virtual void Erase(WORD line, std::vector<TRkImgRan<unsigned short>>& runs, int horizontal);
    virtual void Reverse(WORD x, WORD y);
    virtual void Reverse(WORD line, WORD start, WORD end, int horizontal);
    virtual void Reverse(TRkImgRect<unsigned short> rect);
    virtual void Reverse(WORD line, std::vector<TRkImgRan<unsigned short>>& runs, int horizontal);

    // The outline: rows top and bottom left to right, then columns left and
    // right top to bottom.
    virtual void DrawFrameRect(TRkImgRect<unsigned short> rect);
    virtual void EraseFrameRect(TRkImgRect<unsigned short> rect);
    // Clears every pixel of the image outside the rectangle.
    virtual void TrimRect(TRkImgRect<unsigned short> rect);

    // Runs of line `line` between start and end: black (black = 1) or white,
    // along a row (horizontal = 1) or a column; then, when gap is not 0, runs
    // separated by at most gap pixels are joined. Returns 1.
    virtual int RanExtract(std::vector<TRkImgRan<unsigned short>>& runs, WORD line, WORD start, WORD end,
                           int horizontal, int black, WORD gap);

    // Connected-component labeling by runs of rows, wrapped: the bounding
    // rectangles (with their runs, for LabelingRan) of the components of the
    // area (the whole image when area is null), in the order of the frame
    // table. dropDots = 1 drops components of exactly one pixel, erasing them
    // from this image when eraseDots is set and drawing them into dotImage
    // when given. Returns 1; a cancelled labeling outputs what it had found.
    virtual int SegmentInit(std::vector<TRkImgRect<unsigned short>>& rects, TRkImgRect<unsigned short>* area,
                            int dropDots, int connect8, int eraseDots, CRkBWImage* dotImage);
    virtual int LabelingRan(std::vector<TRkImgRectPlus<unsigned short>>& rects,
                            TRkImgRect<unsigned short>* area, int dropDots, int connect8, int eraseDots,
                            CRkBWImage* dotImage);
    // Labeling of the runs of at least minLength pixels along rows
    // (horizontal non-zero) or columns; rectangles in image orientation, runs
    // (LabelingLineRect) along the scanning direction. Returns 1.
    virtual int SegmentLineRect(std::vector<TRkImgRect<unsigned short>>& rects, WORD minLength, int horizontal,
                                TRkImgRect<unsigned short>* area, int connect8);
    virtual int LabelingLineRect(std::vector<TRkImgRectPlus<unsigned short>>& rects, WORD minLength,
                                 int horizontal, TRkImgRect<unsigned short>* area, int connect8);

    // Copies each pixel of the rectangle from source (same coordinates). True.
    virtual BOOL CopyRect(CRkBWImage* source, TRkImgRect<unsigned short> rect);
    // Writes a packed 1-bit DIB of the whole image (rect null) or of the
    // rectangle into the buffer: the 48 bytes at this image's header (header
    // and two palette entries), then the rows. False, writing nothing, when
    // the buffer is too small.
    virtual BOOL AcquireImage(void* buffer, DWORD bufferSize, TRkImgRect<unsigned short>* rect) const;

    // Joins runs separated by at most gap pixels. Returns 0.
    virtual int ConnectRan(std::vector<TRkImgRanPlus<unsigned short>>* runs, WORD gap);
    // Black runs of row `line` from start to end, cut to the range, left to
    // right. The Plus forms store the row as line, the 2Plus form a null owner.
    virtual void HRanExtract(std::vector<TRkImgRan<unsigned short>>& runs, WORD line, WORD start, WORD end);
    virtual void HRanExtract(std::vector<TRkImgRanPlus<unsigned short>>* runs, WORD line, WORD start, WORD end);
    virtual void HRanExtract(std::vector<TRkImgRan2Plus<unsigned short>>* runs, WORD line, WORD start,
                             WORD end);
    // Black runs of column `line` from row start to row end, top to bottom.
    // The Plus forms store the column as line, the 2Plus form a null owner.
    virtual void VRanExtract(std::vector<TRkImgRan<unsigned short>>& runs, WORD line, WORD start, WORD end);
    virtual void VRanExtract(std::vector<TRkImgRanPlus<unsigned short>>* runs, WORD line, WORD start, WORD end);
    virtual void VRanExtract(std::vector<TRkImgRan2Plus<unsigned short>>* runs, WORD line, WORD start,
                             WORD end);
    // White runs of a row or a column.
    virtual void HWhiteRanExtract(std::vector<TRkImgRan<unsigned short>>& runs, WORD line, WORD start,
                                  WORD end);
    virtual void VWhiteRanExtract(std::vector<TRkImgRan<unsigned short>>& runs, WORD line, WORD start,
                                  WORD end);

    // Number of set bits of a 32-bit value.
    virtual DWORD NumOfBits(DWORD value) const;

    // Labeling into a caller's frame table; 1 on success, 0 when cancelled
    // through the progress object (the frames found so far stay in the table)
    // or, for LocalLabelingRan, when dotImage does not cover this image.
    // keepRuns fills each frame's run list. In vertical scanning (horizontal
    // 0) the frames are transposed: left/right hold rows, top/bottom columns.
    virtual int LocalLabelingRan(CRkFramePack& frames, TRkImgRect<unsigned short> area, int dropDots,
                                 int connect8, int keepRuns, int eraseDots, CRkBWImage* dotImage);
    virtual int LocalLabelingLineRect(CRkFramePack& frames, WORD minLength, int horizontal,
                                      TRkImgRect<unsigned short> area, int connect8, int keepRuns);

    // Join the runs of one line to the frames of the runs of the line before:
    // 8-connectivity (touching at a corner counts) or 4-connectivity (a
    // shared column). A run joining several frames keeps the frame it met
    // first and absorbs the others. 1 on success.
    virtual int RanToFrame(CRkFramePack& frames, std::vector<TRkImgRan2Plus<unsigned short>>* prev,
                           std::vector<TRkImgRan2Plus<unsigned short>>* cur, WORD line, int keepRuns);
    virtual int RanToFrame_4Connect(CRkFramePack& frames, std::vector<TRkImgRan2Plus<unsigned short>>* prev,
                                    std::vector<TRkImgRan2Plus<unsigned short>>* cur, WORD line, int keepRuns);
    virtual int RanToFrame2(CRkFramePack& frames, CRunList& prev, CRunList& cur, WORD row, int keepRuns);
    virtual int RanToFrame_4Connect2(CRkFramePack& frames, CRunList& prev, CRunList& cur, WORD row,
                                     int keepRuns);

    // dst := dst AND (OR) src for the pixels start to end of a row; the other
    // pixels of dst keep their value.
    void MemoryAnd(void* dst, const void* src, WORD start, WORD end) const;
    void MemoryOr(void* dst, const void* src, WORD start, WORD end) const;
};

#endif
