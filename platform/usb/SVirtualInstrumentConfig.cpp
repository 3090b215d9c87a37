#include "platform/usb/SVirtualInstrumentConfig.h"

namespace NSPlatform
{

bool SVirtualInstrumentConfig::ParseSimulateMode(const std::string& mode,
                                                 SVirtualInstrumentConfig& config)
{
    SVirtualInstrumentConfig result;
    if (mode == "normal")
    {
        result.mUpdaterMode = false;
        result.mOSVersion = 110;
    }
    else if (mode == "updater")
    {
        result.mUpdaterMode = true;
    }
    else if (mode == "no-os")
    {
        result.mUpdaterMode = true;
        result.mHasOS = false;
    }
    else if (mode == "busy")
    {
        result.mBusyAttempts = -1;
    }
    else if (mode == "no-return")
    {
        result.mNoReturn = true;
    }
    else if (mode == "unplug")
    {
        // Status and version requests are frames 0 and 1, the begin message 2;
        // leave on the fourth data message.
        result.mUpdaterMode = true;
        result.mRemoveAtMessage = 6;
    }
    else
    {
        return false;
    }
    config = result;
    return true;
}

const char* SVirtualInstrumentConfig::SimulateModes()
{
    return "normal|updater|no-os|busy|no-return|unplug";
}

} // namespace NSPlatform
