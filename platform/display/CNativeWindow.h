// A native top-level window of the window system with a backing store: the
// framework draws into the store at any time and invalidates what changed; the
// screen is painted from the store on the next expose. Input on the window is
// recorded as events (CDisplay).
#pragma once

#include "platform/display/SDisplayRect.h"

#include <cstdint>
#include <memory>
#include <string>

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_region cairo_region_t;
typedef struct _GtkWidget GtkWidget;
typedef struct _GtkBox GtkBox;
typedef struct _GtkFixed GtkFixed;

namespace NSPlatform
{

class CNativeWindow
{
public:
    enum EKind
    {
        kDocument,    // titled, framed
        kDialog,      // modeless dialog
        kModalDialog, // modal dialog, movable (titled)
        kModal,       // modal dialog without a title bar where the window manager allows
        kFloating,    // utility palette, above documents
        kPlain,       // no frame (splash screens)
        kToolbar      // no frame, never takes the focus
    };

    // clientRect is in global coordinates; the window starts hidden. Titles are
    // UTF-8 (broken sequences show as replacement characters).
    CNativeWindow(EKind kind, const std::string& title, const SDisplayRect& clientRect);
    ~CNativeWindow();
    CNativeWindow(const CNativeWindow&) = delete;
    CNativeWindow& operator=(const CNativeWindow&) = delete;

    EKind GetKind() const;
    void SetTitle(const std::string& title);
    std::string GetTitle() const;

    void Show();
    void Hide();
    bool IsVisible() const;
    // For a window just shown: runs the display's own events (nothing of the
    // application's queue) until the server has a frame with the client area
    // painted, or timeoutMs has passed. True when the window is on the screen.
    // Lets a program show its window before work that holds the main thread.
    bool WaitUntilPresented(int timeoutMs);

    // Global rectangles. The frame includes the window manager's decoration as far
    // as it has told us (none before the window was first shown, or without one).
    SDisplayRect GetClientRect() const;
    SDisplayRect GetFrameRect() const;
    // Moves and sizes the client area to rect (global coordinates).
    void SetClientRect(const SDisplayRect& rect);
    // Pixels between the window's top edge and its client area inside the window
    // (a menu bar); the window manager's title bar is not counted.
    int GetTopInset() const;

    // Brings the window to the front and gives it the keyboard focus.
    void Activate();
    bool IsActive() const;
    // Raises the window without asking for the focus.
    void Raise();

    // What the window manager may offer on the frame: resizing (with the grow box),
    // maximising (the zoom box) and closing (the close box).
    void SetFrameFunctions(bool resizable, bool zoomable, bool closable);
    // Kept above parent and centred on it by the window manager; null: none.
    void SetTransientFor(CNativeWindow* parent);
    // Lets the window manager resize the window from its bottom-right corner, as if
    // the user had grabbed it there with button at the global point.
    void BeginResizeDrag(int button, int rootX, int rootY);
    void SetMaximized(bool maximized);
    bool IsMaximized() const;

    // The backing store: an RGB24 image in device pixels with the window's scale as
    // cairo's device scale, so drawing in client coordinates lands on device pixels.
    // Valid until the next resize or scale change (it is rebuilt, keeping its pixels).
    cairo_surface_t* GetBackingStore() const;
    int GetScale() const;

    // Marks client pixels to be painted from the store on the next expose.
    void Invalidate(const SDisplayRect& clientRect);
    void Invalidate(const cairo_region_t* clientRegion);
    void InvalidateAll();

    // The number of exposes served so far (tests wait for the first).
    uint64_t GetPaintCount() const;
    // Client pixels asked to be pushed from the store to the screen so far.
    uint64_t GetInvalidatedPixelCount() const;

    // The top-level window's X11 id (0 when not realised or not on X11): tests read
    // its pixels; the client area starts GetTopInset() pixels below its top.
    unsigned long GetXID() const;

    struct SImpl;

private:
    friend GtkWidget* NativeWindowToplevel(const CNativeWindow&);
    friend GtkWidget* NativeWindowClient(const CNativeWindow&);
    friend GtkBox* NativeWindowMenuSlot(const CNativeWindow&);
    friend GtkFixed* NativeWindowControlLayer(const CNativeWindow&);
    friend void NativeWindowFrameChanged(CNativeWindow&);

    std::unique_ptr<SImpl> fImpl;
};

} // namespace NSPlatform
