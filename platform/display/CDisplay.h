// The connection to the window system: opens GTK on its X11 backend, joins the
// toolkit's main context to the main event queue's wait, and keeps the queue of
// events that the toolkit's callbacks recorded for the framework.
#pragma once

#include "platform/display/SEventRecord.h"

#include <cstdint>
#include <deque>
#include <string>

namespace NSPlatform
{

class CDisplay
{
public:
    // Opens the display once per process and joins it to CMainEventQueue::Main().
    // False when there is none (no DISPLAY, or the toolkit refused): the caller
    // decides whether it can go on without windows.
    static bool Open();
    static bool IsOpen();
    // True when the X11 backend is in use: global window positions are reliable.
    static bool IsX11();

    // Everything here belongs to the main thread (the one that waits); other
    // threads reach it through CMainEventQueue::Post.

    // Recorded events, oldest first. GetNextEvent takes the first whose kind is in
    // mask; events of other kinds stay queued.
    static bool GetNextEvent(uint16_t mask, SEventRecord& event);
    static bool HasEvent(uint16_t mask);
    static void PostEvent(SEventRecord event);
    static void FlushEvents(uint16_t mask);
    // Drops everything queued for a window that is going away.
    static void ForgetWindow(const CNativeWindow* window);
    // Drops the queued events of a control that is going away.
    static void ForgetControl(const CNativeControl* control);

    // Stamps a record with the time (ticks), the pointer's global position and
    // the current modifier word.
    static void Stamp(SEventRecord& event);
    static uint32_t NowTicks();

    // SIGTERM, SIGINT and SIGHUP become quit events (window mode).
    static void CatchQuitSignals();
    // Records a quit event (signals, the end of the desktop session).
    static void RecordQuit();
    // The X server went away: a quit event was recorded instead of the toolkit
    // ending the process, and nothing more reaches the screen.
    static bool IsConnectionLost();

    // Sends what is buffered to the server and waits until it has handled it.
    static void Sync();
    static void Beep();
    // A modal stop message with one button; returns when the user dismissed it.
    static void ShowStopMessage(const std::string& text);
    // Opens a file or web address with the desktop's handler; false when it cannot.
    static bool OpenURI(const std::string& uri, std::string* error = nullptr);

    // The desktop's user-interface font: family and size in pixels.
    struct SUIFont
    {
        std::string mFamily;
        int mSizePx = 0;
        bool mBold = false;
        bool mItalic = false;
    };
    static SUIFont GetUIFont();

    // Called from the toolkit's callbacks (platform/display only).
    static void Record(SEventRecord event);
    // The number of events recorded so far (the joined wait counts what one wait added).
    static uint64_t RecordedCount();
};

} // namespace NSPlatform
