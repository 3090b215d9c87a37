// The update run state: where the update of the attached instrument stands, which
// the window reads to decide what the user may do. One per process.
#pragma once

#include <cstdint>

enum EUpdaterRunState
{
    kURSUnknown = 0,   // no instrument, or it was lost
    kURSConnected = 1, // port opened, identification requested
    kURSUpdate = 2,    // the instrument runs its updater mode and can take the OS now
    kURSOS = 3,        // the instrument runs normally; it must reboot into its updater mode first
    kURSReboot = 4,    // reboot requested, waiting for the instrument to come back
    kURSRebooted = 5,  // the instrument came back after the reboot request
    kURSSending = 6,   // the OS image is being sent
    kURSWorking = 7,   // the transfer has ended; waiting for the instrument to report
    kURSFinish = 8     // the update is complete
};

// Milliseconds of CTimer::GetSystemMS.
using TRebootDeadline = int32_t;

EUpdaterRunState GetUpdaterRunState();
void SetUpdaterRunState(EUpdaterRunState state);

// When a requested reboot counts as failed if the instrument has not come back.
TRebootDeadline GetRebootDeadline();
void SetRebootDeadline(TRebootDeadline deadline);

// The enumerator's name ("kURSSending"), for diagnostics and tests; "?" outside the range.
const char* GetUpdaterRunStateName(EUpdaterRunState state);
