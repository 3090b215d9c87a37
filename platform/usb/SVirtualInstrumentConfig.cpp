#include "platform/usb/SVirtualInstrumentConfig.h"

namespace NSPlatform
{

namespace
{
// Half the pause the updater leaves after opening: an updater that asks at once
// is not answered.
constexpr int32_t kModeDeafAfterResetMs = 500;
} // namespace

std::vector<SVirtualEndpoint> SVirtualInstrumentConfig::DefaultEndpoints()
{
    // Built one by one: GCC 12 at -O2 misreads a braced list of these as
    // possibly uninitialized.
    std::vector<SVirtualEndpoint> endpoints(3);
    endpoints[0].mKind = SVirtualEndpoint::kInterruptIn;
    endpoints[0].mAddress = 0x81;
    endpoints[1].mKind = SVirtualEndpoint::kBulkIn;
    endpoints[1].mAddress = 0x82;
    endpoints[2].mKind = SVirtualEndpoint::kBulkOut;
    endpoints[2].mAddress = 0x02;
    return endpoints;
}

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
    else if (mode == "odd-text")
    {
        result.mUpdaterMode = true;
        result.mStatusText = OddStatusText();
        result.mStatusError = true;
    }
    else
    {
        return false;
    }
    result.mDeafAfterResetMs = kModeDeafAfterResetMs;
    config = result;
    return true;
}

const char* SVirtualInstrumentConfig::SimulateModes()
{
    return "normal|updater|no-os|busy|no-return|unplug|odd-text";
}

const char* SVirtualInstrumentConfig::OddStatusText()
{
    // A quote, a backslash, controls (escape, delete), stray and cut-off multi-byte
    // sequences, and one well-formed "\xC3\xA9" that must come through unchanged.
    return "\"q\" \\ \x01\x1b\x7f \xff\xfe \xc3( \xc3\xa9 \xe2\x82";
}

} // namespace NSPlatform
