// A view holding an ordered list of subviews (not owned): drawing, hit testing,
// input and the update phases go to them in list order.
#pragma once

#include "framework/text/CLinkedListTemplate.h"
#include "framework/windows/CView.h"

namespace NSWayfarer
{

class CGroupView : public CView
{
public:
    explicit CGroupView(CGroupView* superView);
    CGroupView(CGroupView* superView, const CViewItemInfo* info);
    ~CGroupView() override;

    void Idle() override;
    void Click(const CClickSpec& spec) override;
    void Drop(const CDropSpec& spec) override;
    void Draw() override;
    void UpdateGraphics() override;
    void DoContextMenu(const CLocalPoint& point) override;
    void DoMouseWheel(unsigned short modifiers, short delta, const CLocalPoint& point) override;
    void PositionChanged(const CLocalRect* oldRect, const CLocalRect* newRect) override;
    void PunchOutDrawingAreaFromRegion(CRegion* region) override;
    void Primed() override;
    CLocalRect GetInvalidateLimitRect() const override { return GetInnerRect(); }
    void HandleChangeRequests() override;
    void SetupState() override;
    CView* GetViewAtCoord(short x, short y) override;

    virtual CLocalRect GetInnerRect() const { return fRect; }
    virtual void PositionSubViews() {}
    virtual void DrawExceptSubViews() {}
    virtual void AddSubView(CView* view);
    virtual void RemoveSubView(CView* view);

    CLocalRect GetOuterRect() const { return GetInnerRect(); }
    // This group's HandleChangeRequests only.
    void LocalForceSetup() { HandleChangeRequests(); }
    // Deletes every subview (each unlinks itself).
    void DeleteAndRemoveSubViews();
    const CLinkedListTemplate<CView*>& GetSubViews() const { return fSubViewList; }

    // The group's rectangle less what its visible subviews paint opaquely.
    CRegion CreateSubViewClipRegion();
    void DrawSubViewsOnly();

private:
    // The subviews at the moment of the call: a handler may add or remove views.
    template <typename F> void ForEachSubView(F&& f);

    CLinkedListTemplate<CView*> fSubViewList;
};

} // namespace NSWayfarer
