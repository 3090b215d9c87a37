#include "Portable/update/UpdaterRunState.h"

namespace
{

EUpdaterRunState gState = kURSUnknown;
TRebootDeadline gRebootDeadline = 0;

} // namespace

EUpdaterRunState GetUpdaterRunState()
{
    return gState;
}

void SetUpdaterRunState(EUpdaterRunState state)
{
    gState = state;
}

TRebootDeadline GetRebootDeadline()
{
    return gRebootDeadline;
}

void SetRebootDeadline(TRebootDeadline deadline)
{
    gRebootDeadline = deadline;
}

const char* GetUpdaterRunStateName(EUpdaterRunState state)
{
    switch (state)
    {
    case kURSUnknown:
        return "kURSUnknown";
    case kURSConnected:
        return "kURSConnected";
    case kURSUpdate:
        return "kURSUpdate";
    case kURSOS:
        return "kURSOS";
    case kURSReboot:
        return "kURSReboot";
    case kURSRebooted:
        return "kURSRebooted";
    case kURSSending:
        return "kURSSending";
    case kURSWorking:
        return "kURSWorking";
    case kURSFinish:
        return "kURSFinish";
    }
    return "?";
}
