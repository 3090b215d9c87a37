// The display's lines of the measurement trace (CMeasureTrace): every frame a
// top-level window paints, with its area, and the moment the first frame is on
// the server.
#pragma once

typedef struct _GtkWidget GtkWidget;

namespace NSPlatform
{

class CDisplayTrace
{
public:
    // When the trace is on: "paint PIXELS WIDTH HEIGHT TITLE" for every frame of
    // toplevel (device pixels repainted, the window's size in device pixels), and
    // once per process "shown NANOSECONDS MICROSECONDS" when the server has the first
    // frame: the wall clock then, and the processor time the process had used.
    static void WatchWindow(GtkWidget* toplevel);
};

} // namespace NSPlatform
