// An opt-in trace of what the measurements need (main-loop turns, frames painted,
// progress and button changes), written as lines to the file named by the
// environment variable KELT_MEASURE_TRACE; off, and costing one test, otherwise.
#pragma once

#include <cstdint>

namespace NSPlatform
{

class CMeasureTrace
{
public:
    // Whether KELT_MEASURE_TRACE names a file that could be opened (looked at once).
    static bool IsOn();

    // One line "<microseconds on the monotonic clock> <kind> <text>"; nothing when off.
    static void Write(const char* kind, const char* format, ...)
        __attribute__((format(printf, 2, 3)));
    // Pushes what was written to the file (it is also pushed at exit).
    static void Flush();

    // Around every blocking wait of the main thread: a "turn" line gives the time
    // the thread worked between two waits, in microseconds.
    static void WaitBegins();
    static void WaitEnds();

    // Microseconds on the monotonic clock, the time base of every line.
    static int64_t NowUS();
};

} // namespace NSPlatform
