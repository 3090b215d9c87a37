// A device manager owner for tests: records what it is told and, like the
// updater, opens the port on arrival (when asked to), counting refusals.
#pragma once

#include "Portable/USBExceptions.h"
#include "Portable/USBManager/CUSBManager.h"

#include <thread>
#include <vector>

class CRecordingOwner : public CUSBManagerCallbackInterface
{
public:
    void USBDeviceAddedCallback(TUSBDevicePort port) override
    {
        fAdded.push_back(port);
        if (fOpenOnArrival)
        {
            try
            {
                CUSBManager::gManager->OpenPort(port, fReceiver);
            }
            catch (const XUSBNoPermission&)
            {
                ++fNoPermission;
            }
            catch (const XUSBError&)
            {
                ++fOpenFailures;
            }
        }
    }
    void USBDeviceRemovedCallback(TUSBDevicePort port) override { fRemoved.push_back(port); }
    void USBDeviceExceptionHandler(TUSBDevicePort port) override
    {
        fExceptionOnMain = std::this_thread::get_id() == fMainThread;
        fExceptions.push_back(port);
        CUSBManager::gManager->ClosePort(port);
    }

    bool fOpenOnArrival = true;
    CUSBPortCallbackInterface* fReceiver = nullptr;
    std::vector<TUSBDevicePort> fAdded, fRemoved, fExceptions;
    int fOpenFailures = 0;
    int fNoPermission = 0;
    bool fExceptionOnMain = false;
    std::thread::id fMainThread = std::this_thread::get_id();
};
