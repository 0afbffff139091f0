// TEMPORARY stand-in for the candidate and merge stages while their own
// sources are missing from the tree (restore/CMakeLists.txt builds it only then).
#include "restore/stages.h"

#include <cstdlib>
#include <memory>

#include "rkcorr/imgmask.h"
#include "rkcorr/ocrresult.h"

namespace {

using List = std::list<IMGRect*>;

IMGRect from_ocr(const OCRRect& r) {
    return IMGRect((unsigned short)r.GetPosX(), (unsigned short)r.GetPosY(),
                   (unsigned short)(r.GetPosX() + r.GetWidth()), (unsigned short)(r.GetPosY() + r.GetHeight()));
}

template <class F>
void each_char(OCRDocument* doc, F f) {
    for (unsigned i = 0; i < doc->GetSize(); ++i) {
        OCRRegion* reg = doc->At(i);
        if (!reg) continue;
        if (reg->GetType() == 0) {
            auto* box = static_cast<OCRBox*>(reg);
            for (unsigned l = 0; l < box->GetSize(); ++l)
                for (unsigned c = 0; c < box->At(l).GetSize(); ++c) f(box->At(l).At(c));
        } else if (reg->GetType() == 1) {
            auto* t = static_cast<OCRTable*>(reg);
            for (unsigned k = 0; k < t->GetSize(); ++k)
                for (unsigned l = 0; l < t->At(k).GetSize(); ++l)
                    for (unsigned c = 0; c < t->At(k).At(l).GetSize(); ++c) f(t->At(k).At(l).At(c));
        }
    }
}

unsigned chars_inside(const IMGRect& r, const std::vector<IMGRect>* chars) {
    unsigned n = 0;
    for (const IMGRect& c : *chars) n += r.CheckContain(c);
    return n;
}

void merge_into(List::iterator a, IMGRect* b) {
    b->MergeRect(**a);
    *a = nullptr;
}

bool mostly_inside(const IMGRect& band, const IMGRect& c, double ratio) {
    if (!band.CheckCross(c) && !c.CheckCross(band)) return false;
    IMGRect x(band);
    x.UnionRect(c);
    return x.GetSize() > ratio * c.GetSize();
}

}  // namespace

void merge_step1(std::vector<IMGRect>* chars, List* list) {
    for (auto a = list->begin(); a != list->end(); ++a) {
        if (!*a) continue;
        const unsigned n = chars_inside(**a, chars);
        for (auto b = list->begin(); b != list->end(); ++b) {
            if (!*b || *b == *a) continue;
            if ((*a)->CheckContain(**b) && n <= 4) {
                *b = nullptr;
            } else if ((*a)->CheckCross(**b) && !(*a)->CheckContain(**b) && !(*b)->CheckContain(**a)) {
                merge_into(a, *b);
                break;
            }
        }
    }
}

void merge_step2(std::vector<IMGRect>* chars, List* list) {
    for (auto a = list->begin(); a != list->end(); ++a) {
        if (!*a) continue;
        const unsigned n = chars_inside(**a, chars);
        for (auto b = list->begin(); b != list->end(); ++b) {
            if (!*b || *b == *a) continue;
            if ((*a)->CheckContain(**b) && (*b)->GetSize() < 400) *b = nullptr;
        }
        if (n > 5) *a = nullptr;
    }
}

void merge_step_margin(List* list, unsigned W, unsigned H) {
    if (!W || !H) return;
    auto u = [](double v) { return (unsigned short)(unsigned)v; };
    const IMGRect bands[4] = {
        IMGRect(0, 0, u(W), u(H * 0.03)), IMGRect(0, 0, u(W * 0.03), u(H)),
        IMGRect(0, u(H - H * 0.03), u(W), u(H)), IMGRect(u(W - W * 0.03), 0, u(W), u(H))};
    for (IMGRect*& c : *list) {
        if (!c) continue;
        for (const IMGRect& b : bands) {
            if (b.CheckContain(*c) || mostly_inside(b, *c, 0.9)) {
                c = nullptr;
                break;
            }
        }
    }
}

void set_rect_attribute(List* list) {
    for (IMGRect* c : *list) {
        if (!c) continue;
        const unsigned h = unsigned(std::abs(int(c->bottom) - int(c->top)));
        const unsigned w = unsigned(std::abs(int(c->right) - int(c->left)));
        const unsigned mx = w > h ? w : h, mn = w > h ? h : w;
        if (mx == 0) continue;
        if (double(mn) / double(mx) < 0.1) c->SetBorder(true);
    }
}

void merge_step_mark_inbox(List* list, std::vector<IMGRect>* boxes) {
    for (IMGRect*& c : *list) {
        if (!c) continue;
        const double f = c->IsBorder() ? 0.3 : 0.7;
        for (const IMGRect& b : *boxes) {
            if (b.CheckContain(*c) || mostly_inside(b, *c, f)) {
                c = nullptr;
                break;
            }
        }
    }
}

std::vector<IMGRect>* create_char_rect(ImgMask* mask, OCRDocument* doc) {
    if (!mask || !doc) return nullptr;
    std::unique_ptr<std::vector<IMGRect>> v(new std::vector<IMGRect>());
    each_char(doc, [&](const OCRChar& c) {
        if (c.GetWidth() && c.GetHeight()) v->push_back(from_ocr(c));
    });
    return v.release();
}

std::vector<IMGRect>* create_box_rect(ImgMask* mask, OCRDocument* doc) {
    if (!mask || !doc) return nullptr;
    std::unique_ptr<std::vector<IMGRect>> v(new std::vector<IMGRect>());
    for (unsigned i = 0; i < doc->GetSize(); ++i) {
        OCRRegion* r = doc->At(i);
        if (r && r->GetType() == 0) v->push_back(from_ocr(*static_cast<OCRBox*>(r)));
        if (r && r->GetType() == 1) v->push_back(from_ocr(*static_cast<OCRTable*>(r)));
    }
    return v.release();
}

std::list<IMGRect*>* merge_rects(std::vector<IMGRect>* labels, std::vector<IMGRect>* chars,
                                 std::vector<IMGRect>* boxes, OCRDocument*, ImgMask* mask) {
    if (!labels) return nullptr;
    std::unique_ptr<List> owned(new List());
    List* list = owned.get();
    for (IMGRect& r : *labels) list->push_back(&r);
    merge_step1(chars, list);
    merge_step_margin(list, mask->GetSrcWidth(), mask->GetSrcHeight());
    merge_step2(chars, list);
    set_rect_attribute(list);
    merge_step_mark_inbox(list, boxes);
    merge_step_erase_disablerc(list);
    return owned.release();
}

void merge_image(List* list) {
    for (auto a = list->begin(); a != list->end(); ++a) {
        if (!*a) continue;
        for (auto b = list->begin(); b != list->end(); ++b) {
            if (!*b || *b == *a) continue;
            if ((*a)->CheckCross(**b) || (*a)->CheckContain(**b) || (*b)->CheckContain(**a)) {
                merge_into(a, *b);
                break;
            }
        }
    }
}

void merge_step_mark_tinyrc(List* list, unsigned int minimum) {
    for (IMGRect*& c : *list)
        if (c && c->GetSize() < minimum) c = nullptr;
}

void merge_closeset(std::vector<IMGRect>* chars, List* list) {
    for (auto a = list->begin(); a != list->end(); ++a) {
        if (!*a) continue;
        IMGRect* A = *a;
        const unsigned s = unsigned(std::abs(int(A->bottom) - int(A->top))) + unsigned(std::abs(int(A->right) - int(A->left)));
        unsigned best = ~0u;
        IMGRect* chosen = nullptr;
        for (IMGRect* B : *list) {
            if (!B || B == A) continue;
            const unsigned d = unsigned(std::abs(int(A->bottom) - int(B->bottom))) + unsigned(std::abs(int(A->left) - int(B->left)));
            if (d <= s && d <= 100 && d < best) {
                best = d;
                chosen = B;
            }
        }
        if (!chosen) continue;
        IMGRect u(*A);
        u.MergeRect(*chosen);
        if (chars_inside(u, chars) == 0) merge_into(a, chosen);
    }
}

void merge_step_erase_disablerc(List* list) { list->remove(nullptr); }
