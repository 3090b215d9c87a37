// One picture from the application's bitmap cache, drawn from the view's
// top-left corner and clipped to the view.
#pragma once

#include "framework/graphics/TBitmapID.h"
#include "framework/windows/CView.h"

namespace NSWayfarer
{

class CStaticBitmapView : public CView
{
public:
    CStaticBitmapView(CGroupView* superView, TBitmapID id);
    ~CStaticBitmapView() override;

    TBitmapID GetBitmapID() const { return fBitmapID; }

    void Draw() override;
    void UpdateGraphics() override;

private:
    TBitmapID fBitmapID;
};

} // namespace NSWayfarer
