/* A host program's own Win32-style header, as an engine built against a
   compatibility layer of its own might include it before the library's:
   the same types and layouts, and its own macros. */
#ifndef HOST_WIN32_H
#define HOST_WIN32_H

#include <stddef.h>
#include <stdint.h>

typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int DWORD;
typedef int LONG;
typedef int BOOL;
typedef unsigned int UINT;
typedef size_t SIZE_T;
typedef void* LPVOID;
typedef int errno_t;
typedef uint32_t HGLOBAL;
typedef void* HANDLE;
typedef HANDLE* LPHANDLE;
typedef char CHAR;
typedef const CHAR* LPCSTR;
typedef uint16_t WCHAR;
typedef const WCHAR* LPCWSTR;
typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;
#include <pthread.h>
typedef struct _RTL_CRITICAL_SECTION {
    pthread_mutex_t Mutex;
} CRITICAL_SECTION, *LPCRITICAL_SECTION;

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

/* The host's macros, spelled its own way. */
#define TRUE (1 == 1)
#define FALSE (1 == 0)
#define MAKEWORD(a, b) ((WORD)(((BYTE)((a)&0xff)) | ((WORD)((BYTE)((b)&0xff))) << 8))
#define INFINITE 0xFFFFFFFF
#define WAIT_FAILED ((DWORD)0xFFFFFFFF)
#define WAIT_OBJECT_0 0
#define WAIT_TIMEOUT 258L
#define WAIT_ABANDONED_0 0x80
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define MAXIMUM_WAIT_OBJECTS 64
#define CREATE_SUSPENDED 0x4
#define GMEM_FIXED 0
#define GMEM_MOVEABLE 2
#define GMEM_ZEROINIT 0x40
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define CreateEvent CreateEventA

#endif
