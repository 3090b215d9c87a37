// Volumes mounted on the desktop while the program runs, recorded as disk events
// carrying the volume's name (the low word of the message numbers the mounts).
#pragma once

#include <string>

namespace NSPlatform
{

class CVolumeMonitor
{
public:
    // Watches the desktop's volume monitor from the loop's first idle moment on;
    // again is nothing. Needs the display open.
    static void Start();
    static void Stop();
    static bool IsRunning();
    // The disk event one arriving volume makes (an unnamed one is "Untitled").
    static void RecordMount(const std::string& name);
};

} // namespace NSPlatform
