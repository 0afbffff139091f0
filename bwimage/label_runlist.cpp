// Run list of one image row for run labeling.
#include "rkcorr/runlist.h"

#include <cstddef>
#include <new>

CRunList::CRunList(int n) : runs(nullptr), count(0), owners(nullptr), ownerCapacity(0) {
    // Sizes in 64 bits so that a huge n fails cleanly instead of wrapping.
    const long long ints = static_cast<long long>(n) + 2;
    const long long owns = (static_cast<long long>(n) + 3) / 2;
    if (ints < 0 || owns < 0 || ints > 0x7FFFFFFF) throw std::bad_array_new_length();
    runs = new int[static_cast<std::size_t>(ints)];
    try {
        owners = new TRkImgRect2Plus<unsigned short>*[static_cast<std::size_t>(owns)];
    } catch (...) {
        delete[] runs;
        throw;
    }
    ownerCapacity = static_cast<int>(owns);
}

CRunList::~CRunList() {
    delete[] owners;
    delete[] runs;
}

void CRunList::clear() { count = 0; }

void CRunList::ConvertData() {
    const int n = count / 2;
    for (int i = 0; i < n; ++i) {
        runs[2 * i + 1] -= 1;
        owners[i] = nullptr;
    }
}
