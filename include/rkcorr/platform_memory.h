// Movable memory blocks and the file opener of the platform layer.
//
// Handles are non-zero 32-bit values; a handle is never reused while its
// block is live, and a freed handle is not handed out again until the 32-bit
// counter wraps. Locks nest: every GlobalLock is paired with one GlobalUnlock.
// All calls are safe to use from several threads at once.
#ifndef RKCORR_PLATFORM_MEMORY_H
#define RKCORR_PLATFORM_MEMORY_H

#include <stdio.h>

#include "rkcorr/export.h"
#include "rkcorr/platform_types.h"

#ifndef GMEM_FIXED
#define GMEM_FIXED 0x0000u
#endif
#ifndef GMEM_MOVEABLE
#define GMEM_MOVEABLE 0x0002u
#endif
#ifndef GMEM_ZEROINIT
#define GMEM_ZEROINIT 0x0040u
#endif
#ifndef GHND
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Allocates a block of `bytes` bytes (zero-filled; every block is). Returns 0
// when memory runs out.
RKCORR_PLATFORM_API HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Pointer to the block's first byte, or null for 0, an unknown or a freed handle.
RKCORR_PLATFORM_API LPVOID GlobalLock(HGLOBAL handle);
// Releases one lock. Returns non-zero while the block stays locked.
RKCORR_PLATFORM_API BOOL GlobalUnlock(HGLOBAL handle);
// Size of the block in bytes; 0 for an unknown handle.
RKCORR_PLATFORM_API SIZE_T GlobalSize(HGLOBAL handle);
// Frees the block. Returns 0 on success, the handle itself when it is unknown.
RKCORR_PLATFORM_API HGLOBAL GlobalFree(HGLOBAL handle);

// Opens `name` with `mode`; returns 0 and the stream, or an errno value and null.
RKCORR_PLATFORM_API errno_t fopen_s(FILE** stream, const char* name, const char* mode);

#ifdef __cplusplus
}
#endif

#endif
