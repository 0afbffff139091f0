// Windows device-independent bitmap records, as laid out in memory and in files.
#ifndef RKCORR_BITMAP_TYPES_H
#define RKCORR_BITMAP_TYPES_H

#include <stddef.h>

#include "rkcorr/platform_types.h"

// Skipped when the host brings its own (RKCORR_HOST_WIN32_TYPES, see
// platform_types.h); the host's must have these layouts.
#ifndef RKCORR_HOST_WIN32_TYPES
#pragma pack(push, 1)
typedef struct tagBITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagBITMAPCOREHEADER {
    DWORD bcSize;
    WORD bcWidth;
    WORD bcHeight;
    WORD bcPlanes;
    WORD bcBitCount;
} BITMAPCOREHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagRGBTRIPLE {
    BYTE rgbtBlue;
    BYTE rgbtGreen;
    BYTE rgbtRed;
} RGBTRIPLE;
#endif

#ifdef __cplusplus
static_assert(sizeof(BITMAPFILEHEADER) == 14, "file header is 14 bytes");
static_assert(offsetof(BITMAPFILEHEADER, bfOffBits) == 10, "bfOffBits at 10");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "info header is 40 bytes");
static_assert(offsetof(BITMAPINFOHEADER, biBitCount) == 14, "biBitCount at 14");
static_assert(offsetof(BITMAPINFOHEADER, biXPelsPerMeter) == 24, "biXPelsPerMeter at 24");
static_assert(offsetof(BITMAPINFOHEADER, biClrUsed) == 32, "biClrUsed at 32");
static_assert(sizeof(BITMAPCOREHEADER) == 12, "core header is 12 bytes");
static_assert(sizeof(RGBQUAD) == 4, "palette entry is 4 bytes");
static_assert(sizeof(RGBTRIPLE) == 3, "core palette entry is 3 bytes");
#endif

#endif
