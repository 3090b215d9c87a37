// What the console front end was asked to do on its command line.
#pragma once

struct SConsoleOptions
{
    // Press Update without asking.
    bool mAssumeYes = false;
    // Give up (exit 3) when no instrument was found within this many seconds; < 0: wait
    // until interrupted.
    int mWaitSeconds = -1;
    // Standard output carries one JSON event per line; the human texts go to standard error.
    bool mJson = false;
    // Only find the instrument, ask who it is and report that; nothing is updated.
    bool mIdentify = false;
};
