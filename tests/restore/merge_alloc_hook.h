// Allocation failure injection for the merge tests: while merge_fail_in is
// positive, every operator new counts it down, and the one that brings it to
// 0 throws std::bad_alloc.
#ifndef RKCORR_TESTS_RESTORE_MERGE_ALLOC_HOOK_H
#define RKCORR_TESTS_RESTORE_MERGE_ALLOC_HOOK_H

extern long merge_fail_in;

#endif
