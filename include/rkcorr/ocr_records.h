// The OCR engine's result block for one page, as ImgRestoration reads and
// writes it. Every record is a little-endian 32-bit layout; the offsets are
// fixed by the engine and checked below. Handles are movable-memory handles
// (GlobalLock); index fields of tagRESULT and tagDETAIL are 16-bit record
// numbers, 0 ending a chain.
//
// Block tree:
//   tagOCRHEAD
//     hImgArea -> tagIMGAREA   picture areas (read and rewritten by the library)
//     hImgHead -> tagIMGHEAD   page image description
//                   hBWImage -> bilevel page bits, top row first
//                   hDIB     -> device-independent bitmap (header, palette, rows)
//     hResult  -> tagRESULT[]  record chains: root, regions, lines/cells, characters
//     hDetail  -> tagDETAIL[]  rectangles, candidates and table indices
#ifndef RKCORR_OCR_RECORDS_H
#define RKCORR_OCR_RECORDS_H

#include <stddef.h>

#include "rkcorr/platform_types.h"

// The records' tags name their types in C as well (engines written in C
// include this header; it compiles as C11).
typedef struct tagOCRHEAD tagOCRHEAD;
typedef struct tagIMGHEAD tagIMGHEAD;
typedef struct tagRESULT tagRESULT;
typedef struct tagCANDIDATE tagCANDIDATE;
typedef struct tagDETAIL tagDETAIL;
typedef struct tagIMGAREAREC tagIMGAREAREC;
typedef struct tagIMGAREA tagIMGAREA;

// tagRESULT flags, tested on records of the top chain only.
#define RKCORR_OCR_RESULT_HEAD 0x1000u      // the record opens a region
#define RKCORR_OCR_RESULT_EXCLUDED 0x0800u  // the region is skipped
#define RKCORR_OCR_RESULT_TABLE 0x0200u     // table region (wins over text)
#define RKCORR_OCR_RESULT_TEXT 0x0100u      // text region

// Character codes with a meaning in character chains.
#define RKCORR_OCR_CODE_LINEFEED 10u  // ends a line (and a table cell)
#define RKCORR_OCR_CODE_RETURN 13u    // separates the lines of a table cell

// Most area records the library writes back into tagIMGAREA.
#define RKCORR_OCR_MAX_IMGAREA 100u

struct tagOCRHEAD {
    HGLOBAL hImgArea;  // tagIMGAREA
    HGLOBAL hImgHead;  // tagIMGHEAD
    DWORD dwReserved;  // not used
    HGLOBAL hResult;   // tagRESULT array
    HGLOBAL hDetail;   // tagDETAIL array
};

struct tagIMGHEAD {
    HGLOBAL hBWImage;     // bilevel page bits, wHeight rows of wLineByte bytes, top row first
    WORD wLineByte;       // bytes per row of the bilevel page bits
    WORD wWidth;          // page width, pixels
    WORD wHeight;         // page height, pixels
    BYTE bReserved1[10];  // not used
    WORD wXResolution;    // dots per inch
    WORD wYResolution;    // dots per inch
    WORD wReserved2;      // not used
    WORD wBWFlag;         // 1: always work from the bilevel page bits
    HGLOBAL hDIB;         // page bitmap: BITMAPINFOHEADER, palette, rows
};

struct tagRESULT {
    WORD wFlags;         // RKCORR_OCR_RESULT_* on records of the top chain
    BYTE bReserved1[6];  // not used
    WORD wNext;          // next record of the same chain, 0 ends it
    WORD wChild;         // first record of the chain below; of a character: its tagDETAIL
    WORD wDetail;        // tagDETAIL of a region head, line or cell record
    WORD wReserved2;     // not used
};

// One recognition candidate of a character.
struct tagCANDIDATE {
    WORD wCode;  // character code
    WORD wDist;  // recognition distance
};

#define RKCORR_OCR_DETAIL_CANDIDATES 13u

struct tagDETAIL {
    WORD wInfo;  // character: carried into the page model unchanged
    WORD wLeft;  // rectangle, pixels
    WORD wRight;
    WORD wTop;
    WORD wBottom;
    WORD wSelect;  // character: index of the chosen candidate
    union {
        tagCANDIDATE candidate[RKCORR_OCR_DETAIL_CANDIDATES];  // character records
        struct {                                               // region and cell records
            BYTE bReserved[46];
            BYTE bSizeX;   // table head: table size X
            BYTE bSizeY;   // table head: table size Y
            BYTE bIndexX;  // cell: index X
            BYTE bIndexY;  // cell: index Y
            BYTE bMergeX;  // cell: merge X
            BYTE bMergeY;  // cell: merge Y
        };
    };
};

// One picture area, inclusive edges. Note the order: left, right, top, bottom.
struct tagIMGAREAREC {
    WORD wLeft;
    WORD wRight;
    WORD wTop;
    WORD wBottom;
};

// The engine must provide room for RKCORR_OCR_MAX_IMGAREA records (810 bytes).
struct tagIMGAREA {
    BYTE bReserved[8];  // not used, never written
    WORD wCount;        // number of valid records
    tagIMGAREAREC area[RKCORR_OCR_MAX_IMGAREA];
};

#ifdef __cplusplus
static_assert(sizeof(tagOCRHEAD) == 20, "tagOCRHEAD is 20 bytes");
static_assert(offsetof(tagOCRHEAD, hImgArea) == 0, "hImgArea at 0");
static_assert(offsetof(tagOCRHEAD, hImgHead) == 4, "hImgHead at 4");
static_assert(offsetof(tagOCRHEAD, hResult) == 12, "hResult at 12");
static_assert(offsetof(tagOCRHEAD, hDetail) == 16, "hDetail at 16");

static_assert(sizeof(tagIMGHEAD) == 32, "tagIMGHEAD is 32 bytes");
static_assert(offsetof(tagIMGHEAD, hBWImage) == 0, "hBWImage at 0");
static_assert(offsetof(tagIMGHEAD, wLineByte) == 4, "wLineByte at 4");
static_assert(offsetof(tagIMGHEAD, wWidth) == 6, "wWidth at 6");
static_assert(offsetof(tagIMGHEAD, wHeight) == 8, "wHeight at 8");
static_assert(offsetof(tagIMGHEAD, wXResolution) == 20, "wXResolution at 20");
static_assert(offsetof(tagIMGHEAD, wYResolution) == 22, "wYResolution at 22");
static_assert(offsetof(tagIMGHEAD, wBWFlag) == 26, "wBWFlag at 26");
static_assert(offsetof(tagIMGHEAD, hDIB) == 28, "hDIB at 28");

static_assert(sizeof(tagRESULT) == 16, "tagRESULT is 16 bytes");
static_assert(offsetof(tagRESULT, wFlags) == 0, "wFlags at 0");
static_assert(offsetof(tagRESULT, wNext) == 8, "wNext at 8");
static_assert(offsetof(tagRESULT, wChild) == 10, "wChild at 10");
static_assert(offsetof(tagRESULT, wDetail) == 12, "wDetail at 12");

static_assert(sizeof(tagCANDIDATE) == 4, "a candidate pair is 4 bytes");
static_assert(sizeof(tagDETAIL) == 64, "tagDETAIL is 64 bytes");
static_assert(offsetof(tagDETAIL, wInfo) == 0, "wInfo at 0");
static_assert(offsetof(tagDETAIL, wLeft) == 2, "wLeft at 2");
static_assert(offsetof(tagDETAIL, wRight) == 4, "wRight at 4");
static_assert(offsetof(tagDETAIL, wTop) == 6, "wTop at 6");
static_assert(offsetof(tagDETAIL, wBottom) == 8, "wBottom at 8");
static_assert(offsetof(tagDETAIL, wSelect) == 10, "wSelect at 10");
static_assert(offsetof(tagDETAIL, candidate) == 12, "candidate pairs at 12");
static_assert(offsetof(tagDETAIL, bSizeX) == 58, "bSizeX at 58");
static_assert(offsetof(tagDETAIL, bSizeY) == 59, "bSizeY at 59");
static_assert(offsetof(tagDETAIL, bIndexX) == 60, "bIndexX at 60");
static_assert(offsetof(tagDETAIL, bIndexY) == 61, "bIndexY at 61");
static_assert(offsetof(tagDETAIL, bMergeX) == 62, "bMergeX at 62");
static_assert(offsetof(tagDETAIL, bMergeY) == 63, "bMergeY at 63");

static_assert(sizeof(tagIMGAREAREC) == 8, "an area record is 8 bytes");
static_assert(offsetof(tagIMGAREAREC, wRight) == 2, "area wRight at 2");
static_assert(offsetof(tagIMGAREAREC, wTop) == 4, "area wTop at 4");
static_assert(offsetof(tagIMGAREAREC, wBottom) == 6, "area wBottom at 6");
static_assert(offsetof(tagIMGAREA, wCount) == 8, "wCount at 8");
static_assert(offsetof(tagIMGAREA, area) == 10, "area records at 10");
static_assert(sizeof(tagIMGAREA) == 810, "tagIMGAREA holds 100 records");
#endif

#endif
