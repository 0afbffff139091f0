// Events, threads, critical sections and the atomic exchange of the platform
// layer, with Win32 names and behaviour.
//
// Handles are opaque pointer-sized values. A handle is never 0 and never
// INVALID_HANDLE_VALUE, and a closed handle is not handed out again until a
// 32-bit (or 64-bit) counter wraps, so a stale handle is refused rather than
// aliased to another object. Every call may be made from any thread.
//
// Events: automatic-reset events stay signalled until exactly one wait
// consumes the signal (setting a signalled event again changes nothing);
// manual-reset events stay signalled until ResetEvent. Thread handles become
// signalled when the thread's routine has returned, and stay so.
//
// A wait for all of several objects is satisfied only at a moment when every
// one of them is signalled; it then consumes the automatic-reset events all
// together. While it is not satisfied it consumes nothing, so other waiters
// can still take the events it watches.
#ifndef RKCORR_PLATFORM_THREAD_H
#define RKCORR_PLATFORM_THREAD_H

#include <pthread.h>
#include <stdint.h>

#include "rkcorr/export.h"
#include "rkcorr/platform_types.h"

#ifndef RKCORR_HOST_WIN32_TYPES
typedef void* HANDLE;
typedef HANDLE* LPHANDLE;
typedef char CHAR;
typedef const CHAR* LPCSTR;
typedef uint16_t WCHAR;  // a UTF-16 code unit
typedef const WCHAR* LPCWSTR;

typedef struct _SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *PSECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

// A critical section is a recursive lock: the owning thread may enter it
// again, and must leave it as many times as it entered.
typedef struct _RTL_CRITICAL_SECTION {
    pthread_mutex_t Mutex;
} CRITICAL_SECTION, *PCRITICAL_SECTION, *LPCRITICAL_SECTION;
#endif

#ifndef INVALID_HANDLE_VALUE
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#endif
#ifndef INFINITE
#define INFINITE 0xFFFFFFFFu
#endif
#ifndef WAIT_OBJECT_0
#define WAIT_OBJECT_0 0x00000000u
#endif
#ifndef WAIT_ABANDONED_0
#define WAIT_ABANDONED_0 0x00000080u
#endif
#ifndef WAIT_TIMEOUT
#define WAIT_TIMEOUT 0x00000102u
#endif
#ifndef WAIT_FAILED
#define WAIT_FAILED 0xFFFFFFFFu
#endif
#ifndef MAXIMUM_WAIT_OBJECTS
#define MAXIMUM_WAIT_OBJECTS 64
#endif
#ifndef CREATE_SUSPENDED
#define CREATE_SUSPENDED 0x00000004u
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned (*_beginthreadex_proc_type)(void*);

// Creates an event. Security attributes are accepted and ignored. Only unnamed
// events are supported: a non-empty name gives NULL. NULL also when memory
// runs out.
RKCORR_PLATFORM_API HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState,
                                        LPCSTR name);
RKCORR_PLATFORM_API HANDLE CreateEventW(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState,
                                        LPCWSTR name);
#ifndef CreateEvent
#ifdef UNICODE
#define CreateEvent CreateEventW
#else
#define CreateEvent CreateEventA
#endif
#endif

// Signals / clears an event. FALSE for a handle that is not a live event.
RKCORR_PLATFORM_API BOOL SetEvent(HANDLE event);
RKCORR_PLATFORM_API BOOL ResetEvent(HANDLE event);

// Waits up to `milliseconds` (INFINITE: no limit) for the object. Returns
// WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED for a handle that is not live.
RKCORR_PLATFORM_API DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);

// Waits for all of `count` objects (waitAll) or for any one of them. Returns
// WAIT_OBJECT_0 when all are taken, WAIT_OBJECT_0 + i when object i (the
// lowest-numbered signalled one) is taken, WAIT_TIMEOUT, or WAIT_FAILED when
// `count` is 0, `objects` is null or a handle is not live. Any count is
// accepted: MAXIMUM_WAIT_OBJECTS is not enforced.
RKCORR_PLATFORM_API DWORD WaitForMultipleObjects(DWORD count, const HANDLE* objects, BOOL waitAll,
                                                 DWORD milliseconds);

// Releases a handle. A thread goes on running after its handle is closed.
// FALSE for a handle that is not live (already closed, 0, never made).
RKCORR_PLATFORM_API BOOL CloseHandle(HANDLE object);

// Starts `start(argument)` on a new thread and returns its handle as an
// integer, or 0 (errno set) when the thread cannot be started or
// CREATE_SUSPENDED is asked for. A non-zero stack size is the least stack the
// thread gets. When `threadId` is not null it receives a non-zero number that
// identifies the thread within the process.
RKCORR_PLATFORM_API uintptr_t _beginthreadex(void* security, unsigned stackSize,
                                             _beginthreadex_proc_type start, void* argument,
                                             unsigned initFlags, unsigned* threadId);

RKCORR_PLATFORM_API void InitializeCriticalSection(LPCRITICAL_SECTION section);
RKCORR_PLATFORM_API void EnterCriticalSection(LPCRITICAL_SECTION section);
RKCORR_PLATFORM_API void LeaveCriticalSection(LPCRITICAL_SECTION section);
RKCORR_PLATFORM_API void DeleteCriticalSection(LPCRITICAL_SECTION section);

// Stores `value` in `*target` atomically (a full barrier) and returns the
// value it replaced.
RKCORR_PLATFORM_API LONG InterlockedExchange(LONG volatile* target, LONG value);

#ifdef __cplusplus
}
#endif

#endif
