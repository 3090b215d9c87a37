// Points the display tests at the X server their fixture started (its display
// number is in $KELT_XVFB_STATE/display), before any test opens the display.
#include <cstdio>
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
        // Also here, since the ctest environment of discovered tests does not reach
        // every test: the property list is split on its way through discovery.
        ::setenv("NO_AT_BRIDGE", "1", 1);
        ::setenv("GDK_BACKEND", "x11", 1);
    }
} gUseTestServer;

} // namespace

// The toolkit's own leaks stay out of the leak checker's report whatever the
// environment the test was started with.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions()
{
    // Read with the C library: this runs while the sanitizer starts, before C++
    // streams are set up.
    static char suppressions[8192];
    if (suppressions[0] == 0)
    {
        if (FILE* file = std::fopen(KELT_SOURCE_DIR "/tests/lsan-gtk.supp", "r"))
        {
            const size_t got = std::fread(suppressions, 1, sizeof suppressions - 1, file);
            suppressions[got] = 0;
            std::fclose(file);
        }
    }
    return suppressions;
}
