// The canvas of a window: draws through the window's current canvas link, and converts
// between the window's local coordinates and the screen's.
#pragma once

#include "framework/graphics/CABCCanvas.h"
#include "framework/graphics/CGlobalRect.h"

namespace NSWayfarer
{

class CABCCanvasLink;

// The main screen's bit depth, as the graphic manager knows it.
using TScreenDepthSource = unsigned char (*)();

class CCanvas : public CABCCanvas
{
public:
    // Takes over one reference to the link and gives it back on destruction.
    explicit CCanvas(CABCCanvasLink* link);
    ~CCanvas() override;

    CABCBitmap* GetDestBitmap() override;
    // The main screen's depth.
    unsigned char GetBitDepth() const override;

    void LocalToGlobal(short x, short y, short* gx, short* gy) const;
    void GlobalToLocal(short gx, short gy, short* x, short* y) const;
    void LocalToGlobal(const CLocalRect* r, CGlobalRect* out) const;
    void GlobalToLocal(const CGlobalRect* r, CLocalRect* out) const;

    CABCCanvasLink* GetLink() const { return fLink; }

    // Null restores the default: 32 bits, the depth of every window's backing store.
    static void SetScreenDepthSource(TScreenDepthSource source);

private:
    CABCCanvasLink* fLink = nullptr;
};

} // namespace NSWayfarer
