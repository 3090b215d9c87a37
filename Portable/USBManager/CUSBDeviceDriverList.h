// The devices the manager has been told about so far, in order of arrival.
#pragma once

#include "platform/usb/CUsbBus.h"

#include <cstdint>
#include <memory>
#include <vector>

class CUSBDeviceDriver
{
public:
    explicit CUSBDeviceDriver(NSPlatform::TUsbServiceId id) : fDeviceId(id) {}
    NSPlatform::TUsbServiceId fDeviceId;
};

class CUSBDeviceDriverList
{
public:
    CUSBDeviceDriverList() = default;
    ~CUSBDeviceDriverList();
    CUSBDeviceDriverList(const CUSBDeviceDriverList&) = delete;
    CUSBDeviceDriverList& operator=(const CUSBDeviceDriverList&) = delete;

    void Add(NSPlatform::TUsbServiceId id);
    void Remove(NSPlatform::TUsbServiceId id);
    bool IsMember(NSPlatform::TUsbServiceId id) const;
    void Clear();
    uint16_t GetCount() const;
    // 0 for an index past the end.
    NSPlatform::TUsbServiceId GetNativeId(uint16_t index) const;
    // 0 when the id is not in the list (as for the first entry).
    uint16_t GetIndex(NSPlatform::TUsbServiceId id) const;

private:
    std::vector<std::unique_ptr<CUSBDeviceDriver>> fList;
};
