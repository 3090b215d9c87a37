// Points the display tests at the X server their fixture started (its display
// number is in $KELT_XVFB_STATE/display), before any test opens the display.
// The rest of their environment is set here too: ctest's properties of
// discovered tests keep only the first entry of an environment list.
#include <cstdlib>
#include <fstream>
#include <string>

namespace
{

struct SUseTestServer
{
    SUseTestServer()
    {
        const char* state = std::getenv("KELT_XVFB_STATE");
        if (!state)
            return;
        std::ifstream file(std::string(state) + "/display");
        std::string display;
        if (file >> display)
            ::setenv("DISPLAY", display.c_str(), 1);
        ::unsetenv("WAYLAND_DISPLAY");
        ::setenv("GDK_BACKEND", "x11", 1);
        ::setenv("NO_AT_BRIDGE", "1", 1);
    }
} gUseTestServer;

} // namespace

// The toolkit's own allocations kept until exit, read by the leak checker of the
// sanitizer builds at start-up (an environment variable would come too late).
extern "C" const char* __lsan_default_options()
{
    return "suppressions=" KELT_SOURCE_DIR "/tests/lsan-gtk.supp:print_suppressions=0";
}
