#include "platform/display/CVolumeMonitor.h"

#include "platform/display/CDisplay.h"
#include "platform/display/SEventRecord.h"

#include <gio/gio.h>

#include <cstdint>

namespace NSPlatform
{

namespace
{

struct SMonitorState
{
    GVolumeMonitor* mMonitor = nullptr;
    gulong mHandler = 0;
    guint mPendingStart = 0;
    uint16_t mDriveCount = 0;
};

SMonitorState& State()
{
    static SMonitorState gState;
    return gState;
}

void OnMountAdded(GVolumeMonitor*, GMount* mount, gpointer)
{
    gchar* name = g_mount_get_name(mount);
    CVolumeMonitor::RecordMount(name ? name : "");
    g_free(name);
}

gboolean StartWatching(gpointer)
{
    SMonitorState& state = State();
    state.mPendingStart = 0;
    state.mMonitor = g_volume_monitor_get();
    if (state.mMonitor)
        state.mHandler =
            g_signal_connect(state.mMonitor, "mount-added", G_CALLBACK(OnMountAdded), nullptr);
    return G_SOURCE_REMOVE;
}

} // namespace

void CVolumeMonitor::Start()
{
    SMonitorState& state = State();
    if (state.mMonitor || state.mPendingStart != 0 || !CDisplay::IsOpen())
        return;
    // The monitor loads modules and starts a thread: once the loop has nothing more
    // urgent (the first window's frames), not on the way to them.
    state.mPendingStart = g_idle_add_full(G_PRIORITY_LOW, StartWatching, nullptr, nullptr);
}

void CVolumeMonitor::Stop()
{
    SMonitorState& state = State();
    if (state.mPendingStart != 0)
    {
        g_source_remove(state.mPendingStart);
        state.mPendingStart = 0;
    }
    if (!state.mMonitor)
        return;
    g_signal_handler_disconnect(state.mMonitor, state.mHandler);
    g_object_unref(state.mMonitor);
    state.mMonitor = nullptr;
    state.mHandler = 0;
}

bool CVolumeMonitor::IsRunning()
{
    return State().mMonitor != nullptr || State().mPendingStart != 0;
}

void CVolumeMonitor::RecordMount(const std::string& name)
{
    SMonitorState& state = State();
    // Drive numbers start at 1 and wrap past 0 so that each one is a drive.
    if (++state.mDriveCount == 0)
        state.mDriveCount = 1;
    SEventRecord event;
    event.mWhat = kDiskEvent;
    event.mMessage = state.mDriveCount; // error 0 in the high word
    event.mVolumeName = name.empty() ? std::string("Untitled") : name;
    CDisplay::Stamp(event);
    CDisplay::Record(std::move(event));
}

} // namespace NSPlatform
