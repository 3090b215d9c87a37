// Points the display tests at the X server their fixture started (its display
// number is in $KELT_XVFB_STATE/display), before any test opens the display.
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
    }
} gUseTestServer;

} // namespace
