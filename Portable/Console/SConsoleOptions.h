// What the console front end was asked to do on its command line.
#pragma once

struct SConsoleOptions
{
    // Press Update without asking.
    bool mAssumeYes = false;
    // Give up (exit 3) when no instrument was found within this many seconds; < 0: wait
    // until interrupted.
    int mWaitSeconds = -1;
};
