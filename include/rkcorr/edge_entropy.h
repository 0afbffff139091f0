// Edge-entropy interface: re-classifies region kinds by the background-erase
// score of the region.
//
// The engine obtains an object with QueryEdgeEntropyInterface, calls
// Initialize, hands it a page bitmap with SetImage, asks Determine region by
// region, possibly loads further pages, and finally calls Dispose, which frees
// the object. A region of kind 1 or 4 whose score is below 0.8 (the float score
// compared in double precision) is answered with kind 3; every other region
// keeps its kind.
//
// No exception leaves these operations. When the scorer raises one (memory for
// a large page cannot be had), the object releases its scorer: SetImage then
// returns -1 and Determine the kind unchanged until Initialize is called again.
// The destructors do not free the scorer; Dispose does.
#ifndef RKCORR_EDGE_ENTROPY_H
#define RKCORR_EDGE_ENTROPY_H

#include "rkcorr/export.h"

class BKErase;

class RKCORR_API IEdgeEntropy {
public:
    virtual ~IEdgeEntropy();
    // A fresh, empty scorer (replacing any earlier one): 0, or -1 if none could be made.
    virtual int Initialize() = 0;
    // Frees the scorer and then the object itself. Always 0.
    virtual int Dispose() = 0;
    // `image` is the movable-memory handle of a packed bitmap, `format` must be
    // 0. Returns 0 when the bitmap was accepted and scored, else -1; a refused
    // bitmap leaves the previous page's scores in place.
    virtual int SetImage(void* image, int format) = 0;
    // The kind to use for the rectangle with all four edges included, rows
    // counted from the top of the image.
    virtual unsigned short Determine(unsigned int top, unsigned int left, unsigned int bottom,
                                     unsigned int right, unsigned short kind) = 0;
};

class RKCORR_API CEdgeEntropy : public IEdgeEntropy {
public:
    CEdgeEntropy();
    ~CEdgeEntropy() override;
    CEdgeEntropy(const CEdgeEntropy&) = delete;
    CEdgeEntropy& operator=(const CEdgeEntropy&) = delete;

    int Initialize() override;
    int Dispose() override;
    int SetImage(void* image, int format) override;
    unsigned short Determine(unsigned int top, unsigned int left, unsigned int bottom, unsigned int right,
                             unsigned short kind) override;

    // release(), then a new scorer: 0, or -1 when none could be made.
    int init();
    // Destroys the scorer, if any.
    void release();

private:
    BKErase* m_scorer;
};

// Creates an object without a scorer and stores its interface address in
// *out. Returns 1. When the object cannot be made, *out is set to null; a
// null `out` creates nothing.
extern "C" RKCORR_API int QueryEdgeEntropyInterface(void** out);

#endif
