// A document window, in the frame styles of the classic document kinds; it may be
// marked to be closed with the other auto-delete documents.
#pragma once

#include "framework/windows/CABCWindow.h"

namespace NSWayfarer
{

class CDocumentWindow : public CABCWindow
{
public:
    // 0, 1: plain document; 2: zoom and grow boxes; 3: grow box; 4: floating palette
    // (the title is not shown). A style above 4 makes no window: std::bad_alloc.
    using EStyle = short;

    CDocumentWindow(EStyle style, const char* title);
    // Laid out from dialog resource id.
    CDocumentWindow(EStyle style, short dialogID);

    bool WantsCloseMenu() const override { return true; }
    bool IsFloating() const override { return fStyle == 4; }
    EStyle GetStyle() const { return fStyle; }
    void MarkAsAutoDelete() { fAutoDelete = true; }
    bool IsAutoDelete() const { return fAutoDelete; }

    static void CloseAllAutoDeleteDocumentWindows();
    static void MarkAllAsNotAutoDeleteDocumentWindows();
    // Whether window is a document window; *document is it, or null.
    static bool WindowToDocumentWindow(CABCWindow* window, CDocumentWindow** document);

private:
    EStyle fStyle;
    bool fAutoDelete = false;
};

} // namespace NSWayfarer
