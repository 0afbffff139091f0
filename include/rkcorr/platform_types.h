// Win32-style scalar types used by the engine's records and the platform calls.
// Widths are fixed: the engine's blocks are 32-bit little-endian layouts.
#ifndef RKCORR_PLATFORM_TYPES_H
#define RKCORR_PLATFORM_TYPES_H

#include <stddef.h>
#include <stdint.h>

// A host that has its own Win32-style header, included before this one,
// defines RKCORR_HOST_WIN32_TYPES first: its types then stand, and must have
// the widths given here. Every macro below is defined only if the host has
// not defined it already.
#ifndef RKCORR_HOST_WIN32_TYPES
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int BOOL;
typedef unsigned int UINT;
typedef size_t SIZE_T;
typedef void* LPVOID;
typedef int errno_t;

// A movable-memory handle: the 32-bit value the engine's records hold.
typedef uint32_t HGLOBAL;
#endif

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#ifndef MAKEWORD
#define MAKEWORD(low, high) ((WORD)(((BYTE)(low)) | (((WORD)((BYTE)(high))) << 8)))
#endif

#endif
