#include "framework/graphics/CRegion.h"

#include "framework/files/XBase.h"

#include <cairo.h>

namespace NSWayfarer
{

namespace
{

// Empty or inverted rectangles are the empty set, never a region with negative extent.
// The extent is taken from the edges in full precision: a wide-open clip from -32767 to
// 32767 is 65534 pixels wide, although its 16-bit width wraps negative.
cairo_rectangle_int_t ToCairo(const CRect& r)
{
    cairo_rectangle_int_t c;
    c.x = r.fLeft;
    c.y = r.fTop;
    c.width = int(r.fRight) - int(r.fLeft);
    c.height = int(r.fBottom) - int(r.fTop);
    if (c.width <= 0 || c.height <= 0)
        c.x = c.y = c.width = c.height = 0;
    return c;
}

// cairo hands out a shared "nil" region when it runs out of memory.
cairo_region_t* Checked(cairo_region_t* region)
{
    if (region == nullptr || cairo_region_status(region) != CAIRO_STATUS_SUCCESS)
    {
        if (region != nullptr)
            cairo_region_destroy(region);
        throw XMacSystemOOM();
    }
    return region;
}

void CheckStatus(cairo_status_t status)
{
    if (status != CAIRO_STATUS_SUCCESS)
        throw XMacSystemOOM();
}

cairo_region_t* NewRectRegion(const CRect& r)
{
    const cairo_rectangle_int_t c = ToCairo(r);
    return Checked(cairo_region_create_rectangle(&c));
}

// Owns a temporary region for the rectangle variants, so it is freed also when the
// operation throws.
class CTempRegion
{
public:
    explicit CTempRegion(const CRect& r) : fRegion(NewRectRegion(r)) {}
    ~CTempRegion() { cairo_region_destroy(fRegion); }
    CTempRegion(const CTempRegion&) = delete;
    CTempRegion& operator=(const CTempRegion&) = delete;
    cairo_region_t* Get() const { return fRegion; }

private:
    cairo_region_t* fRegion;
};

} // namespace

CRegion::CRegion() : fRegion(NewRectRegion(CRect(0, 0, 0, 0))) {}

CRegion::CRegion(const CRect& r) : fRegion(NewRectRegion(r)) {}

CRegion::CRegion(const CRegion& other) : fRegion(Checked(cairo_region_copy(other.fRegion))) {}

CRegion::CRegion(cairo_region_t* native) : fRegion(Checked(native)) {}

CRegion& CRegion::operator=(const CRegion& other)
{
    if (this != &other)
    {
        cairo_region_t* copy = Checked(cairo_region_copy(other.fRegion));
        if (fRegion != nullptr)
            cairo_region_destroy(fRegion);
        fRegion = copy;
    }
    return *this;
}

CRegion::~CRegion()
{
    if (fRegion != nullptr)
        cairo_region_destroy(fRegion);
    fRegion = nullptr;
}

cairo_region_t* CRegion::DetachNative()
{
    // A fresh empty region stands in, so a later use of this object is harmless. cairo's
    // out-of-memory stand-in is a valid (always empty) region too.
    cairo_region_t* native = fRegion;
    fRegion = cairo_region_create();
    return native;
}

void CRegion::OrRegion(const CRegion& other)
{
    CheckStatus(cairo_region_union(fRegion, other.fRegion));
}

void CRegion::OrRectangle(const CRect& r)
{
    CTempRegion temp(r);
    CheckStatus(cairo_region_union(fRegion, temp.Get()));
}

void CRegion::AndRegion(const CRegion& other)
{
    CheckStatus(cairo_region_intersect(fRegion, other.fRegion));
}

void CRegion::AndRectangle(const CRect& r)
{
    CTempRegion temp(r);
    CheckStatus(cairo_region_intersect(fRegion, temp.Get()));
}

void CRegion::SubRegion(const CRegion& other)
{
    CheckStatus(cairo_region_subtract(fRegion, other.fRegion));
}

void CRegion::SubRectangle(const CRect& r)
{
    CTempRegion temp(r);
    CheckStatus(cairo_region_subtract(fRegion, temp.Get()));
}

void CRegion::InvertRegion(const CRegion& other)
{
    CheckStatus(cairo_region_xor(fRegion, other.fRegion));
}

void CRegion::InvertRectangle(const CRect& r)
{
    CTempRegion temp(r);
    CheckStatus(cairo_region_xor(fRegion, temp.Get()));
}

void CRegion::SetRectangle(const CRect* r)
{
    cairo_region_t* replacement = NewRectRegion(*r);
    cairo_region_destroy(fRegion);
    fRegion = replacement;
}

void CRegion::Empty()
{
    const CRect none;
    SetRectangle(&none);
}

void CRegion::Offset(short dx, short dy)
{
    cairo_region_translate(fRegion, dx, dy);
}

bool CRegion::IsEmpty() const
{
    return cairo_region_is_empty(fRegion);
}

bool CRegion::IsPointIn(short x, short y) const
{
    return cairo_region_contains_point(fRegion, x, y);
}

bool CRegion::DoesRectangleIntersect(const CRect* r) const
{
    const cairo_rectangle_int_t c = ToCairo(*r);
    if (c.width == 0)
        return false;
    return cairo_region_contains_rectangle(fRegion, &c) != CAIRO_REGION_OVERLAP_OUT;
}

bool CRegion::DoesRegionsOverlap(const CRegion* other) const
{
    CRegion overlap(*this);
    overlap.AndRegion(*other);
    return !overlap.IsEmpty();
}

CRect CRegion::GetBounds() const
{
    if (IsEmpty())
        return CRect();
    cairo_rectangle_int_t c;
    cairo_region_get_extents(fRegion, &c);
    return CRect(static_cast<short>(c.x), static_cast<short>(c.y),
                 static_cast<short>(c.x + c.width), static_cast<short>(c.y + c.height));
}

int CRegion::CountRectangles() const
{
    return cairo_region_num_rectangles(fRegion);
}

CRect CRegion::GetRectangle(int i) const
{
    if (i < 0 || i >= CountRectangles())
        return CRect();
    cairo_rectangle_int_t c;
    cairo_region_get_rectangle(fRegion, i, &c);
    return CRect(static_cast<short>(c.x), static_cast<short>(c.y),
                 static_cast<short>(c.x + c.width), static_cast<short>(c.y + c.height));
}

bool CRegion::IsEqual(const CRegion& other) const
{
    return cairo_region_equal(fRegion, other.fRegion);
}

} // namespace NSWayfarer
