// Visibility of the library's exported names. Both shared objects are built
// with hidden visibility; only names marked here (and listed in the linker
// version scripts) are visible to callers.
#ifndef RKCORR_EXPORT_H
#define RKCORR_EXPORT_H

#define RKCORR_API __attribute__((visibility("default")))
#define RKCORR_PLATFORM_API __attribute__((visibility("default")))
// A private helper of an exported class: stays inside the library.
#define RKCORR_LOCAL __attribute__((visibility("hidden")))

#endif
