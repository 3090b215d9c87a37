// An exact set of pixels built from rectangles, for invalidation and clipping. Owns one
// cairo region; nothing above the graphics folder sees the cairo type itself.
#pragma once

#include "framework/graphics/CRect.h"

typedef struct _cairo_region cairo_region_t;

namespace NSWayfarer
{

class CRegion
{
public:
    // Empty.
    CRegion();
    explicit CRegion(const CRect& r);
    CRegion(const CRegion& other);
    // Adopts the native region: this object disposes of it.
    explicit CRegion(cairo_region_t* native);
    CRegion& operator=(const CRegion& other);
    ~CRegion();

    // The caller takes the native region over; this object goes on as an empty region.
    cairo_region_t* DetachNative();
    cairo_region_t* GetNative() const { return fRegion; }

    void OrRegion(const CRegion& other);
    void OrRectangle(const CRect& r);
    void AndRegion(const CRegion& other);
    void AndRectangle(const CRect& r);
    // This minus the other.
    void SubRegion(const CRegion& other);
    void SubRectangle(const CRect& r);
    // Symmetric difference.
    void InvertRegion(const CRegion& other);
    void InvertRectangle(const CRect& r);

    void SetRectangle(const CRect* r);
    void Empty();
    // Coordinates are not wrapped to 16 bits: a region is a pixel set, and wrapping would
    // tear it apart.
    void Offset(short dx, short dy);

    bool IsEmpty() const;
    bool IsPointIn(short x, short y) const;
    // Exact: a rectangle that only touches the region does not intersect it.
    bool DoesRectangleIntersect(const CRect* r) const;
    bool DoesRegionsOverlap(const CRegion* other) const;

    // The smallest rectangle holding every pixel (all zeros when empty).
    CRect GetBounds() const;
    int CountRectangles() const;
    // The i-th rectangle of the region's band decomposition, 0 <= i < CountRectangles().
    CRect GetRectangle(int i) const;
    bool IsEqual(const CRegion& other) const;

private:
    cairo_region_t* fRegion = nullptr;
};

} // namespace NSWayfarer
