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
// on it. The slots continue those of CRkBMPImage (0 to 19) in a fixed order
// that is part of the exported interface; the number before each group below
// is its first slot. There is no virtual destructor.
//
// Where the operations live:
//   Pixels    bw_image.cpp       SetLineByte, SetImageBufSize, IsBlack, CountBlack, NumOfBits,
//                                MemoryAnd, MemoryOr
//   Drawing   bw_draw.cpp        Draw / Erase / Reverse (pixel, span, rect, runs), DrawFrameRect,
//                                EraseFrameRect, TrimRect
//   Copying   bw_copy.cpp        CopyRect, AcquireImage
//   Runs      run_extract.cpp    H/V(White)RanExtract, RanExtract, ConnectRan, ReDraw
//             run_fast.cpp       HRanExtractFast (the byte-parallel row scanner)
//   Labeling  label_*.cpp        SegmentInit, LabelingRan, SegmentLineRect, LabelingLineRect,
//                                LocalLabelingRan, LocalLabelingLineRect, RanToFrame*
//   Morphology morph.cpp         LocalErosion, LocalDilation, Erosion, Dilation, Opening, Closing
//             morph_kernels.cpp  row loops of the 3 x 3 and element operations
//   Shapes    shape_outline.cpp  ConvertOutlineImage
//             shape_fillet.cpp   FilletLine, FilletRect, FilletRect2, Projection
//             shape_thin.cpp     ConvertThinningImage, DeletePt
//   Gradation gradation.cpp      Gradation
//   Rotation  rotate.cpp         Clockwise, CounterClockwise
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

    // ---- 20: pixels, drawing, runs
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

    // ---- 42: morphology, in place inside rect (the whole image when null);
    // pixels outside the rectangle never change. With a null element the 3 x 3
    // square (LocalDilation, LocalErosion). An element's black pixels, taken
    // as offsets from origin (null: its centre, width / 2 and height / 2), say
    // where a black pixel spreads (Dilation) or where a white one erases
    // (Erosion); targets in column 0 or row 0 or outside the rectangle are
    // left alone. An element of height or width 0 changes nothing. When the
    // scratch copy of the image cannot be allocated the image is unchanged.
    virtual void Dilation(TRkImgRect<unsigned short>* rect, CRkBWImage* element,
                          TRkImgPos<unsigned short>* origin);
    virtual void Erosion(TRkImgRect<unsigned short>* rect, CRkBWImage* element,
                         TRkImgPos<unsigned short>* origin);
    // Erosion then Dilation (Opening), Dilation then Erosion (Closing).
    virtual void Opening(TRkImgRect<unsigned short>* rect, CRkBWImage* element,
                         TRkImgPos<unsigned short>* origin);
    virtual void Closing(TRkImgRect<unsigned short>* rect, CRkBWImage* element,
                         TRkImgPos<unsigned short>* origin);

    // ---- 46: labeling
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
    virtual int SegmentLineRect(std::vector<TRkImgRect<unsigned short>>& rects, WORD minLength,
                                int horizontal, TRkImgRect<unsigned short>* area, int connect8);
    virtual int LabelingLineRect(std::vector<TRkImgRectPlus<unsigned short>>& rects, WORD minLength,
                                 int horizontal, TRkImgRect<unsigned short>* area, int connect8);

    // ---- 50: shapes, gradation and rotation
    // Clears every black pixel strictly inside the rectangle whose eight
    // neighbours are all black, deciding on the image as it was. Rectangles
    // narrower or lower than 3 pixels, or run lists that cannot be allocated,
    // change nothing.
    virtual void ConvertOutlineImage(TRkImgRect<unsigned short> rect);
    // Re-decides every pixel from the pyramid-weighted count of the black
    // pixels in the (2k - 1) x (2k - 1) window around it (upper-right and
    // lower-left quadrants weigh nothing; outside the image counts as white).
    // Always 1; k outside 2..10, or counters that cannot be allocated, change
    // nothing.
    virtual int Gradation(WORD k);
    // A quarter turn inside the image's own pixel buffer: the pixels, the
    // width, height, resolutions and line byte size of this object and
    // biWidth, biHeight and the resolutions of the header follow (the storage
    // order stays). 1 when turned; 0, changing nothing, when the turned rows
    // would not fit the image buffer size or memory ran out.
    virtual int Clockwise();
    virtual int CounterClockwise();
    // Shrinks rect to the bounding box of its black pixels: true; false,
    // leaving it unchanged, when it holds none.
    virtual BOOL FilletRect(TRkImgRect<unsigned short>& rect);
    // Shrinks rect to its black content, skipping a speck of at most three
    // lines of at most three pixels that an empty line parts from the rest;
    // rectangles of 256 pixels or more in either direction are left as they
    // are. The rectangle only ever shrinks.
    virtual void FilletRect2(TRkImgRect<unsigned short>& rect);
    // histogram := per row (horizontal non-zero) or per column of rect, the
    // total length of its runs of black (black = 1) or white pixels that are
    // at least minLength long. Left empty when memory runs out.
    virtual void Projection(std::vector<unsigned short>& histogram, TRkImgRect<unsigned short> rect,
                            int horizontal, WORD minLength, int black);

    // ---- 57: copying
    // Copies each pixel of the rectangle from source (same coordinates). True.
    virtual BOOL CopyRect(CRkBWImage* source, TRkImgRect<unsigned short> rect);
    // Writes a packed 1-bit DIB of the whole image (rect null) or of the
    // rectangle into the buffer: the 48 bytes at this image's header (header
    // and two palette entries), then the rows. False, writing nothing, when
    // the buffer is too small.
    virtual BOOL AcquireImage(void* buffer, DWORD bufferSize, TRkImgRect<unsigned short>* rect) const;

    // ---- 59: thinning
    // Thins the black shapes of the rectangle (the whole image when null) to
    // one-pixel skeletons, two alternating sub-passes (Zhang and Suen) until
    // one deletes nothing; the rectangle's border rows and columns are never
    // changed. Rectangles narrower or lower than 3 pixels, or record buffers
    // that cannot be allocated, change nothing.
    virtual void ConvertThinningImage(TRkImgRect<unsigned short>* rect);

    // ---- 60: runs
    // Joins runs separated by at most gap pixels. Returns 0.
    virtual int ConnectRan(std::vector<TRkImgRanPlus<unsigned short>>* runs, WORD gap);
    // Black runs of row `line` from start to end, cut to the range, left to
    // right. The Plus forms store the row as line, the 2Plus form a null owner.
    virtual void HRanExtract(std::vector<TRkImgRan<unsigned short>>& runs, WORD line, WORD start, WORD end);
    virtual void HRanExtract(std::vector<TRkImgRanPlus<unsigned short>>* runs, WORD line, WORD start,
                             WORD end);
    virtual void HRanExtract(std::vector<TRkImgRan2Plus<unsigned short>>* runs, WORD line, WORD start,
                             WORD end);
    // Black runs of column `line` from row start to row end, top to bottom.
    // The Plus forms store the column as line, the 2Plus form a null owner.
    virtual void VRanExtract(std::vector<TRkImgRan<unsigned short>>& runs, WORD line, WORD start, WORD end);
    virtual void VRanExtract(std::vector<TRkImgRanPlus<unsigned short>>* runs, WORD line, WORD start,
                             WORD end);
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
                                    std::vector<TRkImgRan2Plus<unsigned short>>* cur, WORD line,
                                    int keepRuns);
    virtual int RanToFrame2(CRkFramePack& frames, CRunList& prev, CRunList& cur, WORD row, int keepRuns);
    virtual int RanToFrame_4Connect2(CRkFramePack& frames, CRunList& prev, CRunList& cur, WORD row,
                                     int keepRuns);

    // dst := dst AND (OR) src for the pixels start to end of a row; the other
    // pixels of dst keep their value.
    void MemoryAnd(void* dst, const void* src, WORD start, WORD end) const;
    void MemoryOr(void* dst, const void* src, WORD start, WORD end) const;

    // 3 x 3 square erosion and dilation of rect (the whole image when null),
    // in place. Outside the rectangle counts as black (erosion) or white
    // (dilation), except that the horizontal step never changes a pixel in
    // the rectangle's first or last column. Unchanged when the two line
    // buffers cannot be allocated.
    void LocalErosion(TRkImgRect<unsigned short>* rect);
    void LocalDilation(TRkImgRect<unsigned short>* rect);

    // First and last black pixel of a row between left and right: true and
    // the two bounds moved onto them; false, bounds unchanged, when none.
    BOOL FilletLine(const BYTE* row, int& left, int& right) const;
    // The deletion test of the thinning for the neighbours p[0..7] (upper-left,
    // left, lower-left, below, lower-right, right, upper-right, above; 0 or 1)
    // with p[8] = p[0], in sub-pass 1 or the other one.
    BOOL DeletePt(const int* p, int pass) const;

private:
    // The shared bodies of the 3 x 3 pair, the element pair and the turns.
    RKCORR_LOCAL void Local3x3(TRkImgRect<unsigned short>* rect, bool dilate);
    RKCORR_LOCAL void MorphByElement(TRkImgRect<unsigned short>* rect, CRkBWImage* element,
                                     TRkImgPos<unsigned short>* origin, bool dilate);
    RKCORR_LOCAL int QuarterTurn(bool clockwise);
};

#endif
