// Value types for image areas: rectangles, runs and points.
//
// Coordinates are pixel indices from the top-left pixel, x to the right and y
// downwards. Rectangles and runs are inclusive at both ends: (0, 0, 0, 0) is
// the single pixel at the origin and no rectangle is empty. Nothing checks
// that left <= right or top <= bottom; such a rectangle is stored unchanged.
//
// Working instantiations: TRkImgRect<unsigned short> (and TRkImgRect<int> for
// whole-image rectangles built in int and cut to 16 bits), TRkImgRectPlus,
// TRkImgRect2Plus, TRkImgRan, TRkImgRanPlus and TRkImgRan2Plus of unsigned
// short, TRkImgPos of unsigned short and short. With unsigned short,
// widths, heights and run lengths are 16-bit values and wrap modulo 65536.
#ifndef RKCORR_GEOMETRY_H
#define RKCORR_GEOMETRY_H

#include <stdint.h>

#include <list>
#include <type_traits>
#include <utility>

// An axis-aligned rectangle. Virtual slots, in order: GetWidth, GetHeight,
// MergeRect, UnionRect. The destructor is not virtual: never delete a derived
// rectangle through a pointer to this class.
template <class T>
class TRkImgRect {
public:
    T top;
    T bottom;
    T left;
    T right;

    // Arguments in (left, top, right, bottom) order.
    TRkImgRect(T l, T t, T r, T b) : top(t), bottom(b), left(l), right(r) {}
    TRkImgRect(const TRkImgRect& o) : top(o.top), bottom(o.bottom), left(o.left), right(o.right) {}
    TRkImgRect(TRkImgRect&& o) noexcept : top(o.top), bottom(o.bottom), left(o.left), right(o.right) {}
    // Conversion from another coordinate type: each coordinate is cut to this
    // type (from int to unsigned short: the low 16 bits, no clamping).
    template <class U, class = typename std::enable_if<!std::is_same<T, U>::value>::type>
    TRkImgRect(const TRkImgRect<U>& o)
        : top(static_cast<T>(o.top)),
          bottom(static_cast<T>(o.bottom)),
          left(static_cast<T>(o.left)),
          right(static_cast<T>(o.right)) {}

    // Copies the four coordinates; the object keeps its own dynamic type.
    TRkImgRect& operator=(const TRkImgRect& o) {
        top = o.top;
        bottom = o.bottom;
        left = o.left;
        right = o.right;
        return *this;
    }
    TRkImgRect& operator=(TRkImgRect&& o) noexcept { return *this = static_cast<const TRkImgRect&>(o); }

    T GetLeft() const { return left; }
    T GetTop() const { return top; }
    T GetRight() const { return right; }
    T GetBottom() const { return bottom; }
    void SetLeft(T v) { left = v; }
    void SetTop(T v) { top = v; }
    void SetRight(T v) { right = v; }
    void SetBottom(T v) { bottom = v; }

    // right - left + 1 and bottom - top + 1, in the coordinate type.
    virtual T GetWidth() const { return static_cast<T>(right - left + 1); }
    virtual T GetHeight() const { return static_cast<T>(bottom - top + 1); }

    // Grows this rectangle to the bounding box of both; true if it grew.
    virtual bool MergeRect(TRkImgRect other) {
        bool grown = false;
        if (other.left < left) {
            left = other.left;
            grown = true;
        }
        if (other.top < top) {
            top = other.top;
            grown = true;
        }
        if (other.right > right) {
            right = other.right;
            grown = true;
        }
        if (other.bottom > bottom) {
            bottom = other.bottom;
            grown = true;
        }
        return grown;
    }

    // Shrinks this rectangle to the part it shares with other (the overlap,
    // not the bounding box); false, changing nothing, when they do not cross.
    virtual bool UnionRect(TRkImgRect other) {
        if (!CheckCross(other)) return false;
        if (other.left > left) left = other.left;
        if (other.right < right) right = other.right;
        if (other.top > top) top = other.top;
        if (other.bottom < bottom) bottom = other.bottom;
        return true;
    }

    // Width times height, both through the virtual slots, in 32 bits.
    uint32_t GetSize() const {
        return static_cast<uint32_t>(GetWidth()) * static_cast<uint32_t>(GetHeight());
    }

    // True when the rectangles share at least one pixel (touching counts).
    bool CheckCross(const TRkImgRect& other) const {
        if (Diff(other.right, left) < 0 || Diff(right, other.left) < 0) return false;
        if (Diff(other.bottom, top) < 0 || Diff(bottom, other.top) < 0) return false;
        return true;
    }

    // True when other lies wholly inside this rectangle (equal ones do).
    bool CheckContain(const TRkImgRect& other) const {
        return left <= other.left && other.right <= right && top <= other.top && other.bottom <= bottom;
    }

    bool CheckInsidePoint(T x, T y) const { return !(x < left || x > right || y < top || y > bottom); }

    TRkImgRect& GetRkImgRect() { return *this; }
    const TRkImgRect& GetRkImgRect() const { return *this; }
    void SetRkImgRect(const TRkImgRect& r) {
        top = r.top;
        bottom = r.bottom;
        left = r.left;
        right = r.right;
    }

private:
    // a - b in signed 32-bit arithmetic.
    static int32_t Diff(T a, T b) {
        return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int32_t>(a)) -
                                    static_cast<uint32_t>(static_cast<int32_t>(b)));
    }
};

// A run of pixels along one line: start and end inclusive (x of a horizontal
// run, y of a vertical one). Not polymorphic.
template <class T>
struct TRkImgRan {
    T start;
    T end;

    TRkImgRan() : start(0), end(0) {}
    TRkImgRan(T s, T e) : start(s), end(e) {}

    T GetLength() const { return static_cast<T>(end - start + 1); }
    bool CheckInsidePoint(T p) const { return start <= p && p <= end; }
};

// A run with its line: the row of a horizontal run, the column of a vertical one.
template <class T>
struct TRkImgRanPlus : public TRkImgRan<T> {
    T line;

    TRkImgRanPlus() : TRkImgRan<T>(), line(0) {}
    TRkImgRanPlus(T s, T e, T l) : TRkImgRan<T>(s, e), line(l) {}
};

// A run with its line and the frame (a TRkImgRect2Plus) that labeling assigned
// it to; owner is null until assigned.
template <class T>
struct TRkImgRan2Plus : public TRkImgRanPlus<T> {
    void* owner;

    TRkImgRan2Plus() : TRkImgRanPlus<T>(), owner(nullptr) {}
    TRkImgRan2Plus(T s, T e, T l, void* o) : TRkImgRanPlus<T>(s, e, l), owner(o) {}
};

// A rectangle that owns the runs of the connected component it bounds.
// Virtual slots: the four of TRkImgRect, then MergeRect(TRkImgRectPlus&).
template <class T>
class TRkImgRectPlus : public TRkImgRect<T> {
public:
    std::list<TRkImgRanPlus<T>> runs;

    TRkImgRectPlus(T l, T t, T r, T b) : TRkImgRect<T>(l, t, r, b) {}
    TRkImgRectPlus(const TRkImgRectPlus& o) : TRkImgRect<T>(o), runs(o.runs) {}
    TRkImgRectPlus(TRkImgRectPlus&& o) noexcept : TRkImgRect<T>(o), runs(std::move(o.runs)) {}
    TRkImgRectPlus& operator=(const TRkImgRectPlus& o) {
        TRkImgRect<T>::operator=(o);
        if (this != &o) runs = o.runs;
        return *this;
    }
    TRkImgRectPlus& operator=(TRkImgRectPlus&& o) noexcept {
        TRkImgRect<T>::operator=(o);
        if (this != &o) runs = std::move(o.runs);
        return *this;
    }

    using TRkImgRect<T>::MergeRect;
    // Moves every run of other to the end of this list, in order (other's list
    // is left empty), then grows this rectangle to cover other.
    virtual bool MergeRect(TRkImgRectPlus& other) {
        if (this != &other) runs.splice(runs.end(), other.runs);
        return TRkImgRect<T>::MergeRect(TRkImgRect<T>(other.left, other.top, other.right, other.bottom));
    }
};

// A frame of the labeling's frame container: runs plus the link that chains
// released frames into the container's free list (null while in use).
template <class T>
class TRkImgRect2Plus : public TRkImgRectPlus<T> {
public:
    void* nextFree;

    TRkImgRect2Plus(T l, T t, T r, T b, void* next) : TRkImgRectPlus<T>(l, t, r, b), nextFree(next) {}
    TRkImgRect2Plus(const TRkImgRect2Plus& o) : TRkImgRectPlus<T>(o), nextFree(o.nextFree) {}
    TRkImgRect2Plus(TRkImgRect2Plus&& o) noexcept : TRkImgRectPlus<T>(std::move(o)), nextFree(o.nextFree) {}
    TRkImgRect2Plus& operator=(const TRkImgRect2Plus& o) {
        TRkImgRectPlus<T>::operator=(o);
        nextFree = o.nextFree;
        return *this;
    }
    TRkImgRect2Plus& operator=(TRkImgRect2Plus&& o) noexcept {
        TRkImgRectPlus<T>::operator=(std::move(o));
        nextFree = o.nextFree;
        return *this;
    }
};

// A point (x, y); the short form holds offsets that may be negative.
template <class T>
struct TRkImgPos {
    T x;
    T y;

    TRkImgPos() : x(0), y(0) {}
    TRkImgPos(T px, T py) : x(px), y(py) {}
};

#endif
