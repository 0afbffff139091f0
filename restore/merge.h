// The merge passes over the candidate list. merge_rects runs the first six:
//   merge_step1, merge_step_margin, merge_step2, set_rect_attribute,
//   merge_step_mark_inbox, merge_step_erase_disablerc;
// the commit sorts the list with `compare` and runs the last ones:
//   merge_image, merge_step_mark_tinyrc, merge_closeset (rkcorr/merge_closeset.h),
//   merge_step_erase_disablerc.
// Every pass walks the list once from the front and skips null entries; a
// pass that compares the current candidate A with the others scans them from
// the front too, skipping null entries and entries holding A's pointer.
// Passes disable a candidate by nulling its entry, never by erasing it; only
// merge_step_erase_disablerc removes entries. Merging A into B grows B to the
// bounding box of both (B keeps its border flag) and nulls A's entry.
#ifndef RKCORR_RESTORE_MERGE_H
#define RKCORR_RESTORE_MERGE_H

#include <list>
#include <vector>

#include "restore/candidate.h"
#include "rkcorr/merge_closeset.h"

class ImgMask;
class OCRDocument;

// A new list with one entry per element of `labels`, in order, after passes 1
// to 6 with the page size of `mask`. Null when `labels` is null. The list
// points into `labels`; the caller deletes it (before `labels`). `document` is
// not used. Allocation failure throws std::bad_alloc.
std::list<IMGRect*>* merge_rects(std::vector<IMGRect>* labels, std::vector<IMGRect>* chars,
                                 std::vector<IMGRect>* boxes, OCRDocument* document, ImgMask* mask);

// Drops candidates lying wholly, or by more than 90 % of their area, in one of
// the bands 3 % of the page size wide along the top, left, bottom and right
// edges. Does nothing when `width` or `height` is 0.
void merge_step_margin(std::list<IMGRect*>* candidates, unsigned int width, unsigned int height);

// Sets the border flag of every candidate whose shorter span is less than a
// tenth of its longer one (spans without the +1); never clears it.
void set_rect_attribute(std::list<IMGRect*>* candidates);

// Drops candidates that a box contains, or that share more than 30 % (thin
// lines) or 70 % (others) of their area with one box.
void merge_step_mark_inbox(std::list<IMGRect*>* candidates, std::vector<IMGRect>* boxes);

// Drops candidates whose area is less than `min_area`.
void merge_step_mark_tinyrc(std::list<IMGRect*>* candidates, unsigned int min_area);

// Erases every null entry; the others keep their order.
void merge_step_erase_disablerc(std::list<IMGRect*>* candidates);

// Absorb and join: a candidate A holding at most four characters drops the
// candidates it contains until the first one it partly overlaps, into which A
// is merged.
void merge_step1(std::vector<IMGRect>* chars, std::list<IMGRect*>* candidates);

// Drop text areas: each A drops the candidates it contains whose area is
// below 400, and then itself when it holds six or more characters.
void merge_step2(std::vector<IMGRect>* chars, std::list<IMGRect*>* candidates);

// Each A is merged into the first candidate it crosses or contains or that
// contains it.
void merge_image(std::list<IMGRect*>* candidates);

#endif
